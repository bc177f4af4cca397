#pragma once

#include <string>

namespace lumo {

// Windows names files in UTF-16; the rest of Lumo speaks UTF-8.
std::wstring toWide(const std::string &utf8);
std::string toUtf8(const std::wstring &wide);

} // namespace lumo
