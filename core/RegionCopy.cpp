#include "RegionCopy.h"

#include "BinaryFile.h"
#include "FileSystem.h"

#include <algorithm>
#include <cmath>
#include <exception>
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

bool readsBack(const std::string &fileName, std::int64_t first, const std::vector<std::uint8_t> &expected,
               std::int64_t count)
{
    BinaryFile file = BinaryFile::open(fileName, FileAccess::ReadOnly, FileShare::SharedReadWrite);
    std::vector<std::uint8_t> written(static_cast<std::size_t>(count));
    file.seek(first);
    file.read(written.data(), count);
    file.close();
    return std::equal(written.begin(), written.end(), expected.begin());
}

// Throws on any failure of the files or the dialogs; returns false where the request cannot
// be carried out whole, before anything was written.
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
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(donorLength));
    donor.seek(request.donorFirst);
    donor.read(bytes.data(), donorLength);

    // A target too short for the region is the wrong file; grown and padded it would pass
    // for a whole image.
    if (target.size() < request.targetFirst + count)
        return false;

    const std::int64_t n = count - 1;
    for (std::int64_t i = 0; i <= n; ++i) {
        target.seek(request.targetFirst + i);
        target.writeByte(bytes[static_cast<std::size_t>(i)]);
        dialogs.setProgress(progressAfterStep(i, n));
        dialogs.processMessages();
    }
    target.flush();
    donor.close();
    target.close();

    return readsBack(request.targetFileName, request.targetFirst, bytes, count);
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
