#include "FileName.h"

#include "FileSystem.h"

namespace lumo {

namespace {

// Characters of code 32 or below separate words; bytes of UTF-8 sequences are above it.
bool isSeparator(char c)
{
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

std::string firstCommandLineWord(const std::string &text)
{
    std::size_t pos = 0;
    const std::size_t end = text.size();
    for (;;) {
        while (pos < end && isSeparator(text[pos]))
            ++pos;
        if (pos + 1 < end && text[pos] == '"' && text[pos + 1] == '"')
            pos += 2;
        else
            break;
    }

    std::string word;
    while (pos < end && !isSeparator(text[pos])) {
        if (text[pos] == '"') {
            ++pos;
            while (pos < end && text[pos] != '"')
                word += text[pos++];
            if (pos < end)
                ++pos;
        } else {
            word += text[pos++];
        }
    }
    return word;
}

std::string FileName(const std::string &text)
{
    if (!text.empty() && isExistingFile(text))
        return text;
    return firstCommandLineWord(text);
}

} // namespace lumo
