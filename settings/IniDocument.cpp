#include "IniDocument.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

namespace lumo {

namespace {

constexpr std::string_view blanks = " \t";
constexpr std::string_view lineBreaks = "\r\n";
constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

std::string_view trimmed(std::string_view text)
{
    const std::size_t first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return std::ranges::equal(a, b, [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

// The name in a section line, "[name]" with anything after the bracket ignored.
std::optional<std::string_view> sectionName(std::string_view line)
{
    const std::string_view text = trimmed(line);
    if (!text.starts_with('['))
        return std::nullopt;
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trimmed(text.substr(1, close - 1));
}

// The key of a line "key=value"; comments, section lines and lines without "=" hold none.
std::optional<std::string_view> keyName(std::string_view line)
{
    const std::string_view text = trimmed(line);
    if (text.empty() || text.front() == ';' || text.front() == '[')
        return std::nullopt;
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos)
        return std::nullopt;
    const std::string_view key = trimmed(text.substr(0, equals));
    if (key.empty())
        return std::nullopt;
    return key;
}

bool isEnclosedInQuotes(std::string_view value)
{
    return value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front();
}

std::string valueOfLine(std::string_view line)
{
    std::string_view value = trimmed(line.substr(line.find('=') + 1));
    if (isEnclosedInQuotes(value))
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

std::string storableValue(std::string_view value)
{
    value = value.substr(0, value.find_first_of(lineBreaks));
    const bool changedByReading = !value.empty()
        && (blanks.find(value.front()) != std::string_view::npos
            || blanks.find(value.back()) != std::string_view::npos || isEnclosedInQuotes(value));
    if (changedByReading)
        return '"' + std::string(value) + '"';
    return std::string(value);
}

// A name that reading would trim, that would end its line early or make it a comment or a
// section line could never be found again.
void requireStorableName(std::string_view name, std::string_view forbidden, std::string_view forbiddenFirst)
{
    if (name.empty() || trimmed(name).size() != name.size()
        || name.find_first_of(lineBreaks) != std::string_view::npos
        || name.find_first_of(forbidden) != std::string_view::npos
        || forbiddenFirst.find(name.front()) != std::string_view::npos)
        throw std::invalid_argument("Not a name for an INI file: " + std::string(name));
}

} // namespace

IniDocument::IniDocument(std::string_view text)
{
    if (text.starts_with(byteOrderMark)) {
        byteOrderMark_ = byteOrderMark;
        text.remove_prefix(byteOrderMark.size());
    }
    bool newlineKnown = false;
    while (!text.empty()) {
        const std::size_t lineFeed = text.find('\n');
        const std::string_view piece =
            lineFeed == std::string_view::npos ? text : text.substr(0, lineFeed + 1);
        text.remove_prefix(piece.size());

        std::size_t endLength = 0;
        if (piece.ends_with("\r\n"))
            endLength = 2;
        else if (piece.ends_with('\n') || piece.ends_with('\r'))
            endLength = 1;
        Line line{std::string(piece.substr(0, piece.size() - endLength)),
                  std::string(piece.substr(piece.size() - endLength))};
        if (!newlineKnown && line.end.ends_with('\n')) {
            newline_ = line.end;
            newlineKnown = true;
        }
        lines_.push_back(std::move(line));
    }
}

std::optional<std::string> IniDocument::value(std::string_view section, std::string_view key) const
{
    const std::optional<std::size_t> header = findSection(section);
    if (!header)
        return std::nullopt;
    const std::optional<std::size_t> line = findKey(*header, key);
    if (!line)
        return std::nullopt;
    return valueOfLine(lines_[*line].content);
}

void IniDocument::setValue(std::string_view section, std::string_view key, std::string_view value)
{
    requireStorableName(section, "]", "");
    requireStorableName(key, "=", ";[");

    const std::string stored = storableValue(value);
    const std::string entry = std::string(key) + '=' + stored;
    const std::optional<std::size_t> header = findSection(section);
    if (!header) {
        if (!lines_.empty() && !trimmed(lines_.back().content).empty())
            insertLine(lines_.size(), {});
        insertLine(lines_.size(), '[' + std::string(section) + ']');
        insertLine(lines_.size(), entry);
        return;
    }

    if (const std::optional<std::size_t> at = findKey(*header, key)) {
        // The key keeps its own spelling and the blanks that the file has around "=".
        std::string &content = lines_[*at].content;
        const std::size_t valueStart = content.find_first_not_of(blanks, content.find('=') + 1);
        content = content.substr(0, std::min(valueStart, content.size())) + stored;
        return;
    }

    // Blank lines at the end of a section separate it from the next one; the new key goes
    // above them.
    std::size_t last = *header;
    const std::size_t end = sectionEnd(*header);
    for (std::size_t i = *header + 1; i < end; ++i)
        if (!trimmed(lines_[i].content).empty())
            last = i;
    insertLine(last + 1, entry);
}

std::string IniDocument::text() const
{
    std::string text = byteOrderMark_;
    for (const Line &line : lines_)
        text += line.content + line.end;
    return text;
}

std::optional<std::size_t> IniDocument::findSection(std::string_view section) const
{
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        const std::optional<std::string_view> name = sectionName(lines_[i].content);
        if (name && equalIgnoringCase(*name, section))
            return i;
    }
    return std::nullopt;
}

std::size_t IniDocument::sectionEnd(std::size_t header) const
{
    std::size_t i = header + 1;
    while (i < lines_.size() && !sectionName(lines_[i].content))
        ++i;
    return i;
}

std::optional<std::size_t> IniDocument::findKey(std::size_t header, std::string_view key) const
{
    const std::size_t end = sectionEnd(header);
    for (std::size_t i = header + 1; i < end; ++i) {
        const std::optional<std::string_view> name = keyName(lines_[i].content);
        if (name && equalIgnoringCase(*name, key))
            return i;
    }
    return std::nullopt;
}

void IniDocument::insertLine(std::size_t position, std::string content)
{
    // The line above may be the last of the file, with no line end or a bare CR.
    if (position > 0 && !lines_[position - 1].end.ends_with('\n'))
        lines_[position - 1].end = newline_;
    lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(position),
                  Line{std::move(content), newline_});
}

} // namespace lumo
