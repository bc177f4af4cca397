#pragma once

#include <functional>
#include <string>

namespace lumo::test {

// Makes one system call fail for a file that the code under test opens by its own means.
// POSIX only, and only in the test programs built with FailingCalls.cpp: their own fsync and
// close stand in front of the C library's and pass every other call through to it.
enum class FailingCall { Fsync, Close };

// The next call of that kind on a descriptor whose file's path satisfies matches fails with
// EIO, once. A failing close still releases the descriptor, as Linux does after an error.
void failNextCall(FailingCall call, std::function<bool(const std::string &path)> matches);

// How many calls have failed so far in this process.
int failedCalls();

} // namespace lumo::test
