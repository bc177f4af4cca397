#include "BinaryFile.h"

#include "FileErrors.h"
#include "FileSystem.h"
#include "OpenErrorText.h"
#include "WideText.h"

#include <algorithm>
#include <stdexcept>
#include <windows.h>

namespace lumo {
namespace {

HANDLE handleOf(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

const std::intptr_t closedHandle = reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE);

std::string systemMessage(DWORD error)
{
    wchar_t *text = nullptr;
    const DWORD length = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
        reinterpret_cast<wchar_t *>(&text), 0, nullptr);
    if (length == 0)
        return "System error " + std::to_string(error);
    const std::string message = toUtf8(std::wstring(text, length));
    LocalFree(text);
    return message;
}

// What a handle that is not of a file on a disk is, in the words of the open error; empty
// for a disk file. Only disk files hold images: a device reads as endless bytes, a pipe as
// whatever another program sends, and a write to either is lost.
std::string notDiskFileReason(HANDLE handle)
{
    switch (GetFileType(handle)) {
    case FILE_TYPE_DISK:
        return {};
    case FILE_TYPE_CHAR:
        return "Is a device, not a regular file";
    case FILE_TYPE_PIPE:
        return "Is a named pipe or a socket, not a regular file";
    default:
        return "Is not a regular file";
    }
}

} // namespace

BinaryFile BinaryFile::open(const std::string &path, FileAccess access, FileShare share)
{
    const DWORD desired = access == FileAccess::ReadWrite ? GENERIC_READ | GENERIC_WRITE : GENERIC_READ;
    const DWORD sharing = share == FileShare::Exclusive ? 0 : FILE_SHARE_READ | FILE_SHARE_WRITE;
    // OPEN_EXISTING never creates or truncates; without FILE_FLAG_BACKUP_SEMANTICS a
    // folder is refused with the system's own reason.
    const HANDLE handle =
        CreateFileW(toWide(path).c_str(), desired, sharing, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        throw FileOpenError(openErrorText(fullPath(path), systemMessage(error)));
    }
    // The name may lead to a device ("NUL", "COM1") or to a pipe, which CreateFileW opens
    // like a file.
    const std::string reason = notDiskFileReason(handle);
    if (!reason.empty()) {
        CloseHandle(handle);
        throw FileOpenError(openErrorText(fullPath(path), reason));
    }
    return BinaryFile(reinterpret_cast<std::intptr_t>(handle));
}

BinaryFile::BinaryFile(std::intptr_t handle) : handle_(handle) {}

BinaryFile::BinaryFile(BinaryFile &&other) noexcept : handle_(other.handle_)
{
    other.handle_ = closedHandle;
}

BinaryFile &BinaryFile::operator=(BinaryFile &&other) noexcept
{
    if (this != &other) {
        if (isOpen())
            CloseHandle(handleOf(handle_));
        handle_ = other.handle_;
        other.handle_ = closedHandle;
    }
    return *this;
}

BinaryFile::~BinaryFile()
{
    if (isOpen())
        CloseHandle(handleOf(handle_));
}

std::int64_t BinaryFile::size() const
{
    LARGE_INTEGER size {};
    if (!GetFileSizeEx(handleOf(handle_), &size))
        throw StreamReadError();
    return size.QuadPart;
}

void BinaryFile::seek(std::int64_t offset)
{
    LARGE_INTEGER position {};
    position.QuadPart = offset;
    if (!SetFilePointerEx(handleOf(handle_), position, nullptr, FILE_BEGIN))
        throw StreamReadError();
}

std::uint8_t BinaryFile::readByte()
{
    std::uint8_t value = 0;
    read(&value, 1);
    return value;
}

void BinaryFile::read(std::uint8_t *buffer, std::int64_t count)
{
    if (count < 0)
        throw std::invalid_argument("a negative number of bytes cannot be read");
    while (count > 0) {
        const auto chunk = static_cast<DWORD>(std::min<std::int64_t>(count, 1 << 30));
        DWORD got = 0;
        if (!ReadFile(handleOf(handle_), buffer, chunk, &got, nullptr) || got == 0)
            throw StreamReadError();
        buffer += got;
        count -= got;
    }
}

void BinaryFile::writeByte(std::uint8_t value)
{
    DWORD put = 0;
    if (!WriteFile(handleOf(handle_), &value, 1, &put, nullptr) || put != 1)
        throw StreamWriteError();
}

void BinaryFile::writeAt(std::int64_t offset, const std::uint8_t *data, std::int64_t count)
{
    if (count < 0 || offset < 0)
        throw std::invalid_argument("a negative offset or number of bytes cannot be written");
    while (count > 0) {
        const auto chunk = static_cast<DWORD>(std::min<std::int64_t>(count, 1 << 30));
        // On a handle opened without FILE_FLAG_OVERLAPPED the offset in OVERLAPPED positions
        // this one write, and the call returns only when it is done.
        OVERLAPPED at {};
        at.Offset = static_cast<DWORD>(static_cast<std::uint64_t>(offset) & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
        DWORD put = 0;
        if (!WriteFile(handleOf(handle_), data, chunk, &put, &at) || put != chunk)
            throw StreamWriteError();
        data += put;
        offset += put;
        count -= put;
    }
}

void BinaryFile::flush()
{
    if (FlushFileBuffers(handleOf(handle_)))
        return;
    // Refused only to a handle without write access, which has written nothing to flush.
    if (GetLastError() != ERROR_ACCESS_DENIED)
        throw StreamWriteError();
}

void BinaryFile::close()
{
    if (!isOpen())
        return;
    const HANDLE handle = handleOf(handle_);
    handle_ = closedHandle;
    if (!CloseHandle(handle))
        throw StreamWriteError();
}

bool BinaryFile::isOpen() const
{
    return handle_ != closedHandle;
}

} // namespace lumo
