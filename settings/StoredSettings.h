#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace lumo {

// What the main window keeps from one run to the next, in section "SYSTEM" of the
// settings file.
struct StoredSettings {
    std::string fileIn;  // "FileIn": the text of the donor file field
    std::string fileOut; // "FileOut": the text of the target file field
    // "RB1" .. "RB16": checked[n - 1] is Checked of RadioButton<n>.
    std::array<bool, 16> checked{};

    bool operator==(const StoredSettings &) const = default;
};

// The window cuts each restored text to this many characters, as the Windows service
// returns no more into the buffer that the text is read into.
inline constexpr std::size_t storedTextMaxCharacters = 2047;

// The stored values, or the defaults (empty texts, nothing checked) for every key that is
// missing; a missing or unreadable file gives all defaults and reports nothing. A button
// is checked when its value is a whole number other than 0.
StoredSettings loadSettings(const std::string &path);

// Writes all eighteen keys in the order FileIn, FileOut, RB1 .. RB16, the buttons as "1"
// or "0", keeping whatever else the file holds; creates the file when it is missing. All
// of them reach the file together or none does (updateIniFile).
// Throws IniFileError: "Unable to write to <full path>".
void saveSettings(const std::string &path, const StoredSettings &settings);

} // namespace lumo
