// Binarised config bytes built field by field for tests.

#include "RapBytes.h"

#include <cstring>
#include <map>
#include <stdexcept>

namespace testsupport
{
RapBytes& RapBytes::Byte(uint8_t b)
{
    bytes.push_back(b);
    return *this;
}

RapBytes& RapBytes::Raw(const Bytes& b)
{
    bytes.insert(bytes.end(), b.begin(), b.end());
    return *this;
}

RapBytes& RapBytes::Long(int32_t v)
{
    uint32_t u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i)
        bytes.push_back(static_cast<unsigned char>(u >> (8 * i)));
    return *this;
}

RapBytes& RapBytes::Float(float v)
{
    uint32_t u;
    std::memcpy(&u, &v, sizeof u);
    return Long(static_cast<int32_t>(u));
}

RapBytes& RapBytes::Str(const std::string& s)
{
    bytes.insert(bytes.end(), s.begin(), s.end());
    bytes.push_back(0);
    return *this;
}

RapBytes& RapBytes::Count(int v)
{
    if (v < 0x80)
        return Byte(static_cast<uint8_t>(v));
    Byte(static_cast<uint8_t>((v & 0x7F) | 0x80));
    return Byte(static_cast<uint8_t>(v >> 7));
}

void RapBytes::PatchLong(size_t at, int32_t v)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(static_cast<uint32_t>(v) >> (8 * i));
}

RapValue RapValue::String(const std::string& s)
{
    RapValue v;
    v.subtype = 0;
    v.text = s;
    return v;
}

RapValue RapValue::Float(float f)
{
    RapValue v;
    v.subtype = 1;
    v.real = f;
    return v;
}

RapValue RapValue::Int(int32_t i)
{
    RapValue v;
    v.subtype = 2;
    v.integer = i;
    return v;
}

RapValue RapValue::Array(std::vector<RapValue> elements)
{
    RapValue v;
    v.subtype = 3;
    v.elements = std::move(elements);
    return v;
}

RapValue RapValue::Expression(const std::string& s)
{
    RapValue v;
    v.subtype = 4;
    v.text = s;
    return v;
}

namespace
{
RapEntry Named(int type, const std::string& name)
{
    RapEntry e;
    e.type = type;
    e.name = name;
    return e;
}
} // namespace

RapClass& RapClass::Class(const std::string& name, const RapClass& body)
{
    RapEntry e = Named(0, name);
    e.body = std::make_shared<RapClass>(body);
    entries.push_back(std::move(e));
    return *this;
}

RapClass& RapClass::Value(const std::string& name, const RapValue& value)
{
    RapEntry e = Named(1, name);
    e.value = value;
    entries.push_back(std::move(e));
    return *this;
}

RapClass& RapClass::Array(const std::string& name, std::vector<RapValue> elements)
{
    RapEntry e = Named(2, name);
    e.value = RapValue::Array(std::move(elements));
    entries.push_back(std::move(e));
    return *this;
}

RapClass& RapClass::Declare(const std::string& name)
{
    entries.push_back(Named(3, name));
    return *this;
}

RapClass& RapClass::Delete(const std::string& name)
{
    entries.push_back(Named(4, name));
    return *this;
}

namespace
{
// Writes names and string values either plain or indexed.
class Writer
{
public:
    explicit Writer(bool indexed) : indexed(indexed) {}

    RapBytes out;

    void Name(const std::string& s)
    {
        if (!indexed)
        {
            out.Str(s);
            return;
        }
        std::string key;
        for (char c : s)
            key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        auto found = table.find(key);
        if (found != table.end())
        {
            out.Count(found->second);
            return;
        }
        int index = static_cast<int>(table.size());
        if (index > 32767)
            throw std::length_error("an inline config holds at most 32768 strings");
        table[key] = index;
        out.Count(index);
        out.Str(s);
    }

    void Scalar(const RapValue& v)
    {
        switch (v.subtype)
        {
        case 0:
            Name(v.text);
            break;
        case 1:
            out.Float(v.real);
            break;
        case 2:
            out.Long(v.integer);
            break;
        case 4:
            out.Str(v.text);
            break;
        default:
            ArrayBody(v.elements);
            break;
        }
    }

    void ArrayBody(const std::vector<RapValue>& elements)
    {
        out.Count(static_cast<int>(elements.size()));
        for (const RapValue& e : elements)
        {
            out.Byte(static_cast<uint8_t>(e.subtype));
            Scalar(e);
        }
    }

