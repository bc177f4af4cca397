#pragma once

#include <cstdint>
#include <string>

namespace lumo {

enum class FileAccess { ReadOnly, ReadWrite };

// How other opens of the same file are treated while this one holds it, in this process
// as well as in others: Exclusive makes every other open fail and fails itself while any
// other open exists; SharedReadWrite lets other shared opens in.
enum class FileShare { Exclusive, SharedReadWrite };

// An existing regular file opened for byte-wise access at absolute positions: a folder, a
// device, a FIFO or a socket is refused like a file that cannot be opened. Never creates,
// truncates or extends a file by itself. Paths are UTF-8.
class BinaryFile {
public:
    // Throws FileOpenError.
    static BinaryFile open(const std::string &path, FileAccess access, FileShare share);

    BinaryFile(BinaryFile &&other) noexcept;
    BinaryFile &operator=(BinaryFile &&other) noexcept;
    BinaryFile(const BinaryFile &) = delete;
    BinaryFile &operator=(const BinaryFile &) = delete;
    ~BinaryFile(); // closes without reporting; call close() where the outcome matters

    std::int64_t size() const;             // throws StreamReadError
    void seek(std::int64_t offset);        // absolute; throws StreamReadError
    std::uint8_t readByte();               // throws StreamReadError when no byte is left
    // Reads exactly count bytes from the current position; throws StreamReadError if fewer are left.
    void read(std::uint8_t *buffer, std::int64_t count);
    void writeByte(std::uint8_t value);    // throws StreamWriteError
    // Writes count bytes at the absolute offset, in one call where the system allows; throws
    // StreamWriteError unless all are written. The current position is not used, and is
    // unspecified afterwards: seek before the next read or writeByte.
    void writeAt(std::int64_t offset, const std::uint8_t *data, std::int64_t count);
    void flush();                          // to the storage device; throws StreamWriteError
    void close();                          // throws StreamWriteError; closing twice is harmless
    bool isOpen() const;

private:
    explicit BinaryFile(std::intptr_t handle);
    std::intptr_t handle_;
};

} // namespace lumo
