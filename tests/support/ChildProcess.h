#pragma once

#include <functional>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/types.h>
#endif

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
    // asked user, 126 when the program knows no routine of that name, 128 + the signal's
    // number when a signal ended it.
    int exitCode = -1;
    // What the body returned, or why it did not return.
    std::string report;
};

class ChildProcess;
using ChildArguments = std::vector<std::string>;
using ChildRoutineBody = std::function<std::string(ChildProcess &self, const ChildArguments &arguments)>;

// A step that runs in a second process on every system: the test program started again,
// told by its command line which routine to run and with which arguments. Define one at
// namespace scope of the test file, then start it by its name:
//
//   const ChildRoutine holdOpen("hold-open", [](ChildProcess &self, const ChildArguments &args) {
//       BinaryFile held = BinaryFile::open(args.at(0), FileAccess::ReadWrite, FileShare::Exclusive);
//       self.notifyParent();
//       self.awaitParent();
//       return std::string("released");
//   });
//   ChildProcess child("hold-open", {path});
//
// The routine runs before any test of the started program, which then ends.
class ChildRoutine {
public:
    ChildRoutine(const std::string &name, ChildRoutineBody body);
};

// One test step run in another process: a file held open by another program, a lock, a
// user for whom permission bits apply, a file size limit. The body runs in the child only,
// so it must not use GoogleTest assertions; it returns a text for the parent to check
// instead.
//
// The two sides can take turns: the child calls notifyParent() and awaitParent(), the
// parent awaitChild() and resumeChild().
class ChildProcess {
public:
    // Starts a ChildRoutine in program, by default this test program, which must then
    // define it too.
    ChildProcess(const std::string &routine, const ChildArguments &arguments, const std::string &program = {});

#ifndef _WIN32
    // A forked child that runs body; there is no fork on Windows, where a ChildRoutine
    // does the same.
    using Body = std::function<std::string(ChildProcess &)>;
    explicit ChildProcess(const Body &body, ChildUser user = ChildUser::Current);
#endif

    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;
    ~ChildProcess(); // ends and reaps a child that a failed test left running

    // Parent side. awaitChild returns false when the child ended without notifying.
    bool awaitChild();
    void resumeChild();
    ChildOutcome finish();
#ifndef _WIN32
    // Ends the child with SIGKILL wherever it is, as a crash would, unless it has already
    // ended; the outcome tells which. The kill loops that need it fork their children.
    ChildOutcome kill();
#endif

    // Child side.
    void notifyParent();
    void awaitParent();

    // Runs the routine that the command line of this program asks for and ends the
    // program, or returns when it asks for none. Called before the first test.
    static void runRoutineIfAsked();

private:
    struct ChildSide {};
    ChildProcess(ChildSide, const std::string &channel); // the started program's side
    void reportToParent(const std::string &report);
    static std::vector<std::string> commandLine(); // of this program, UTF-8

#ifdef _WIN32
    void *process_ = nullptr;
    void *turnsIn_ = nullptr;  // the other side's turns
    void *turnsOut_ = nullptr; // turns for the other side
    void *report_ = nullptr;   // the parent reads the child's report, the child writes it
#else
    [[noreturn]] void runChild(const Body &body, ChildUser user);

    pid_t pid_ = -1;
    int turns_[2] = {-1, -1};
    int report_[2] = {-1, -1};
#endif
};

#ifndef _WIN32
// The folders whose content an Unprivileged child owns; TempFolder lists its own.
void letUnprivilegedChildOwn(const std::string &folder);
void stopLettingUnprivilegedChildOwn(const std::string &folder);

// Runs body in a forked child and waits for it.
ChildOutcome runInChild(const std::function<std::string()> &body, ChildUser user = ChildUser::Current);
#endif

// Runs body as a user for whom a read-only file (makeReadOnly) cannot be written. On POSIX
// systems that is a forked Unprivileged child. On Windows the read-only attribute binds
// every user, so body runs in this process; the Windows test leg starts Wine as an
// ordinary user, since Wine run as root ignores the attribute.
ChildOutcome runAsOrdinaryUser(const std::function<std::string()> &body);

// Empty when runAsOrdinaryUser can run a body as an ordinary user here; else why not, for a
// test to skip with. On POSIX systems a child tries to become ChildUser::Unprivileged, once
// per test program; on Windows the read-only attribute needs no other user.
const std::string &whyNoUnprivilegedChild();

} // namespace lumo::test
