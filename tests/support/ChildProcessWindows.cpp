#include "ChildCommandLine.h"
#include "ChildProcess.h"
#include "FileSystem.h"
#include "win32/WideText.h"

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <windows.h>

namespace lumo::test {
namespace {

[[noreturn]] void fail(const std::string &what)
{
    throw std::runtime_error(what + " failed with error " + std::to_string(GetLastError()));
}

// One word of a command line as CommandLineToArgvW splits it again: in double quotes,
// with backslashes doubled where a double quote follows them.
std::wstring quoted(const std::wstring &word)
{
    std::wstring text = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : word) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        text.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        text += c;
    }
    text.append(backslashes * 2, L'\\');
    return text + L"\"";
}

std::string handleText(HANDLE handle)
{
    return std::to_string(reinterpret_cast<std::uintptr_t>(handle));
}

HANDLE handleFrom(const std::string &text)
{
    return reinterpret_cast<HANDLE>(static_cast<std::uintptr_t>(std::stoull(text)));
}

void closeEnd(void *&handle)
{
    if (handle != nullptr)
        CloseHandle(handle);
    handle = nullptr;
}

// Pipes that only the child inherits: its own ends are made inheritable, the parent's not.
struct Pipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
};

Pipe makePipe(bool childReads)
{
    Pipe pipe;
    if (!CreatePipe(&pipe.read, &pipe.write, nullptr, 0))
        fail("CreatePipe");
    if (!SetHandleInformation(childReads ? pipe.read : pipe.write, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT))
        fail("SetHandleInformation");
    return pipe;
}

void sendTurn(HANDLE handle)
{
    const char token = 't';
    DWORD put = 0;
    WriteFile(handle, &token, 1, &put, nullptr); // a child that has ended takes no turn
}

// False when the other side has closed its end, by ending or by finishing.
bool receiveTurn(HANDLE handle)
{
    char token = 0;
    DWORD got = 0;
    return ReadFile(handle, &token, 1, &got, nullptr) && got == 1;
}

} // namespace

ChildProcess::ChildProcess(const std::string &routine, const ChildArguments &arguments, const std::string &program)
{
    const Pipe toParent = makePipe(false);
    const Pipe toChild = makePipe(true);
    const Pipe report = makePipe(false);
    turnsIn_ = toParent.read;
    turnsOut_ = toChild.write;
    report_ = report.read;

    const std::wstring file = toWide(program.empty() ? programPath() : program);
    std::wstring line = quoted(file) + L" " + quoted(toWide(std::string(childRoutineOption) + routine)) + L" "
        + quoted(toWide(std::string(childChannelOption) + handleText(toParent.write) + "," + handleText(toChild.read)
                      + "," + handleText(report.write)));
    for (const std::string &argument : arguments)
        line += L" " + quoted(toWide(argument));

    // The started program's own test output is not the test's.
    SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    const HANDLE quiet =
        CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited, OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = quiet;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION started{};
    const BOOL created = CreateProcessW(file.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &started);
    const DWORD error = GetLastError();
    if (quiet != INVALID_HANDLE_VALUE)
        CloseHandle(quiet);
    CloseHandle(toParent.write);
    CloseHandle(toChild.read);
    CloseHandle(report.write);
    if (!created) {
        closeEnd(turnsIn_);
        closeEnd(turnsOut_);
        closeEnd(report_);
        SetLastError(error);
        fail("CreateProcessW of " + toUtf8(file));
    }
    CloseHandle(started.hThread);
    process_ = started.hProcess;
}

ChildProcess::ChildProcess(ChildSide, const std::string &channel)
{
    const std::size_t first = channel.find(',');
    const std::size_t second = channel.find(',', first + 1);
    if (first == std::string::npos || second == std::string::npos)
        throw std::runtime_error("no channel to the parent in " + channel);
    turnsOut_ = handleFrom(channel.substr(0, first));
    turnsIn_ = handleFrom(channel.substr(first + 1, second - first - 1));
    report_ = handleFrom(channel.substr(second + 1));
}

ChildProcess::~ChildProcess()
{
    if (process_ != nullptr) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, INFINITE);
        CloseHandle(process_);
    }
    closeEnd(turnsIn_);
    closeEnd(turnsOut_);
    closeEnd(report_);
}

void ChildProcess::reportToParent(const std::string &report)
{
    std::size_t done = 0;
    while (done < report.size()) {
        DWORD put = 0;
        if (!WriteFile(report_, report.data() + done, static_cast<DWORD>(report.size() - done), &put, nullptr)
            || put == 0)
            return; // the parent has gone; nobody is left to tell
        done += put;
    }
}

std::vector<std::string> ChildProcess::commandLine()
{
    int count = 0;
    wchar_t **words = CommandLineToArgvW(GetCommandLineW(), &count);
    if (words == nullptr)
        fail("CommandLineToArgvW");
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i)
        arguments.push_back(toUtf8(words[i]));
    LocalFree(words);
    return arguments;
}

bool ChildProcess::awaitChild()
{
    return receiveTurn(turnsIn_);
}

void ChildProcess::resumeChild()
{
    sendTurn(turnsOut_);
}

void ChildProcess::notifyParent()
{
    sendTurn(turnsOut_);
}

void ChildProcess::awaitParent()
{
    receiveTurn(turnsIn_);
}

ChildOutcome ChildProcess::finish()
{
    ChildOutcome outcome;
    closeEnd(turnsOut_); // a child still awaiting its turn goes on
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(report_, buffer, sizeof buffer, &got, nullptr) && got > 0)
        outcome.report.append(buffer, got);
    WaitForSingleObject(process_, INFINITE);
    DWORD exitCode = 0;
    if (GetExitCodeProcess(process_, &exitCode))
        outcome.exitCode = static_cast<int>(exitCode);
    CloseHandle(process_);
    process_ = nullptr;
    return outcome;
}

const std::string &whyNoUnprivilegedChild()
{
    static const std::string none;
    return none;
}

ChildOutcome runAsOrdinaryUser(const std::function<std::string()> &body)
{
    ChildOutcome outcome;
    try {
        outcome.report = body();
        outcome.exitCode = 0;
    } catch (const std::exception &error) {
        outcome.exitCode = 1;
        outcome.report = std::string("child failed: ") + error.what();
    }
    return outcome;
}

} // namespace lumo::test
