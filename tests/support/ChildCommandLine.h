#pragma once

#include <string_view>

namespace lumo::test {

// A started test program finds its routine's name in its first argument and the ends of
// its channel to the parent in the second; the routine's own arguments follow.
inline constexpr std::string_view childRoutineOption = "--lumo-child-routine=";
inline constexpr std::string_view childChannelOption = "--lumo-child-channel=";

} // namespace lumo::test
