#pragma once

#include <string>

namespace lumo::test {

enum class LinkTo { File, Folder };

// Makes link a symbolic link to target; on POSIX systems throws when that fails. Returns
// false where the system lets this user make no symbolic link at all: Windows without the
// privilege or developer mode, and Wine builds without them. A test then checks what it can
// without links.
bool makeSymbolicLink(const std::string &target, const std::string &link, LinkTo kind = LinkTo::File);

} // namespace lumo::test
