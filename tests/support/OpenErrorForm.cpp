#include "OpenErrorForm.h"

namespace lumo::test {

::testing::AssertionResult isOpenError(const std::string &message, const std::string &fullPath,
                                       const std::string &posixReason)
{
    const std::string start = "Cannot open file \"" + fullPath + "\". ";
    if (!message.starts_with(start))
        return ::testing::AssertionFailure() << "\"" << message << "\" does not start with \"" << start << "\"";
    const std::string reason = message.substr(start.size());
    if (reason.empty() || reason.find_last_of(" \t\r\n.") == reason.size() - 1)
        return ::testing::AssertionFailure() << "the reason \"" << reason << "\" is empty or ends in a blank, "
                                             << "a line break or a full stop";
#ifndef _WIN32
    if (reason != posixReason)
        return ::testing::AssertionFailure() << "the reason is \"" << reason << "\", not \"" << posixReason << "\"";
#else
    static_cast<void>(posixReason);
#endif
    return ::testing::AssertionSuccess();
}

} // namespace lumo::test
