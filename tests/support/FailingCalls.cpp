#include "FailingCalls.h"

#include <cerrno>
#include <string>
#include <utility>
#include <dlfcn.h>
#include <unistd.h>

namespace lumo::test {
namespace {

struct Armed {
    bool armed = false;
    FailingCall call = FailingCall::Fsync;
    std::function<bool(const std::string &)> matches;
    int failed = 0;
};

Armed &armed()
{
    static Armed state;
    return state;
}

std::string pathOf(int fd)
{
    std::string path(4096, '\0');
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    const ssize_t length = ::readlink(link.c_str(), path.data(), path.size());
    path.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
    return path;
}

bool shouldFail(FailingCall call, int fd)
{
    Armed &state = armed();
    if (!state.armed || state.call != call || !state.matches(pathOf(fd)))
        return false;
    state.armed = false;
    ++state.failed;
    return true;
}

template <typename Function>
Function *next(const char *name)
{
    return reinterpret_cast<Function *>(::dlsym(RTLD_NEXT, name));
}

} // namespace

void failNextCall(FailingCall call, std::function<bool(const std::string &path)> matches)
{
    Armed &state = armed();
    state.call = call;
    state.matches = std::move(matches);
    state.armed = true;
}

int failedCalls()
{
    return armed().failed;
}

} // namespace lumo::test

using lumo::test::FailingCall;

extern "C" int fsync(int fd)
{
    static const auto real = lumo::test::next<int(int)>("fsync");
    if (lumo::test::shouldFail(FailingCall::Fsync, fd)) {
        errno = EIO;
        return -1;
    }
    return real(fd);
}

extern "C" int close(int fd)
{
    static const auto real = lumo::test::next<int(int)>("close");
    const bool fail = lumo::test::shouldFail(FailingCall::Close, fd);
    const int result = real(fd);
    if (fail) {
        errno = EIO;
        return -1;
    }
    return result;
}
