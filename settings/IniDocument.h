#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumo {

// The text of an INI file read and written the way the Windows private-profile service
// does it, because operators and other tools read and edit the file by hand. The text is
// kept line by line, so that sections, keys and comments that are not ours survive a save
// where they were. Text is bytes in the system's 8-bit code page and is never converted.
class IniDocument {
public:
    // An empty file; its lines will end in CR LF, as private-profile files do.
    IniDocument() = default;
    explicit IniDocument(std::string_view text);

    // The value of the first key of that name in the first section of that name, names
    // compared without regard to ASCII letter case. Blanks around the value are dropped,
    // then one pair of double or single quotation marks that encloses all of it.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Updates the key where it stands, or appends it at the end of its section, or appends
    // the section at the end of the file. The value is written as it is, without escapes;
    // it ends at its first line break, since a line holds one key. A value that reading
    // would change (blanks at an end, or wholly in quotation marks) is written inside one
    // more pair of double quotation marks, which this reader and the Windows service drop.
    // Throws std::invalid_argument for a name that cannot stand in such a file.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    std::string text() const;

private:
    struct Line {
        std::string content;
        std::string end;
    };

    std::optional<std::size_t> findSection(std::string_view section) const;
    std::size_t sectionEnd(std::size_t header) const;
    std::optional<std::size_t> findKey(std::size_t header, std::string_view key) const;
    void insertLine(std::size_t position, std::string content);

    std::vector<Line> lines_;
    std::string byteOrderMark_;
    std::string newline_ = "\r\n";
};

} // namespace lumo
