#include "ChildProcess.h"

#include "ChildCommandLine.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <fcntl.h>
#include <filesystem>
#include <grp.h>
#include <fstream>
#include <iterator>
#include <linux/capability.h>
#include <sched.h>
#include <set>
#include <signal.h>
#include <stdexcept>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

namespace lumo::test {
namespace {

constexpr int cannotBecomeUser = 125;
constexpr uid_t unprivilegedId = 65534;

[[noreturn]] void fail(const std::string &what)
{
    throw std::runtime_error(what + ": " + std::strerror(errno));
}

void makePipe(int (&ends)[2])
{
    if (::pipe2(ends, O_CLOEXEC) == -1)
        fail("pipe2");
}

// A socket, not a pipe, carries the turns: a turn sent to a child that has died must not
// end the test program with SIGPIPE.
void makeTurnChannel(int (&ends)[2])
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) == -1)
        fail("socketpair");
}

void sendTurn(int fd)
{
    const char token = 't';
    while (::send(fd, &token, 1, MSG_NOSIGNAL) == -1 && errno == EINTR) {
    }
}

void closeEnd(int &fd)
{
    if (fd != -1)
        ::close(fd);
    fd = -1;
}

void writeAll(int fd, const std::string &text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t put = ::write(fd, text.data() + done, text.size() - done);
        if (put == -1 && errno == EINTR)
            continue;
        if (put <= 0)
            return; // the parent has gone; nobody is left to tell
        done += static_cast<std::size_t>(put);
    }
}

void writeProcFile(const char *path, const std::string &text)
{
    const int fd = ::open(path, O_WRONLY | O_CLOEXEC);
    if (fd == -1)
        fail(std::string("open ") + path);
    const bool written = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    const int error = errno;
    ::close(fd);
    errno = error;
    if (!written)
        fail(std::string("write ") + path);
}

// The folders whose content an Unprivileged child is to own, while their TempFolders live.
std::set<std::string> &foldersForUnprivilegedChild()
{
    static std::set<std::string> folders;
    return folders;
}

// Root, before it drops: the unprivileged id becomes the owner of the test's folders and of
// everything in them, as the test's own user is under a user namespace. Links are changed
// themselves, never followed.
void giveFoldersToUnprivilegedUser()
{
    for (const std::string &folder : foldersForUnprivilegedChild()) {
        if (::lchown(folder.c_str(), unprivilegedId, unprivilegedId) == -1)
            fail("lchown " + folder);
        for (const auto &entry : std::filesystem::recursive_directory_iterator(folder)) {
            if (::lchown(entry.path().c_str(), unprivilegedId, unprivilegedId) == -1)
                fail("lchown " + entry.path().string());
        }
    }
}

// Root gives up its groups, then its group, then its user for good. Leaving uid 0 clears
// every capability, so the permission bits decide from here on.
void dropRootToUnprivilegedUser()
{
    giveFoldersToUnprivilegedUser();
    if (::setgroups(0, nullptr) == -1)
        fail("setgroups");
    if (::setresgid(unprivilegedId, unprivilegedId, unprivilegedId) == -1)
        fail("setresgid");
    if (::setresuid(unprivilegedId, unprivilegedId, unprivilegedId) == -1)
        fail("setresuid");
    if (::setuid(0) == 0)
        throw std::runtime_error("the child could become root again");
}

// An ordinary user's child, in a new user namespace, is seen as the unprivileged id while it
// stays the user outside who owns the test's files. Dropping every capability the namespace
// gave it leaves it a plain owner, so the owner's permission bits decide.
void enterUnprivilegedUserNamespace()
{
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    if (::unshare(CLONE_NEWUSER) == -1)
        fail("unshare(CLONE_NEWUSER)");
    writeProcFile("/proc/self/setgroups", "deny");
    writeProcFile("/proc/self/uid_map", std::to_string(unprivilegedId) + " " + std::to_string(uid) + " 1");
    writeProcFile("/proc/self/gid_map", std::to_string(unprivilegedId) + " " + std::to_string(gid) + " 1");
    __user_cap_header_struct header {};
    header.version = _LINUX_CAPABILITY_VERSION_3;
    __user_cap_data_struct none[_LINUX_CAPABILITY_U32S_3] = {};
    if (::syscall(SYS_capset, &header, none) == -1)
        fail("capset");
}

void becomeUnprivileged()
{
    if (::geteuid() == 0)
        dropRootToUnprivilegedUser();
    else
        enterUnprivilegedUserNamespace();
    if (::geteuid() != unprivilegedId)
        throw std::runtime_error("the child did not become uid " + std::to_string(unprivilegedId));
}

// False when the other side has closed its end, by ending or by finishing.
bool receiveTurn(int fd)
{
    char token = 0;
    for (;;) {
        const ssize_t got = ::read(fd, &token, 1);
        if (got == -1 && errno == EINTR)
            continue;
        return got == 1;
    }
}

// Lets the descriptor pass into the program that the child turns into.
void keepAcrossExec(int fd)
{
    const int flags = ::fcntl(fd, F_GETFD);
    if (flags == -1 || ::fcntl(fd, F_SETFD, flags & ~FD_CLOEXEC) == -1)
        fail("fcntl");
}

} // namespace

