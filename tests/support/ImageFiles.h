#pragma once

#include "TempFolder.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace lumo::test {

using Bytes = std::vector<std::uint8_t>;

// Large enough to hold every calibration region and every table-switch item.
inline constexpr std::size_t imageSize = 600 * 1024;

// The table-switch configuration items.
inline constexpr std::size_t flag76Offset = 0xC422;
inline constexpr std::size_t switch114Offset = 0x500D5;
inline constexpr std::size_t input114Offset = 0x5006A;

// A donor and a target image of distinct bytes in a fresh folder of their own. Tests change
// the bytes in memory and call save() to put them into the files.
class ImageFiles {
public:
    ImageFiles() { save(); }

    void save() const
    {
        folder.write("donor.bin", donor);
        folder.write("target.bin", target);
    }

    TempFolder folder;
    const std::string donorPath = folder.file("donor.bin");
    const std::string targetPath = folder.file("target.bin");
    const std::string backupPath = folder.file("target.bin.bak");
    Bytes donor = patternBytes(imageSize, 1);
    Bytes target = patternBytes(imageSize, 2);
};

} // namespace lumo::test