    // Value, array, declaration and delete entries.
    void Simple(const RapEntry& e)
    {
        out.Byte(static_cast<uint8_t>(e.type));
        if (e.type == 1)
            out.Byte(static_cast<uint8_t>(e.value.subtype));
        Name(e.name);
        if (e.type == 1)
            Scalar(e.value);
        else if (e.type == 2)
            ArrayBody(e.value.elements);
    }

    // Inline layout: the body follows the class entry.
    void InlineClass(const std::string& name, const RapClass& c)
    {
        out.Byte(0);
        Name(name);
        out.Str(c.inherit);
        out.Count(static_cast<int>(c.entries.size()));
        for (const RapEntry& e : c.entries)
        {
            if (e.type == 0)
                InlineClass(e.name, *e.body);
            else
                Simple(e);
        }
    }

    // Arma layout: this body, then the subtrees of its classes in order.
    void Subtree(const RapClass& c)
    {
        out.Str(c.inherit);
        out.Count(static_cast<int>(c.entries.size()));
        std::vector<size_t> offsetAt;
        for (const RapEntry& e : c.entries)
        {
            if (e.type != 0)
            {
                Simple(e);
                continue;
            }
            out.Byte(0);
            out.Str(e.name);
            offsetAt.push_back(out.Size());
            out.Long(0);
        }
        size_t nextAt = out.Size();
        out.Long(0);
        size_t child = 0;
        for (const RapEntry& e : c.entries)
        {
            if (e.type != 0)
                continue;
            out.PatchLong(offsetAt[child++], static_cast<int32_t>(out.Size()));
            Subtree(*e.body);
        }
        out.PatchLong(nextAt, static_cast<int32_t>(out.Size()));
    }

    void Enums(const std::vector<RapEnum>& enums)
    {
        out.Long(static_cast<int32_t>(enums.size()));
        for (const RapEnum& e : enums)
            out.Str(e.name).Long(e.value);
    }

private:
    bool indexed;
    std::map<std::string, int> table;
};

Bytes Banked(const RapClass& root, const std::vector<RapEnum>& enums, const Bytes* signature)
{
    Writer w(false);
    w.out.Raw({0x00, 0x72, 0x61, 0x50});
    if (signature)
        w.out.Raw(*signature);
    w.out.Long(0).Long(8);
    size_t enumAt = w.out.Size();
    w.out.Long(0);
    w.Subtree(root);
    w.out.PatchLong(enumAt, static_cast<int32_t>(w.out.Size()));
    w.Enums(enums);
    return w.out.Get();
}
} // namespace

Bytes ArmaBytes(const RapClass& root, const std::vector<RapEnum>& enums)
{
    return Banked(root, enums, nullptr);
}

Bytes XboxBytes(const RapClass& root, const std::vector<RapEnum>& enums, const Bytes& signature)
{
    return Banked(root, enums, &signature);
}

Bytes InlineBytes(const std::string& rootName, const RapClass& root, const std::vector<RapEnum>& enums)
{
    Writer w(true);
    w.out.Raw({0x00, 0x72, 0x61, 0x50, 0x04, 0x00, 0x00});
    w.InlineClass(rootName, root);
    w.Enums(enums);
    return w.out.Get();
}

Bytes InlineReusedString(const std::string& word, int uses)
{
    RapBytes b;
    b.Raw({0x00, 0x72, 0x61, 0x50, 0x04, 0x00, 0x00});
    b.Byte(0).Count(0).Str("r").Str("").Count(1); // class r, no inherit, 1 entry
    b.Byte(2).Count(1).Str("a").Count(uses);      // array a
    b.Byte(0).Count(2).Str(word);
    for (int i = 1; i < uses; ++i)
        b.Byte(0).Count(2);
    return b.Long(0).Get();
}

const Bytes kArmaA1 = {0x00, 0x72, 0x61, 0x50, 0x00, 0x00, 0x00, 0x00, 0x08, 0x00, 0x00, 0x00,
                       0x1E, 0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x02, 0x61, 0x00, 0x01, 0x00,
                       0x00, 0x00, 0x1E, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};

const Bytes kInlineA1 = {0x00, 0x72, 0x61, 0x50, 0x04, 0x00, 0x00, 0x00, 0x00, 0x63, 0x6F, 0x6E,
                         0x66, 0x69, 0x67, 0x2E, 0x63, 0x70, 0x70, 0x00, 0x00, 0x01, 0x01, 0x02,
                         0x01, 0x61, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
} // namespace testsupport
