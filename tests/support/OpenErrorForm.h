#pragma once

#include <gtest/gtest.h>

#include <string>

namespace lumo::test {

// Whether message reads: Cannot open file "<fullPath>". <reason>, the reason being the
// system's own words: not empty, with no blank, line break or full stop at its end. On POSIX
// systems the C library's words are fixed, and the reason must be posixReason; on Windows
// they differ between versions and Wine, so only their form is checked.
::testing::AssertionResult isOpenError(const std::string &message, const std::string &fullPath,
                                       const std::string &posixReason);

} // namespace lumo::test
