#include "StoredFieldText.h"

#include "StoredSettings.h"

#include <optional>
#include <string_view>

namespace {

QString decoded(std::string_view bytes)
{
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The cut counts characters, not bytes or UTF-16 units, so that no character is split.
QString firstCharacters(const QString &text, std::size_t count)
{
    const std::u32string characters = text.toStdU32String();
    if (characters.size() <= count)
        return text;
    return QString::fromStdU32String(characters.substr(0, count));
}

// The leading bytes of `stored` that decode to `leading`, which is the start of their whole
// decoding. Decoding more bytes never gives a shorter text, so a binary search finds the
// fewest bytes that give as long a text; the last character's bytes may reach a little
// further than that.
std::optional<std::string> leadingBytes(const std::string &stored, const QString &leading)
{
    const std::string_view bytes(stored);
    std::size_t low = 0;
    std::size_t high = bytes.size();
    while (low < high) {
        const std::size_t middle = low + (high - low) / 2;
        if (decoded(bytes.substr(0, middle)).size() < leading.size())
            low = middle + 1;
        else
            high = middle;
    }
    constexpr std::size_t longestCharacter = 8; // in bytes, in any code page, with room to spare
    for (std::size_t length = low; length <= bytes.size() && length <= low + longestCharacter; ++length) {
        if (decoded(bytes.substr(0, length)) == leading)
            return stored.substr(0, length);
    }
    return std::nullopt;
}

} // namespace

QString StoredFieldText::restore(const std::string &stored)
{
    const QString whole = decoded(stored);
    shown_ = firstCharacters(whole, lumo::storedTextMaxCharacters);
    const std::optional<std::string> bytes = shown_.size() == whole.size() ? stored : leadingBytes(stored, shown_);
    // Bytes that cannot be told apart are written back from the text, as any other text is.
    restored_ = bytes.has_value();
    bytes_ = bytes.value_or(std::string());
    return shown_;
}

std::string StoredFieldText::store(const QString &text) const
{
    if (restored_ && text == shown_)
        return bytes_;
    return text.toLocal8Bit().toStdString();
}
