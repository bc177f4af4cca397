#pragma once

#include <functional>
#include <string>
#include <sys/types.h>

namespace lumo::test {

// Tests run as root, and root passes every permission check. An Unprivileged child is uid
// 65534 without capabilities and owns the test's files, so their owner's permission bits
// apply to it: open(O_RDWR) of a 0444 file fails there with EACCES.
// - Run as root, the child first makes uid and gid 65534 the owner of everything in the
//   folders listed with letUnprivilegedChildOwn (every live TempFolder), then drops to them.
// - Run as an ordinary user, who owns the files already, the child enters a new user
//   namespace that maps that user to 65534 and gives up the namespace's capabilities.
enum class ChildUser { Current, Unprivileged };

struct ChildOutcome {
    // 0 when the body returned, 1 when it threw, 125 when the child could not become the
    // asked user, 128 + the signal's number when a signal ended it.
    int exitCode = -1;
    // What the body returned, or why it did not return.
    std::string report;
};

// One test step run in a forked child: a lock held by another process, a file size limit,
// a user for whom permission bits apply. The body runs in the child only, so it must not
// use GoogleTest assertions; it returns a text for the parent to check instead.
//
// The two sides can take turns: the child calls notifyParent() and awaitParent(), the
// parent awaitChild() and resumeChild().
class ChildProcess {
public:
    using Body = std::function<std::string(ChildProcess &)>;

    explicit ChildProcess(const Body &body, ChildUser user = ChildUser::Current);
    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess(); // ends and reaps a child that a failed test left running

    // Parent side. awaitChild returns false when the child ended without notifying.
    bool awaitChild();
    void resumeChild();
    ChildOutcome finish();
    // Ends the child with SIGKILL wherever it is, as a crash would, unless it has already
    // ended; the outcome tells which.
    ChildOutcome kill();

    // Child side.
    void notifyParent();
    void awaitParent();

private:
    [[noreturn]] void runChild(const Body &body, ChildUser user);

    pid_t pid_ = -1;
    int turns_[2] = {-1, -1};
    int report_[2] = {-1, -1};
};

// The folders whose content an Unprivileged child owns; TempFolder lists its own.
void letUnprivilegedChildOwn(const std::string &folder);
void stopLettingUnprivilegedChildOwn(const std::string &folder);

// Empty when a child can become ChildUser::Unprivileged here; else why not, for a test to
// skip with. A child tries it once per test program.
const std::string &whyNoUnprivilegedChild();

// Runs body in a child and waits for it.
ChildOutcome runInChild(const std::function<std::string()> &body, ChildUser user = ChildUser::Current);

} // namespace lumo::test
