#include "RegionCopy.h"

#include "BinaryFile.h"
#include "FileSystem.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

namespace lumo {

namespace {

// After step i of the steps 0..n: i / n * 100, halves to the even neighbour (the default
// rounding mode), so the first step shows 0 and the last 100.
int progressAfterStep(std::int64_t i, std::int64_t n)
{
    if (n == 0)
        return 100;
    return static_cast<int>(std::nearbyint(static_cast<double>(i) / static_cast<double>(n) * 100.0));
}

std::int64_t regionLength(std::int32_t first, std::int32_t last)
{
    return std::max<std::int64_t>(0, std::int64_t{last} - first + 1);
}

std::vector<std::uint8_t> readAt(BinaryFile &file, std::int64_t offset, std::int64_t count)
{
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
    file.seek(offset);
    file.read(bytes.data(), count);
    return bytes;
}

class ReadBackMismatch : public std::runtime_error {
public:
    ReadBackMismatch() : std::runtime_error("the target does not hold the bytes written to it") {}
};

// The bar and the event pump go byte by byte, but the bytes reach the file in runs: one each
// time the bar moves on to a new value, and the rest at the end. Nobody can tell the
// difference: the target is held unshared, so no other program reads it before the copy
// ends, and a failure puts the old bytes back either way. A one-byte write per step would cost
// two system calls per byte, and on Windows a pass through every file-system filter each.
void writeWithProgress(BinaryFile &target, std::int64_t first, const std::vector<std::uint8_t> &bytes,
                       OperatorDialogs &dialogs)
{
    const auto count = static_cast<std::int64_t>(bytes.size());
    const std::int64_t n = count - 1;
    std::int64_t unwritten = 0;
    int shown = progressAfterStep(0, n);
    for (std::int64_t i = 0; i <= n; ++i) {
        const int progress = progressAfterStep(i, n);
        if (progress != shown) {
            target.writeAt(first + unwritten, bytes.data() + unwritten, i + 1 - unwritten);
            unwritten = i + 1;
            shown = progress;
        }
        dialogs.setProgress(progress);
        dialogs.processMessages();
    }
    target.writeAt(first + unwritten, bytes.data() + unwritten, count - unwritten);
}

// Writes the target's old bytes back over the range a failed copy wrote to. Only the bytes
// that differ are written: those past a full disk or a file size limit never changed, and
// writing them again would fail once more.
void putBack(BinaryFile &target, const std::string &fileName, std::int64_t first,
             const std::vector<std::uint8_t> &previous)
{
    // A failed close has let the file go already.
    if (!target.isOpen())
        target = BinaryFile::open(fileName, FileAccess::ReadWrite, FileShare::Exclusive);
    const std::vector<std::uint8_t> now = readAt(target, first, static_cast<std::int64_t>(previous.size()));
    const auto firstChanged = std::mismatch(now.begin(), now.end(), previous.begin()).first;
    if (firstChanged != now.end()) {
        const auto pastLastChanged =
            std::mismatch(now.rbegin(), now.rend(), previous.rbegin()).first.base();
        const auto from = firstChanged - now.begin();
        target.writeAt(first + from, previous.data() + from, pastLastChanged - firstChanged);
    }
    target.flush();
    target.close();
}

// Throws on any failure of the files or the dialogs, after putting the target's old bytes
// back where anything had been written; returns false where the request cannot be carried
// out whole, before anything was written.
bool copyRegion(const RegionCopyRequest &request, OperatorDialogs &dialogs)
{
    const std::int64_t donorLength = regionLength(request.donorFirst, request.donorLast);
    // Never past the end of the target's region: the bytes after it belong to something else.
    const std::int64_t count = std::min(donorLength, regionLength(request.targetFirst, request.targetLast));
    // Nothing to copy means a malformed request; "Ok!" would claim a copy that never happened.
    if (count == 0)
        return false;

    // The target first and unshared, so a donor naming the same file fails to open.
    BinaryFile target = BinaryFile::open(request.targetFileName, FileAccess::ReadWrite, FileShare::Exclusive);
    BinaryFile donor = BinaryFile::open(request.donorFileName, FileAccess::ReadOnly, FileShare::SharedReadWrite);

    // The whole donor region is read before the target is touched, so a short donor leaves
    // the target as it was instead of half copied.
    std::vector<std::uint8_t> bytes = readAt(donor, request.donorFirst, donorLength);
    donor.close();
    bytes.resize(static_cast<std::size_t>(count));

    // A target too short for the region is the wrong file; grown and padded it would pass
    // for a whole image.
    if (target.size() < request.targetFirst + count)
        return false;

    const std::vector<std::uint8_t> previous = readAt(target, request.targetFirst, count);
    try {
        writeWithProgress(target, request.targetFirst, bytes, dialogs);
        target.flush();
        if (readAt(target, request.targetFirst, count) != bytes)
            throw ReadBackMismatch();
        target.close();
    } catch (const std::exception &) {
        putBack(target, request.targetFileName, request.targetFirst, previous);
        throw;
    }
    return true;
}

} // namespace

bool copyDonorRegion(const RegionCopyRequest &request, OperatorDialogs &dialogs)
{
    try {
        return copyRegion(request, dialogs);
    } catch (const std::exception &) {
        // The operator is told only that the copy failed; the files were closed on the way out.
        return false;
    }
}

void BackupAndCopyRegion(const RegionCopyRequest &request, OperatorDialogs &dialogs)
{
    // Events handled during the copy may change what the caller holds; this run keeps its own.
    const RegionCopyRequest inputs = request;

    dialogs.setProgress(0);
    const std::string backupFileName = inputs.targetFileName + ".bak";
    if (!copyFileOver(inputs.targetFileName, backupFileName))
        throw BackupError("Не можу записати файл " + inputs.targetFileName + "\n\r" + "у файл " + backupFileName);

    dialogs.showMessage(copyDonorRegion(inputs, dialogs) ? "Ok!" : "Помилка!");
    dialogs.setProgress(0);
}

} // namespace lumo
