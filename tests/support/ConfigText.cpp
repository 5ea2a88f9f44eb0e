// Random config source texts from a seed (see ConfigText.h).

#include "ConfigText.h"

#include <random>
#include <vector>

namespace testsupport
{
namespace
{
const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ";
const char kWordChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
// Characters of quoted strings: nothing that starts a comment, a directive,
// a continuation or a parenthesised group.
const char kQuotedChars[] = "abcdefghijklmnopqrstuvwxyz ABCDEFGHIJKLMNOPQRSTUVWXYZ 0123456789 .,-+_'!?)[]{}:;=&*%";

class Generator
{
public:
    Generator(uint32_t seed, const ConfigTextOptions& options) : rng(seed), options(options)
    {
        size_t big = options.targetBytes > 100000;
        // Pools keep the distinct strings under what the inline layout can
        // index, however long the text.
        for (int i = 0, n = big ? 3000 : 60; i < n; ++i)
            names.push_back(Word(3, 10));
        for (int i = 0, n = big ? 10000 : 80; i < n; ++i)
            words.push_back(Word(2, 12));
        for (int i = 0; big && i < 4000; ++i)
            quoted.push_back(NewQuoted());
    }

    std::string File()
    {
        Value(0); // a root body with at least one entry
        size_t target = options.targetBytes ? options.targetBytes : 300 + Pick(4000);
        while (out.size() < target)
        {
            if (options.targetBytes)
                Class(1, 20 + Pick(60));
            else
                Statement(0);
        }
        return out;
    }

private:
    int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }
    bool Chance(int percent) { return Pick(100) < percent; }

    std::string Word(int minLength, int maxLength)
    {
        for (;;)
        {
            std::string w(1, kLetters[Pick(sizeof kLetters - 1)]);
            for (int n = minLength + Pick(maxLength - minLength + 1); static_cast<int>(w.size()) < n;)
                w += kWordChars[Pick(sizeof kWordChars - 1)];
            static const char* const keywords[] = {"class", "enum", "extern", "intern", "delete"};
            bool keyword = false;
            for (const char* k : keywords)
                keyword = keyword || Lower(w) == k;
            if (!keyword)
                return w;
        }
    }

    static std::string Lower(std::string s)
    {
        for (char& c : s)
            if (c >= 'A' && c <= 'Z')
                c = static_cast<char>(c + 32);
        return s;
    }

    // A pooled name, sometimes in another letter case.
    std::string Name()
    {
        std::string n = names[Pick(static_cast<int>(names.size()))];
        if (Chance(10))
            for (char& c : n)
                if (c >= 'a' && c <= 'z')
                    c = static_cast<char>(c - 32);
        return n;
    }

    std::string Integer()
    {
        switch (Pick(6))
        {
        case 0:
            return std::to_string(-Pick(1000000));
        case 1:
            return Chance(50) ? "2147483647" : "-2147483648";
        default:
            return std::to_string(Pick(100000));
        }
    }

    // Not a whole number, at most six significant digits, between 1e-4 and
    // 1e6 in magnitude.
    std::string Float()
    {
        for (;;)
        {
            long mantissa = 1 + Pick(999999);
            int scale = 1 + Pick(9);
            long unit = 1;
            for (int i = 0; i < scale; ++i)
                unit *= 10;
            double value = static_cast<double>(mantissa) / static_cast<double>(unit);
            if (mantissa % unit == 0 || value < 1e-4 || value >= 1e6)
                continue;
            std::string digits = std::to_string(mantissa);
            if (static_cast<int>(digits.size()) <= scale)
                digits.insert(0, static_cast<size_t>(scale) + 1 - digits.size(), '0');
            digits.insert(digits.size() - static_cast<size_t>(scale), ".");
            return Chance(30) ? "-" + digits : digits;
        }
    }

    std::string Quoted() { return quoted.empty() ? NewQuoted() : quoted[Pick(static_cast<int>(quoted.size()))]; }

