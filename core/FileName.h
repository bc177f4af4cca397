#pragma once

#include <string>

namespace lumo {

// The file name that a file field's text gives. An existing file named by the whole text
// wins; otherwise the first word of the text, split the way a command line is (a stretch
// in double quotes belongs to the word, blanks included, and the quotes are dropped).
// A text with no word gives an empty name. The word is used in full, however long.
std::string FileName(const std::string &text);

// The first word of the text by the command-line rule alone, without the existence check.
std::string firstCommandLineWord(const std::string &text);

} // namespace lumo
