// Script checker: the code every kind of script line gives, messages, and
// hostile or oversized input.
#include <gtest/gtest.h>

#include <string>

#include "RazDLL.h"
#include "sqs/DeSqs.h"
#include "support/Capture.h"
#include "support/TempDir.h"

namespace
{
using testsupport::TempDir;

// Writes the script to a file and checks it; the code Process answers.
int Check(DeSqs& checker, const std::string& script, ProgressCallback callback = nullptr)
{
    TempDir dir;
    dir.Put("t.sqs", script);
    int opened = checker.Open(dir.Path("t").c_str(), callback);
    if (opened != 0)
        return 1000 + opened;
    int code = checker.Process();
    checker.Close();
    return code;
}

int Check(const std::string& script)
{
    DeSqs checker;
    return Check(checker, script);
}

struct Row
{
    const char* script;
    int code;
};

const Row rows[] = {
    // Assignments and the variable list.
    {"x = 5", 0},
    {"x =5", 0},
    {"x=5", 0},
    {"x = 5\r\nx = \"a\"", 29},
    {"X = 5\r\nx = \"a\"", 29},
    {"x = 5\r\nx = 7", 0},
    {"_a = _b\r\n_a = 5\r\n_a = [1]", 29},
    {"player = 5", 29},
    {"_this = [1]", 0},
    {"x =", 30},
    {"x = hint \"a\"", 30},
    {"= 5", 14},
    {"5x = 1", 14},
    {"x = 5 + 3 * 2 / 4 ^ 2", 0},
    {"x = -5", 0},
    {"x = 1.5", 0},
    {"x = .5", 0},
    {"x = 1.5.2", 15},
    {"x = 5a", 15},
    // Line kinds.
    {"@true", 0},
    {"@ alive player", 0},
    {"@(a > b)", 0},
    {"@5", 31},
    {"@_unknown", 31},
    {"@\"abc", 17},
    {"~5", 0},
    {"~_t", 0},
    {"~ random 5", 0},
    {"~\"a\"", 32},
    {"? a > 1 : hint \"x\"", 0},
    {"? _flag : goto \"loop\"", 0},
    {"?(a > 1) and (b < 2) : exit", 0},
    {"? hint \"x\"", 37},
    {"? alive player", 37},
    {"? 5 : hint \"x\"", 37},
    {"? a > 1 : hint 5", 99},
    {"#loop", 0},
    {"# loop and more", 0},
    {"#\"x\"", 10},
    {"#", 10},
    {"#1", 0}, // a label name may start with a digit
    {"; ))) [[ \"", 0},
    {"\thint\t\"a\"", 0},
    {"\r\n\r\n", 0},
    {"hint \"a\"\nhint \"b\"\n)", 41},
    // Strings, code blocks and arrays.
    {"hint \"he said \"\"hi\"\"\"", 0},
    {"hint \"abc", 17},
    {"x = \"\"", 0},
    {"hint \"\"", 0},
    {"x = \"\"\r\nx = \"b\"", 0},
    {"hint \"\"\"quoted\"\" text\"", 0},
    {"hint \"\"\"", 17},
    {"x = {hint \"a\"}", 0},
    {"x = {hint \"a\"", 17},
    {"a = [1,[2,3]", 12},
    {"a = [1,[2,3]]", 0},
    {"a = [[1],[2]]", 0},
    {"hint format [\"%1\", _x]", 0},
    // Front operands and arguments.
    {"setPos [1,2,3]", 27},
    {"\"x\" setPos [1,2,3]", 27},
    {"player setPos [1,2,3]", 0},
    {"_unit setPos [1,2,3]", 0},
    {"player setPos \"x\"", 99},
    {"[1] doWatch [2]", 0},
    {"player doWatch [2]", 0},
    {"5 doWatch [2]", 27},
    {"x = _u in [1]", 0},
    {"x = _u in player", 99},
    {"x = true AND false", 0},
    {"x = true and false", 0},
    {"x = 5 And false", 27},
    {"[] exec \"a.sqs\"", 0},
    {"hint setPos [1,2,3]", 27},
    {"hint 5a \"x\"", 15}, // an error inside an argument is not stepped over
    {"player addEventHandler [\"killed\", {_this exec \"k.sqs\"}]", 0},
    // Operators and parentheses.
    {"a <= 5", 0},
    {"x = a != b", 0},
    {"x = a == b", 0},
    {"x = !alive player", 0},
    {"x = (1 + 2) * 3", 0},
    {")", 41},
    {"(a", 36}, // a parenthesis left open is an error
    {": hint \"a\"", 58},
    {"hint \"a\" ? x", 38},
    {"x = 1 @ 2", 38},
    {"x = 1; y = \"a\"; y = 2", 29},
};

TEST(DeSqs, ScriptCodes)
{
    for (const Row& row : rows)
        EXPECT_EQ(Check(row.script), row.code) << row.script;
}

TEST(DeSqs, LfAndCrLfLinesAgree)
{
    for (const Row& row : rows)
    {
        std::string lf = row.script;
        for (size_t at; (at = lf.find("\r\n")) != std::string::npos;)
            lf.erase(at, 1);
        EXPECT_EQ(Check(lf), row.code) << lf;
    }
}

TEST(DeSqs, OpenAndProcessWithoutFile)
{
    DeSqs checker;
    EXPECT_EQ(checker.Process(), 1);
    EXPECT_EQ(checker.Open("/nonexistent/folder/script", nullptr), 1);
    EXPECT_EQ(checker.Process(), 1);
    EXPECT_EQ(Check(checker, ""), 1001); // an empty file cannot be opened

    // ".sqs" is added unless the name already ends so, in any letter case.
    TempDir dir;
    dir.Put("A.SQS", "hint \"a\"");
    EXPECT_EQ(checker.Open(dir.Path("A.SQS").c_str(), nullptr), 0);
    EXPECT_EQ(checker.Process(), 0);
#if !defined(_WIN32) // names that differ only in case are one file there
    EXPECT_EQ(checker.Open(dir.Path("A").c_str(), nullptr), 1);
#endif
}

TEST(DeSqs, CallbackSeesEveryRawLine)
{
    testsupport::Capture::Reset();
    DeSqs checker;
    EXPECT_EQ(Check(checker, "; note\r\nhint \"a\"\n\tx = 1", &testsupport::Capture::Callback), 0);
    ASSERT_EQ(testsupport::Capture::lines.size(), 3u);
    EXPECT_EQ(testsupport::Capture::lines[0], "; note\r\n");
    EXPECT_EQ(testsupport::Capture::lines[1], "hint \"a\"\n");
    EXPECT_EQ(testsupport::Capture::lines[2], "\tx = 1");
}

TEST(DeSqs, Messages)
{
    DeSqs checker;
    const struct
    {
        int code;
        const char* text;
    } texts[] = {
        {0, "Sqs: No Error(s)"},
        {1, "Sqs: no file"},
        {4, "Sqs: missing quites"},
        {14, "Sqs: not token assign,ent"},
        {21, "Sqs: bullshit"},
        {23, "SQSERR_NO_FRONT_OBJECT"},
        {24, "sqs: command does not return anythign"},
        {37, "Sqs: ERRSQS_BAD_WHICH"},
        {41, "Unexpected )"},
        {58, "Unexpected : "},
        {39, "Sqs: unknown error"},
        {99, "Sqs: unknown error"},
        {-1, "Sqs: unknown error"},
    };
    for (const auto& t : texts)
        EXPECT_STREQ(checker.ErrorString(t.code), t.text) << t.code;

    EXPECT_EQ(Check(checker, "x = 1\r\nsetPos [1,2,3]"), 27);
    EXPECT_STREQ(checker.ErrorString(27), "SQS: command 'setPos' needs front");
    EXPECT_STREQ(checker.ErrorString(28), "Sqs: The 'setPos' command has a mismatched front type ");
    EXPECT_STREQ(checker.ErrorString(38), "UNDECIPHERABLE_SYNTAX 'setPos'");

    // Each object formats its own token.
    DeSqs other;
    EXPECT_EQ(Check(other, "x = 1 ~ 2"), 38);
    EXPECT_STREQ(other.ErrorString(38), "UNDECIPHERABLE_SYNTAX ''");
    EXPECT_STREQ(checker.ErrorString(27), "SQS: command 'setPos' needs front");

    // The token text each script leaves behind: '#', '?', '@', '~' and ';'
    // are not part of it, a word before '#' is, and a comment line reads no
    // token at all.
    const struct
    {
        const char* script;
        int code;
        const char* token;
    } tokens[] = {
        {"x = a#b", 38, "a"},
        {"hint \"a\" @", 38, ""},
        {"x = 1 ?", 38, ""},
        {"(a) ; b", 0, ""},
        {"#loop\r\n; note", 0, "loop"},
        {"#loop\r\n\r\n", 0, ""},
        {"hint \"abc", 17, "\"abc"},
        {"x = b<=c", 0, ""},
        {"x = 1 + \"a\"", 99, ""},
        {"_u domove  [1,2]", 0, ""},
        {"player sETpos [1]", 0, ""},
        {"#a = 5", 10, "a"},
        {"; note", 0, ""},
    };
    for (const auto& t : tokens)
    {
        EXPECT_EQ(Check(checker, t.script), t.code) << t.script;
        EXPECT_EQ(checker.ErrorString(22), "Sqs: LABEL '" + std::string(t.token) + "' NOT_ASSIGNED") << t.script;
    }
}

TEST(DeSqs, LongLinesAndPieces)
{
    const size_t longest = DeSqs::LineSize - 1;
    const std::string word(longest, 'w');
    const std::string text = "\"" + std::string(longest - 2, 's') + "\"";
    const std::string array = "[" + std::string(longest - 2, '1') + "]";
    const std::string nested = std::string(longest / 2, '[') + std::string(longest / 2, ']') + " ";
    const std::string parens = std::string(longest, '(');
    const std::string nots = "x = " + std::string(longest - 8, '!') + "true";
    std::string sums = "x = 1";
    while (sums.size() + 2 <= longest)
        sums += "+1";
    sums += std::string(longest - sums.size(), ' ');
    const std::string minuses = "x = " + std::string(longest - 4, '-');
    const Row longRows[] = {
        {word.c_str(), 0},
        {text.c_str(), 0},
        {array.c_str(), 0},
        {nested.c_str(), 0},
        // Every step nests one level deeper: the deepest lines there are.
        {parens.c_str(), 36},
        {nots.c_str(), 0},
        {sums.c_str(), 0},
        {minuses.c_str(), 99},
    };
    for (const Row& row : longRows)
    {
        ASSERT_EQ(std::string(row.script).size(), longest);
        EXPECT_EQ(Check(row.script), row.code) << std::string(row.script).substr(0, 8);
        EXPECT_EQ(Check(std::string(row.script) + "\r\n" + row.script), row.code);
    }
    EXPECT_EQ(Check(std::string(DeSqs::MaxDepth - 1, '(')), 36);
    EXPECT_EQ(Check(std::string(DeSqs::MaxDepth, '(')), 36);
    // A longer line arrives in pieces: the string of the first piece is open.
    EXPECT_EQ(Check("hint \"" + std::string(5000, 'a') + "\""), 17);
    EXPECT_EQ(Check(std::string(3000, 'a')), 0);
}

TEST(DeSqs, BinaryAndUnbalancedInput)
{
    std::string junk;
    for (int i = 0; i < 4096; ++i)
        junk += static_cast<char>((i * 131 + 7) % 256);
    const Row hostile[] = {
        {"\"\"\"\"\"\"\"", 17},
        {"[[[[", 12},
        {"x = ]]]]", 0},
        {"{{{{", 17},
        {"((((", 36},
        {"))))", 41},
        {"x = \"a\" \"b\" [1] {c} 5 6 7", 38}, // values without operators between them
    };
    for (const Row& row : hostile)
        EXPECT_EQ(Check(row.script), row.code) << row.script;
    // Binary bytes: a zero byte ends what is checked of a line, a lone
    // carriage return cuts it, any other byte is a word character.
    static const char zeroInLine[] = "hint \"a\"\0 ) ) )\r\n";
    static const char zeroLines[] = "x = 5\r\n\0\0\0\r\ny = 6";
    const struct
    {
        std::string script;
        int code;
    } binary[] = {
        {std::string(zeroInLine, sizeof zeroInLine - 1), 0},
        {std::string(zeroLines, sizeof zeroLines - 1), 0},
        {"hint \"a\"\r) ) )", 0},
        {"\xff\xfe\x01 = 5\r\n\x80 setPos [1]", 0},
        {"\x01\x02 )", 41},
    };
    for (const auto& row : binary)
        EXPECT_EQ(Check(row.script), row.code) << row.script;
    // The second line of the generated bytes holds a single quote.
    EXPECT_EQ(Check(junk), 17);
}

TEST(DeSqs, AggregateHoldsAChecker)
{
    RazDLL aggregate;
    EXPECT_EQ(Check(aggregate.desqs, "player setDammage 1"), 0);
}
} // namespace