    std::string NewQuoted()
    {
        std::string s;
        switch (Pick(5))
        {
        case 0:
            break; // ""
        case 1:
            s = "said \"\"" + words[Pick(static_cast<int>(words.size()))] + "\"\" twice \"\"\"\"";
            break;
        case 2:
            for (int n = 200 + Pick(2500); static_cast<int>(s.size()) < n;)
                s += kQuotedChars[Pick(sizeof kQuotedChars - 1)];
            break;
        default:
            for (int n = 1 + Pick(20); static_cast<int>(s.size()) < n;)
                s += kQuotedChars[Pick(sizeof kQuotedChars - 1)];
            break;
        }
        // An element that begins with '_' or "(_" is written unquoted where
        // bodies lie apart; such texts are kept to single words.
        if (!s.empty() && (s[0] == '_' || s[0] == '('))
            s.insert(0, "q");
        return "\"" + s + "\"";
    }

    // A value as written after '=' or as an array element.
    std::string Scalar(bool element)
    {
        switch (Pick(element ? 6 : 5))
        {
        case 0:
            return Integer();
        case 1:
            return Float();
        case 2:
            return Quoted();
        case 3:
            return words[Pick(static_cast<int>(words.size()))];
        case 4:
            return "\"" + words[Pick(static_cast<int>(words.size()))] + "\"";
        default:
            return "_" + words[Pick(static_cast<int>(words.size()))];
        }
    }

    void Value(int depth)
    {
        Indent(depth);
        out += Name() + " = " + (Chance(3) ? std::string() : Scalar(false)) + ";\n";
    }

    std::string Elements(int depth)
    {
        std::string s = "{";
        for (int i = 0, n = Pick(depth > 3 ? 3 : 8); i < n; ++i)
        {
            if (i)
                s += Chance(5) ? ",," : ", ";
            s += depth < 5 && Chance(15) ? Elements(depth + 1) : Scalar(true);
        }
        return s + "}";
    }

    void Array(int depth)
    {
        Indent(depth);
        out += Name() + "[] = " + Elements(0) + ";\n";
    }

    void Class(int depth, int entries)
    {
        Indent(depth);
        out += "class " + Name();
        if (Chance(25))
            out += " : " + Name();
        out += entries ? " {\n" : " {};\n";
        if (!entries)
            return;
        for (int i = 0; i < entries; ++i)
            Statement(depth + 1);
        Indent(depth);
        out += "};\n";
    }

    void Statement(int depth)
    {
        int roll = Pick(100);
        if (roll < 40)
            Value(depth);
        else if (roll < 60)
            Array(depth);
        else if (roll < 80 && depth < 6)
            Class(depth, Pick(6));
        else if (roll < 82 && depth < 3)
            Class(depth, 128 + Pick(100)); // a two-byte entry count
        else if (roll < 83 && depth == 0)
            Chain(depth, 20 + Pick(30));
        else if (roll < 88)
            Declaration(depth);
        else if (roll < 90 && enumerators < 400)
            Enum(depth);
        else
            Value(depth);
    }

    // Classes nested inside each other, one value at the bottom.
    void Chain(int depth, int levels)
    {
        for (int i = 0; i < levels; ++i)
        {
            Indent(depth + i);
            out += "class " + Name() + " {\n";
        }
        Value(depth + levels);
        for (int i = levels - 1; i >= 0; --i)
        {
            Indent(depth + i);
            out += "};\n";
        }
    }

    void Declaration(int depth)
    {
        Indent(depth);
        switch (Pick(options.declarations ? 4 : 2))
        {
        case 0:
            out += "extern class " + Name() + ";\n";
            break;
        case 1:
            out += "delete " + Name() + ";\n";
            break;
        case 2:
            out += "class " + Name() + ";\n";
            break;
        default:
            out += "intern " + Name() + ";\n";
            break;
        }
    }

    void Enum(int depth)
    {
        Indent(depth);
        out += "enum {";
        for (int i = 0, n = 1 + Pick(5); i < n; ++i, ++enumerators)
        {
            out += (i ? ", E" : " E") + std::to_string(enumerators);
            if (Chance(30))
                out += " = " + std::to_string(Pick(100000));
        }
        out += " };\n";
    }

    void Indent(int depth) { out.append(static_cast<size_t>(depth), '\t'); }

    std::mt19937 rng;
    ConfigTextOptions options;
    std::vector<std::string> names;
    std::vector<std::string> words;
    std::vector<std::string> quoted;
    std::string out;
    int enumerators = 0;
};
} // namespace

std::string GenerateConfigText(uint32_t seed, const ConfigTextOptions& options)
{
    return Generator(seed, options).File();
}
} // namespace testsupport
