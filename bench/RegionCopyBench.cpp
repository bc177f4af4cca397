// Times one whole backup and region copy against the least that the same work can cost:
// copying the image file and writing the region with one positioned write, both flushed
// to the storage device; then the copy alone against the positioned write alone. Run by
// hand; prints the medians and their ratios.

#include "BinaryFile.h"
#include "FileSystem.h"
#include "FirmwareProfile.h"
#include "OperatorDialogs.h"
#include "RegionCopy.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using namespace lumo;

constexpr std::size_t imageSize = 1024 * 1024;
constexpr int runs = 21; // odd, so that the median is one of the runs

// The window's side of a copy costs nothing here, so only the file work is timed.
class SilentDialogs : public OperatorDialogs {
public:
    void showMessage(const std::string &text) override { lastMessage = text; }
    TModalResult confirm(const std::string &) override { return TModalResult::mrNo; }
    void setProgress(int) override {}
    void processMessages() override {}
    void focusField(FileField) override {}

    std::string lastMessage;
};

// A folder of its own under the system's temporary folder, removed at the end.
class BenchFolder {
public:
    BenchFolder()
    {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() / ("lumo-bench-" + std::to_string(random()));
        if (!std::filesystem::create_directory(path_))
            throw std::runtime_error("cannot make the folder " + path_.string());
    }
    ~BenchFolder()
    {
        std::error_code ignored; // a folder left in the temporary folder harms nothing
        std::filesystem::remove_all(path_, ignored);
    }
    BenchFolder(const BenchFolder &) = delete;
    BenchFolder &operator=(const BenchFolder &) = delete;

    std::string file(const std::string &name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

std::vector<char> patternImage(unsigned seed)
{
    std::vector<char> bytes(imageSize);
    std::mt19937 generator(seed);
    std::generate(bytes.begin(), bytes.end(), [&] { return static_cast<char>(generator()); });
    return bytes;
}

void writeImage(const std::string &path, const std::vector<char> &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

double median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The two sides of a comparison, timed in turn, so that a noisy neighbour on the machine
// slows both alike instead of only the one that happened to run at the time.
struct Comparison {
    const char *name;
    std::function<void()> work;
    std::function<void()> floor;
    std::vector<double> workTimes;
    std::vector<double> floorTimes;
};

double millisecondsOf(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

void run()
{
    const BenchFolder folder;
    const std::string donorPath = folder.file("donor.bin");
    const std::string targetPath = folder.file("target.bin");
    const std::vector<char> donor = patternImage(1);
    writeImage(donorPath, donor);
    writeImage(targetPath, patternImage(2));

    const TFirmwareProfile &from = firmwareProfile(TFirmwareProfileId::pfMikas114Mode3);
    const TFirmwareProfile &to = firmwareProfile(TFirmwareProfileId::pfMikas114Mode4);
    const RegionCopyRequest request{donorPath, targetPath, from.regionFirst, from.regionLast, to.regionFirst,
                                    to.regionLast};
    const std::int64_t length = from.regionLength();

    SilentDialogs dialogs;
    const auto writeRegionOnce = [&] {
        std::fstream target(targetPath, std::ios::in | std::ios::out | std::ios::binary);
        target.seekp(to.regionFirst);
        target.write(donor.data() + from.regionFirst, static_cast<std::streamsize>(length));
        target.close();
        if (!target)
            throw std::runtime_error("cannot write " + targetPath);
        BinaryFile synced = BinaryFile::open(targetPath, FileAccess::ReadWrite, FileShare::Exclusive);
        synced.flush();
        synced.close();
    };
    Comparison comparisons[] = {
        {"BackupAndCopyRegion against file copy + one positioned write",
         [&] {
             BackupAndCopyRegion(request, dialogs);
             if (dialogs.lastMessage != "Ok!")
                 throw std::runtime_error("the copy reported " + dialogs.lastMessage);
         },
         [&] {
             if (!copyFileOver(targetPath, targetPath + ".bak"))
                 throw std::runtime_error("cannot copy " + targetPath);
             writeRegionOnce();
         },
         {},
         {}},
        {"the copy alone, without the backup, against one positioned write",
         [&] {
             if (!copyDonorRegion(request, dialogs))
                 throw std::runtime_error("the copy alone failed");
         },
         writeRegionOnce,
         {},
         {}},
    };

    for (int round = 0; round < runs; ++round) {
        for (Comparison &c : comparisons) {
            c.workTimes.push_back(millisecondsOf(c.work));
            c.floorTimes.push_back(millisecondsOf(c.floor));
        }
    }

    std::printf("Region copy of %lld bytes into a %zu-byte image, medians of %d runs of each side, in turn\n",
                static_cast<long long>(length), imageSize, runs);
    for (const Comparison &c : comparisons) {
        const double work = median(c.workTimes);
        const double floor = median(c.floorTimes);
        std::printf("  %s:\n    %9.2f ms against %9.2f ms, ratio %6.2f\n", c.name, work, floor, work / floor);
    }
}

} // namespace

int main()
{
    try {
        run();
        return 0;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "lumo_bench_region_copy: %s\n", error.what());
        return 1;
    }
}
