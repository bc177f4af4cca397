// lumo.ini must read the same to the Windows private-profile service as to Lumo, since
// operators and their other tools read and edit it with that service: what Lumo saves,
// GetPrivateProfileStringA reads back unchanged, and what WritePrivateProfileStringA writes,
// Lumo loads as Windows itself reads it.
#include "StoredSettings.h"
#include "TempFolder.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>
#include <windows.h>

namespace lumo {
namespace {

using test::readText;
using test::TempFolder;
using test::writeText;

constexpr const char *missing = "<missing>";

std::vector<std::string> keyNames()
{
    std::vector<std::string> keys{"FileIn", "FileOut"};
    for (int n = 1; n <= 16; ++n)
        keys.push_back("RB" + std::to_string(n));
    return keys;
}

// The eighteen values as the settings give them, the buttons as "1" or "0".
std::vector<std::string> valuesOf(const StoredSettings &settings)
{
    std::vector<std::string> values{settings.fileIn, settings.fileOut};
    for (const bool checked : settings.checked)
        values.push_back(checked ? "1" : "0");
    return values;
}

// The eighteen values as Windows reads them from section "SYSTEM" of the file.
std::vector<std::string> windowsValues(const std::string &path)
{
    std::vector<std::string> values;
    for (const std::string &key : keyNames()) {
        std::array<char, storedTextMaxCharacters + 1> buffer{};
        const DWORD length = GetPrivateProfileStringA("SYSTEM", key.c_str(), missing, buffer.data(),
                                                      static_cast<DWORD>(buffer.size()), path.c_str());
        values.emplace_back(buffer.data(), length);
    }
    return values;
}

StoredSettings settingsWith(std::string fileIn, std::string fileOut, std::initializer_list<int> checked)
{
    StoredSettings settings;
    settings.fileIn = std::move(fileIn);
    settings.fileOut = std::move(fileOut);
    for (const int n : checked)
        settings.checked[static_cast<std::size_t>(n - 1)] = true;
    return settings;
}

// Texts that a reader may trim or unquote, in both fields.
const StoredSettings settingsCases[] = {
    settingsWith("C:\\Firmware\\a.bin", "D:\\Target\\out.bin", {1, 4}),
    settingsWith("C:\\Program Files\\Lumo\\donor 1.bin", "\\\\server\\share\\my target.bin", {2, 15}),
    settingsWith("   C:\\leading blanks.bin", "trailing blank ", {13}),
    settingsWith("\"C:\\Program Files\\Lumo\\donor.bin\"", "'D:\\single quoted.bin'", {7, 9}),
    settingsWith("say \"x\" = 'y'; not a comment", "", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}),
    settingsWith("", "", {}),
};

// Files as operators and other tools leave them: another section around "SYSTEM", names in
// other letter case, blanks around "=", line feeds alone.
const char *const startingFiles[] = {
    "",
    "[Other]\r\nFileIn=not ours\r\nRB1=1\r\n",
    "; kept by hand\r\n[system]\r\nfileIN = old.bin\r\nrb16=1\r\n\r\n[Other tool]\r\nFileOut=not ours\r\n",
    "[Other]\nKey=kept\n[System]\nFileOut=old\nRb2=1\n",
};

TEST(PrivateProfileTest, WindowsReadsWhatTheSaveWrote)
{
    const TempFolder folder;
    int number = 0;
    for (const char *start : startingFiles) {
        for (const StoredSettings &settings : settingsCases) {
            // A file of its own for each case, as the service keeps the last file it read.
            const std::string path = folder.file("saved" + std::to_string(++number) + ".ini");
            writeText(path, start);
            saveSettings(path, settings);
            SCOPED_TRACE(readText(path));
            EXPECT_EQ(windowsValues(path), valuesOf(settings));
        }
    }
}

TEST(PrivateProfileTest, TheLoadReadsWhatWindowsWroteAsWindowsReadsIt)
{
    const TempFolder folder;
    int number = 0;
    for (const char *start : startingFiles) {
        for (const StoredSettings &settings : settingsCases) {
            const std::string path = folder.file("written" + std::to_string(++number) + ".ini");
            writeText(path, start);
            const std::vector<std::string> keys = keyNames();
            const std::vector<std::string> values = valuesOf(settings);
            for (std::size_t i = 0; i < keys.size(); ++i)
                ASSERT_TRUE(WritePrivateProfileStringA("SYSTEM", keys[i].c_str(), values[i].c_str(), path.c_str()));
            WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str()); // to the disk; reports FALSE
            SCOPED_TRACE(readText(path));
            const std::vector<std::string> windows = windowsValues(path);
            EXPECT_EQ(valuesOf(loadSettings(path)), windows);
            // Windows itself trims the blanks around a value and drops one pair of quotation
            // marks around it, and so does the load; every other text comes back whole.
            for (std::size_t i = 0; i < keys.size(); ++i) {
                const std::string &value = values[i];
                const bool trimmedByWindows = !value.empty()
                    && (value.front() == ' ' || value.back() == ' '
                        || (value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
                            && value.back() == value.front()));
                if (!trimmedByWindows) {
                    EXPECT_EQ(windows[i], value) << keys[i];
                }
            }
        }
    }
}

} // namespace
} // namespace lumo