ChildProcess::ChildProcess(const std::string &routine, const ChildArguments &arguments, const std::string &program)
{
    makeTurnChannel(turns_);
    makePipe(report_);
    const std::string file = program.empty() ? "/proc/self/exe" : program;
    std::vector<std::string> words{file, std::string(childRoutineOption) + routine,
                                   std::string(childChannelOption) + std::to_string(turns_[1]) + ","
                                       + std::to_string(report_[1])};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);

    pid_ = ::fork();
    if (pid_ == -1)
        fail("fork");
    if (pid_ == 0) {
        // The started program's own test output is not the test's.
        const int quiet = ::open("/dev/null", O_WRONLY);
        if (quiet != -1)
            ::dup2(quiet, STDOUT_FILENO);
        keepAcrossExec(turns_[1]);
        keepAcrossExec(report_[1]);
        ::execv(file.c_str(), argv.data());
        writeAll(report_[1], "child failed: cannot start " + file + ": " + std::strerror(errno));
        ::_exit(127);
    }
    closeEnd(turns_[1]);
    closeEnd(report_[1]);
}

ChildProcess::ChildProcess(ChildSide, const std::string &channel)
{
    const std::size_t comma = channel.find(',');
    if (comma == std::string::npos)
        throw std::runtime_error("no channel to the parent in " + channel);
    turns_[1] = std::stoi(channel.substr(0, comma));
    report_[1] = std::stoi(channel.substr(comma + 1));
}

void ChildProcess::reportToParent(const std::string &report)
{
    writeAll(report_[1], report);
}

std::vector<std::string> ChildProcess::commandLine()
{
    std::ifstream in("/proc/self/cmdline", std::ios::binary);
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> words;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\0', start);
        words.push_back(text.substr(start, end - start));
        start = end == std::string::npos ? text.size() : end + 1;
    }
    return words;
}

ChildProcess::ChildProcess(const Body &body, ChildUser user)
{
    makeTurnChannel(turns_);
    makePipe(report_);
    pid_ = ::fork();
    if (pid_ == -1)
        fail("fork");
    if (pid_ == 0)
        runChild(body, user);
    closeEnd(turns_[1]);
    closeEnd(report_[1]);
}

ChildProcess::~ChildProcess()
{
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    closeEnd(turns_[0]);
    closeEnd(report_[0]);
}

void ChildProcess::runChild(const Body &body, ChildUser user)
{
    closeEnd(turns_[0]);
    closeEnd(report_[0]);
    int exitCode = cannotBecomeUser;
    std::string report;
    try {
        if (user == ChildUser::Unprivileged)
            becomeUnprivileged();
        exitCode = 1;
        report = body(*this);
        exitCode = 0;
    } catch (const std::exception &error) {
        report = std::string("child failed: ") + error.what();
    } catch (...) {
        report = "child failed: an exception of unknown type";
    }
    writeAll(report_[1], report);
    // _exit: the parent's atexit handlers and buffered streams are not the child's to run.
    ::_exit(exitCode);
}

bool ChildProcess::awaitChild()
{
    return receiveTurn(turns_[0]);
}

void ChildProcess::resumeChild()
{
    sendTurn(turns_[0]);
}

void ChildProcess::notifyParent()
{
    sendTurn(turns_[1]);
}

void ChildProcess::awaitParent()
{
    receiveTurn(turns_[1]);
}

ChildOutcome ChildProcess::finish()
{
    ChildOutcome outcome;
    closeEnd(turns_[0]); // a child still awaiting its turn goes on
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(report_[0], buffer, sizeof buffer);
        if (got == -1 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        outcome.report.append(buffer, static_cast<std::size_t>(got));
    }
    int status = 0;
    while (::waitpid(pid_, &status, 0) == -1) {
        if (errno != EINTR)
            fail("waitpid");
    }
    pid_ = -1;
    if (WIFEXITED(status))
        outcome.exitCode = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        outcome.exitCode = 128 + WTERMSIG(status);
    return outcome;
}

ChildOutcome ChildProcess::kill()
{
    ::kill(pid_, SIGKILL);
    return finish();
}

void letUnprivilegedChildOwn(const std::string &folder)
{
    foldersForUnprivilegedChild().insert(folder);
}

void stopLettingUnprivilegedChildOwn(const std::string &folder)
{
    foldersForUnprivilegedChild().erase(folder);
}

const std::string &whyNoUnprivilegedChild()
{
    static const std::string why = [] {
        const ChildOutcome probe = runInChild([] { return std::string(); }, ChildUser::Unprivileged);
        return probe.exitCode == 0 ? std::string() : probe.report;
    }();
    return why;
}

ChildOutcome runInChild(const std::function<std::string()> &body, ChildUser user)
{
    ChildProcess child([&](ChildProcess &) { return body(); }, user);
    return child.finish();
}

ChildOutcome runAsOrdinaryUser(const std::function<std::string()> &body)
{
    return runInChild(body, ChildUser::Unprivileged);
}

} // namespace lumo::test
