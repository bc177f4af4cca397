#include "ReplacementFile.h"

#include "Handle.h"
#include "WideText.h"

#include <chrono>
#include <cwchar>
#include <random>
#include <thread>
#include <windows.h>

namespace lumo {
namespace {

constexpr int namesTried = 100;

// How long a rename waits for other programs to close the destination.
constexpr std::chrono::milliseconds renameWait{2000};
constexpr std::chrono::milliseconds renamePollInterval{5};

HANDLE handleOf(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

const std::intptr_t closedHandle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);

// "<destination>.<random>.tmp", in the destination's folder, so the rename stays on its
// volume; one that a crash leaves behind still says whose it was.
std::wstring temporaryNameFor(const std::wstring &destination, std::mt19937 &random)
{
    wchar_t suffix[16];
    std::swprintf(suffix, sizeof suffix / sizeof suffix[0], L".%08x.tmp", static_cast<unsigned>(random()));
    return destination + suffix;
}

// Windows refuses to rename a file over one that any handle holds open, even one that shares
// its deletion: another copy of the program that reads the settings at its start, a virus
// scanner or an indexer looking at the new file. Such a reader holds it for moments only, so
// the rename is tried again until the wait runs out.
bool renameOver(const std::wstring &from, const std::wstring &to)
{
    const auto deadline = std::chrono::steady_clock::now() + renameWait;
    for (;;) {
        // WRITE_THROUGH returns only once the new name is on the disk.
        if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = GetLastError();
        if ((error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION)
            || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(renamePollInterval);
    }
}

} // namespace

ReplacementFile::ReplacementFile(const std::string &destination, std::optional<FilePermissions> permissions)
    : destination_(destination), permissions_(permissions), handle_(closedHandle)
{
    std::random_device seed;
    std::mt19937 random(seed() ^ GetCurrentProcessId());
    const std::wstring wideDestination = toWide(destination);
    // CREATE_NEW makes the file new; it opens nothing that is already there, a link included.
    for (int attempt = 0; attempt < namesTried; ++attempt) {
        const std::wstring name = temporaryNameFor(wideDestination, random);
        const HANDLE handle =
            CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle != INVALID_HANDLE_VALUE) {
            temporary_ = toUtf8(name);
            handle_ = reinterpret_cast<std::intptr_t>(handle);
            return;
        }
        const DWORD error = GetLastError();
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
            return;
    }
}

ReplacementFile::~ReplacementFile()
{
    discard();
}

bool ReplacementFile::isOpen() const
{
    return handle_ != closedHandle;
}

bool ReplacementFile::write(const void *data, std::size_t size)
{
    if (!isOpen())
        return false;
    const char *bytes = static_cast<const char *>(data);
    while (size > 0) {
        const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD put = 0;
        if (!WriteFile(handleOf(handle_), bytes, chunk, &put, nullptr) || put == 0)
            return false;
        bytes += put;
        size -= put;
    }
    return true;
}

bool ReplacementFile::commit()
{
    if (!isOpen())
        return false;
    win32::Handle file(handleOf(handle_));
    handle_ = closedHandle;
    if (!FlushFileBuffers(file.get()) || !file.closeChecked())
        return false;
    const std::wstring from = toWide(temporary_);
    const std::wstring to = toWide(destination_);
    if (!renameOver(from, to))
        return false;
    temporary_.clear();
    // Made read-only only once it stands under its name: a read-only temporary file could not
    // be removed again if the rename failed.
    if (permissions_ && (permissions_->bits & FILE_ATTRIBUTE_READONLY) != 0) {
        const DWORD attributes = GetFileAttributesW(to.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !SetFileAttributesW(to.c_str(), (attributes & ~FILE_ATTRIBUTE_NORMAL) | FILE_ATTRIBUTE_READONLY))
            return false;
    }
    return true;
}

void ReplacementFile::discard()
{
    if (isOpen())
        CloseHandle(handleOf(handle_));
    handle_ = closedHandle;
    if (!temporary_.empty())
        DeleteFileW(toWide(temporary_).c_str());
    temporary_.clear();
}

} // namespace lumo
