#include "StoredSettings.h"

#include "IniDocument.h"
#include "IniFileIo.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace lumo {

namespace {

constexpr std::string_view section = "SYSTEM";

std::string buttonKey(std::size_t index)
{
    return "RB" + std::to_string(index + 1);
}

// A whole number, of any size, other than 0; the reader has already dropped the blanks
// and quotation marks around it.
bool readsAsChecked(const std::optional<std::string> &value)
{
    if (!value)
        return false;
    std::string_view digits = *value;
    if (digits.starts_with('-') || digits.starts_with('+'))
        digits.remove_prefix(1);
    return !digits.empty() && std::ranges::all_of(digits, [](char c) { return c >= '0' && c <= '9'; })
        && digits.find_first_not_of('0') != std::string_view::npos;
}

} // namespace

StoredSettings loadSettings(const std::string &path)
{
    StoredSettings settings;
    const std::optional<std::string> text = readIniFile(path);
    if (!text)
        return settings;
    const IniDocument document(*text);
    settings.fileIn = document.value(section, "FileIn").value_or("");
    settings.fileOut = document.value(section, "FileOut").value_or("");
    for (std::size_t i = 0; i < settings.checked.size(); ++i)
        settings.checked[i] = readsAsChecked(document.value(section, buttonKey(i)));
    return settings;
}

void saveSettings(const std::string &path, const StoredSettings &settings)
{
    updateIniFile(path, [&](IniDocument &document) {
        document.setValue(section, "FileIn", settings.fileIn);
        document.setValue(section, "FileOut", settings.fileOut);
        for (std::size_t i = 0; i < settings.checked.size(); ++i)
            document.setValue(section, buttonKey(i), settings.checked[i] ? "1" : "0");
    });
}

} // namespace lumo
