// Helpers for the config compiler tests: compile a text and render the class
// tree as one compact line, so a table row can state the whole expected tree.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "rapify/Classes.h"
#include "rapify/Rapify.h"
#include "support/Rows.h"

namespace rapifytest
{
// Values as I12, F1.5 or S"text"; classes as A:B{...}; declarations as
// extern A; and delete A;; arrays as x[]={...}. Entries are joined by ' '.
inline std::string Render(const Classes* node);

inline std::string RenderList(const Classes* first)
{
    std::string out;
    for (const Classes* n = first; n; n = n->next)
    {
        if (!out.empty())
            out += ' ';
        out += Render(n);
    }
    return out;
}

inline std::string RenderValue(const Classes* n);

inline std::string RenderElements(const Classes* first)
{
    std::string out;
    for (const Classes* n = first; n; n = n->next)
        out += (out.empty() ? "" : ",") + RenderValue(n);
    return out;
}

inline std::string RenderValue(const Classes* n)
{
    const char* t = n->text ? n->text : "";
    switch (n->kind)
    {
    case EntryKind::Integer:
        return std::string("I") + t;
    case EntryKind::Float:
        return std::string("F") + t;
    case EntryKind::String:
        return std::string("S\"") + t + "\"";
    case EntryKind::Array:
    case EntryKind::ArrayAppend:
        return "{" + RenderElements(n->child) + "}";
    default:
        return "?";
    }
}

inline std::string Render(const Classes* n)
{
    const std::string name = n->name ? n->name : "";
    switch (n->kind)
    {
    case EntryKind::Class:
        return name + (n->text ? std::string(":") + n->text : std::string()) + "{" + RenderList(n->child) + "}";
    case EntryKind::ExternClass:
        return "extern " + name + ";";
    case EntryKind::DeleteClass:
        return "delete " + name + ";";
    case EntryKind::Array:
        return name + "[]=" + RenderValue(n);
    case EntryKind::ArrayAppend:
        return name + "[]+=" + RenderValue(n);
    default:
        return name + "=" + RenderValue(n);
    }
}

struct Result
{
    int code;
    int lines;
    int returned;
    std::string tree; // the root's entries, or "-" when there is no tree
};

inline Result Compile(Rapify& compiler, const std::string& text, const char* path = "config.cpp", RazDLL* dll = nullptr)
{
    Result r;
    r.code = compiler.ProcessBuffer(text.c_str(), path, nullptr, dll);
    r.lines = compiler.LineCount();
    r.returned = compiler.GetReturnedToken();
    r.tree = compiler.GetFirstEntry() ? RenderList(compiler.GetFirstEntry()->child) : "-";
    return r;
}

inline Result Compile(const std::string& text)
{
    Rapify compiler;
    return Compile(compiler, text);
}

// One row of a compile table: the text and what a caller sees afterwards.
struct Row
{
    const char* text;
    int code;
    int lines;
    int returned;
    const char* tree;

    const char* Label() const { return text; }
};

// Compiles every row and compares its outcome. With a shared compiler every
// row goes through that one object (nothing may leak from one compile to the
// next, and no token is left behind); without one each row gets a fresh one.
template <size_t N>
void CheckCompiles(const Row (&rows)[N], Rapify* shared = nullptr)
{
    testsupport::CheckRows(rows, [shared](const Row& row) {
        Rapify fresh;
        Rapify& compiler = shared ? *shared : fresh;
        Result r = Compile(compiler, row.text);
        EXPECT_EQ(row.code, r.code);
        EXPECT_EQ(row.lines, r.lines);
        EXPECT_EQ(row.returned, r.returned);
        EXPECT_EQ(row.tree, r.tree);
        if (shared)
        {
            EXPECT_EQ(nullptr, compiler.GetReadToken());
        }
    });
}
} // namespace rapifytest
