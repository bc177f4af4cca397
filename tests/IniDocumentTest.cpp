#include "IniDocument.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>

namespace lumo {
namespace {

// A file as an operator or another tool writes it on Windows.
const std::string handWritten =
    "; Lumo settings, edited by hand\r\n"
    "[Other]\r\n"
    "FileIn=not ours\r\n"
    "\r\n"
    "[ system ]\r\n"
    "  fileIN =  C:\\Прошивки\\нова 1.bin  \r\n"
    "FILEOUT\t=\t\"D:\\Target dir\\out.bin\"\r\n"
    "; the buttons\r\n"
    "rb1='1'\r\n"
    "RB2=\r\n"
    "RB3 = first\r\n"
    "RB3 = second\r\n"
    "RB4 = a = b\r\n"
    "RB5 = \"unbalanced\r\n"
    "RB6 = \"\r\n"
    "noequals\r\n"
    "\r\n"
    "[SYSTEM]\r\n"
    "RB7=later section of the same name\r\n";

TEST(IniDocumentTest, ReadsAFileWrittenTheWindowsWay)
{
    const IniDocument document(handWritten);
    struct Case {
        const char *section;
        const char *key;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {"SYSTEM", "FileIn", "C:\\Прошивки\\нова 1.bin"},
        {"System", "FileOut", "D:\\Target dir\\out.bin"},
        {"SYSTEM", "RB1", "1"},
        {"SYSTEM", "RB2", ""},
        {"SYSTEM", "RB3", "first"},
        {"SYSTEM", "RB4", "a = b"},
        {"SYSTEM", "RB5", "\"unbalanced"},
        {"SYSTEM", "RB6", "\""},
        {"SYSTEM", "noequals", std::nullopt},
        {"SYSTEM", "; the buttons", std::nullopt},
        {"SYSTEM", "RB7", std::nullopt},
        {"SYSTEM", "RB8", std::nullopt},
        {"other", "fileIn", "not ours"},
        {"Missing", "FileIn", std::nullopt},
    };
    for (const Case &c : cases)
        EXPECT_EQ(document.value(c.section, c.key), c.expected) << c.section << " / " << c.key;
}

TEST(IniDocumentTest, UpdatesKeysInPlaceAndKeepsEverythingElse)
{
    IniDocument document(handWritten);
    document.setValue("SYSTEM", "FileIn", "E:\\new.bin");
    document.setValue("SYSTEM", "rb3", "0");
    document.setValue("SYSTEM", "RB8", "1");
    document.setValue("SYSTEM", "RB9", "0");
    document.setValue("Other", "Extra", "x");
    document.setValue("Third", "Key", "value");

    EXPECT_EQ(document.text(),
              "; Lumo settings, edited by hand\r\n"
              "[Other]\r\n"
              "FileIn=not ours\r\n"
              "Extra=x\r\n"
              "\r\n"
              "[ system ]\r\n"
              "  fileIN =  E:\\new.bin\r\n"
              "FILEOUT\t=\t\"D:\\Target dir\\out.bin\"\r\n"
              "; the buttons\r\n"
              "rb1='1'\r\n"
              "RB2=\r\n"
              "RB3 = 0\r\n"
              "RB3 = second\r\n"
              "RB4 = a = b\r\n"
              "RB5 = \"unbalanced\r\n"
              "RB6 = \"\r\n"
              "noequals\r\n"
              "RB8=1\r\n"
              "RB9=0\r\n"
              "\r\n"
              "[SYSTEM]\r\n"
              "RB7=later section of the same name\r\n"
              "\r\n"
              "[Third]\r\n"
              "Key=value\r\n");
}

TEST(IniDocumentTest, WritesValuesSoThatTheyReadBackUnchanged)
{
    struct Case {
        std::string value;
        std::string line;
    };
    const Case cases[] = {
        {"C:\\Прошивки\\нова 1.bin", "Key=C:\\Прошивки\\нова 1.bin"},
        {"", "Key="},
        {"say \"hi\" and 'bye'", "Key=say \"hi\" and 'bye'"},
        {"\"", "Key=\""},
        {"'x", "Key='x"},
        {"a=b;c", "Key=a=b;c"},
        // Reading drops blanks at the ends and one pair of enclosing quotation marks, so
        // such values go inside one more pair of double quotation marks.
        {"  leading blanks", "Key=\"  leading blanks\""},
        {"trailing tab\t", "Key=\"trailing tab\t\""},
        {"\"C:\\Program Files\\a.bin\"", "Key=\"\"C:\\Program Files\\a.bin\"\""},
        {"'single'", "Key=\"'single'\""},
        {"\"\"", "Key=\"\"\"\""},
    };
    for (const Case &c : cases) {
        IniDocument document;
        document.setValue("S", "Key", c.value);
        EXPECT_EQ(document.text(), "[S]\r\n" + c.line + "\r\n") << c.value;
        EXPECT_EQ(IniDocument(document.text()).value("S", "Key"), c.value) << c.value;
    }
}

TEST(IniDocumentTest, AValueEndsAtItsFirstLineBreakSoItCannotAddKeys)
{
    IniDocument document;
    document.setValue("SYSTEM", "FileIn", "a.bin\r\nRB1=1\n[Other]");
    const IniDocument reread(document.text());
    EXPECT_EQ(reread.value("SYSTEM", "FileIn"), "a.bin");
    EXPECT_EQ(reread.value("SYSTEM", "RB1"), std::nullopt);
    EXPECT_EQ(document.text(), "[SYSTEM]\r\nFileIn=a.bin\r\n");
}

TEST(IniDocumentTest, KeepsTheLineEndsAndByteOrderMarkOfTheFile)
{
    struct Case {
        std::string before;
        std::optional<std::string> k;
        std::string after;
    };
    const Case cases[] = {
        {"[A]\nK=1\n", "1", "[A]\nK=1\nNew=v\n"},
        {"[A]\nK=1", "1", "[A]\nK=1\nNew=v\n"},
        {"[A]\r\nK=1\nX=2\r", "1", "[A]\r\nK=1\nX=2\r\nNew=v\r\n"},
        {"\xEF\xBB\xBF[A]\r\nK=1\r\n", "1", "\xEF\xBB\xBF[A]\r\nK=1\r\nNew=v\r\n"},
        {"", std::nullopt, "[A]\r\nNew=v\r\n"},
        {"; only a comment", std::nullopt, "; only a comment\r\n\r\n[A]\r\nNew=v\r\n"},
        {"\n\n", std::nullopt, "\n\n[A]\nNew=v\n"},
    };
    for (const Case &c : cases) {
        IniDocument document(c.before);
        EXPECT_EQ(document.value("A", "K"), c.k) << c.before;
        document.setValue("A", "New", "v");
        EXPECT_EQ(document.text(), c.after) << c.before;
    }
}

TEST(IniDocumentTest, RefusesNamesThatCouldNotBeFoundAgain)
{
    struct Case {
        std::string section;
        std::string key;
    };
    const Case cases[] = {
        {"", "Key"},       {"S", ""},          {" S", "Key"},     {"S", "Key "},
        {"S]", "Key"},     {"S", "K=y"},       {"S", ";Key"},     {"S", "[Key"},
        {"S\r\n", "Key"},  {"S", "Ke\ny"},
    };
    for (const Case &c : cases) {
        IniDocument document("[S]\r\nKey=1\r\n");
        EXPECT_THROW(document.setValue(c.section, c.key, "v"), std::invalid_argument)
            << c.section << " / " << c.key;
        EXPECT_EQ(document.text(), "[S]\r\nKey=1\r\n");
    }
}

} // namespace
} // namespace lumo
