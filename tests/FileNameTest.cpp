#include "FileName.h"

#include "TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace lumo {
namespace {

struct WordCase {
    const char *name;
    std::string text;
    std::string fileName;
};

// None of these texts names an existing file, so each gives its first command-line word.
const WordCase wordCases[] = {
    {"plain path", "/no-such-lumo-folder/fw.bin", "/no-such-lumo-folder/fw.bin"},
    {"path with a blank names its first part", "/no-such-lumo-folder/my fw.bin", "/no-such-lumo-folder/my"},
    {"surrounding blanks", "  /no-such-lumo-folder/fw.bin  ", "/no-such-lumo-folder/fw.bin"},
    {"quoted path keeps its blanks, quotes dropped", "\"/no-such-lumo-folder/my fw.bin\" rest",
     "/no-such-lumo-folder/my fw.bin"},
    {"quoted stretch inside a word", "/no-such\"-lumo folder\"/fw.bin x", "/no-such-lumo folder/fw.bin"},
    {"quote left open runs to the end", "\"/no-such-lumo-folder/my fw.bin", "/no-such-lumo-folder/my fw.bin"},
    {"leading empty quote pairs skipped", "\"\" \"\"\"\"/no-such-lumo-folder/fw.bin", "/no-such-lumo-folder/fw.bin"},
    {"leading control characters skipped", "\t\r\n\x01/no-such-lumo-folder/fw.bin", "/no-such-lumo-folder/fw.bin"},
    {"control character ends the word", "/no-such-lumo-folder/fw.bin\tnext", "/no-such-lumo-folder/fw.bin"},
    {"empty text", "", ""},
    {"blanks and control characters only", " \t\x1f ", ""},
    {"only an empty quote pair", "  \"\"  ", ""},
    {"Cyrillic path", "/немає-такої-теки/прошивка №2.bin", "/немає-такої-теки/прошивка"},
    {"quoted Cyrillic path", "\"/немає-такої-теки/прошивка №2.bin\"", "/немає-такої-теки/прошивка №2.bin"},
    {"word longer than 256 characters comes back whole", "/no-such-lumo-folder/" + std::string(300, 'a') + " x",
     "/no-such-lumo-folder/" + std::string(300, 'a')},
};

TEST(FileNameTest, FirstCommandLineWordOfTextsNamingNoFile)
{
    for (const WordCase &c : wordCases)
        EXPECT_EQ(FileName(c.text), c.fileName) << c.name;
}

TEST(FileNameTest, ExistingFileNamedByTheWholeTextWins)
{
    const test::TempFolder folder;
    const std::string withBlank = folder.write("my firmware.bin", {1, 2, 3});
    const std::string cyrillic = folder.write("прошивка донора.bin", {1, 2, 3});
    std::filesystem::create_directory(folder.file("a folder"));

    EXPECT_EQ(FileName(withBlank), withBlank);
    EXPECT_EQ(FileName(cyrillic), cyrillic);
    // A folder is no file: the command-line rule applies.
    EXPECT_EQ(FileName(folder.file("a folder")), folder.file("a"));
    // Surrounding blanks make the text name no file; the word is then the part before the blank.
    EXPECT_EQ(FileName(" " + withBlank), folder.file("my"));
}

} // namespace
} // namespace lumo
