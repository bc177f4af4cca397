#include "SmallPictures.h"

namespace {

constexpr QRgb outline = qRgb(0x20, 0x24, 0x2c);

} // namespace

PixelArt savePicture()
{
    // A floppy disk: blue body, metal shutter with its slot, white label with two lines.
    return {{
                "kkkkkkkkkkkkkk..",
                "kbbsssssssssbbk.",
                "kbbsssssddssbbbk",
                "kbbsssssddssbbbk",
                "kbbsssssddssbbbk",
                "kbbsssssssssbbbk",
                "kbbbbbbbbbbbbbbk",
                "kbbbbbbbbbbbbbbk",
                "kbbwwwwwwwwwwbbk",
                "kbbwllllllllwbbk",
                "kbbwwwwwwwwwwbbk",
                "kbbwllllllllwbbk",
                "kbbwwwwwwwwwwbbk",
                "kbbwwwwwwwwwwbbk",
                "kbbwwwwwwwwwwbbk",
                "kkkkkkkkkkkkkkkk",
            },
            {
                {'k', outline},
                {'b', qRgb(0x24, 0x5c, 0xc4)},
                {'s', qRgb(0xc8, 0xcc, 0xd4)},
                {'d', qRgb(0x3c, 0x40, 0x4c)},
                {'w', qRgb(0xfc, 0xfc, 0xfc)},
                {'l', qRgb(0x7c, 0x9c, 0xd0)},
            }};
}

PixelArt exitPicture()
{
    // A green arrow pointing into a brown panelled door.
    return {{
                ".......kkkkkkkk.",
                ".......knnnnnnk.",
                ".......knmmmmnk.",
                ".....G.knmnnmnk.",
                ".....GGknmnnmnk.",
                ".....GgGnmnnmnk.",
                "GGGGGGggGmmmmnk.",
                "GggggggggGnnnyk.",
                "GggggggggGnnnyk.",
                "GGGGGGggGmmmmnk.",
                ".....GgGnmnnmnk.",
                ".....GGknmnnmnk.",
                ".....G.knmnnmnk.",
                ".......knmmmmnk.",
                ".......knnnnnnk.",
                ".......kkkkkkkk.",
            },
            {
                {'k', outline},
                {'n', qRgb(0xb8, 0x70, 0x34)},
                {'m', qRgb(0x84, 0x4c, 0x1c)},
                {'y', qRgb(0xf8, 0xd8, 0x30)},
                {'G', qRgb(0x10, 0x64, 0x18)},
                {'g', qRgb(0x3c, 0xc0, 0x48)},
            }};
}

PixelArt informationPicture()
{
    // A white letter i in a blue speech bubble whose tail points down to the left.
    return {{
                "...BBBBBBBBBB...",
                "..BbbbbbbbbbbB..",
                ".BbbbbbwwbbbbbB.",
                "BbbbbbbwwbbbbbbB",
                "BbbbbbbbbbbbbbbB",
                "BbbbbbwwwbbbbbbB",
                "BbbbbbbwwbbbbbbB",
                "BbbbbbbwwbbbbbbB",
                "BbbbbbbwwbbbbbbB",
                "BbbbbbbwwbbbbbbB",
                ".BbbbbwwwwbbbbB.",
                "..BbbbbbbbbbbB..",
                "...BBbbBBBBBB...",
                "....BbB.........",
                "...BbB..........",
                "..BB............",
            },
            {
                {'B', qRgb(0x10, 0x3c, 0x8c)},
                {'b', qRgb(0x2c, 0x78, 0xdc)},
                {'w', qRgb(0xff, 0xff, 0xff)},
            }};
}

PixelArt copyPicture()
{
    // Two overlapping pages: a yellowish one behind, a white one in front, both with blue lines.
    return {{
                "kkkkkkkkkk......",
                "kppppppppk......",
                "kpllllllpk......",
                "kppppppppk......",
                "kplllkkkkkkkk...",
                "kppppkwwwwwwwk..",
                "kplllkwllllllwk.",
                "kppppkwwwwwwwwwk",
                "kplllkwlllllllwk",
                "kppppkwwwwwwwwwk",
                "kplllkwlllllllwk",
                "kkkkkkwwwwwwwwwk",
                ".....kwlllllllwk",
                ".....kwwwwwwwwwk",
                ".....kwwwwwwwwwk",
                ".....kkkkkkkkkkk",
            },
            {
                {'k', outline},
                {'p', qRgb(0xfc, 0xec, 0xa8)},
                {'w', qRgb(0xff, 0xff, 0xff)},
                {'l', qRgb(0x40, 0x78, 0xd0)},
            }};
}

PixelArt folderPicture()
{
    // An open yellow folder: the darker back with its tab, the lighter front flap tipped forward.
    return {{
                "................",
                "................",
                ".oooo...........",
                "oYYYYo..........",
                "oYYYYYoooooooo..",
                "oYYYYYYYYYYYYYo.",
                "oYYYoooooooooooo",
                "oYYoyyyyyyyyyyyo",
                "oYoyyyyyyyyyyyo.",
                "oYoyyyyyyyyyyyo.",
                "ooyyyyyyyyyyyo..",
                "ooyyyyyyyyyyyo..",
                "oyyyyyyyyyyyo...",
                "ooooooooooooo...",
                "................",
                "................",
            },
            {
                {'o', qRgb(0x80, 0x58, 0x10)},
                {'Y', qRgb(0xd4, 0x9c, 0x24)},
                {'y', qRgb(0xfc, 0xd4, 0x4c)},
            }};
}

PixelArt okPicture()
{
    // A thick green check mark.
    return {{
                "................",
                "................",
                "............GG..",
                "...........GggG.",
                "..........GgggG.",
                ".........GgggG..",
                ".GG.....GgggG...",
                "GggG...GgggG....",
                "GgggG.GgggG.....",
                ".GgggGgggG......",
                "..GgggggG.......",
                "...GgggG........",
                "....GgG.........",
                ".....G..........",
                "................",
                "................",
            },
            {
                {'G', qRgb(0x0c, 0x68, 0x14)},
                {'g', qRgb(0x2c, 0xb4, 0x34)},
            }};
}
