#include "GuiEnvironment.h"
#include "ImageList.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <set>
#include <tuple>
#include <utility>

namespace {

const auto *const environment = ::testing::AddGlobalTestEnvironment(new GuiEnvironment("ImageListTest"));

QImage argb(const QPixmap &pixmap)
{
    return pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
}

struct PixelCounts {
    int transparent = 0;
    int opaque = 0;
    int coloured = 0; // opaque and clearly not grey
    int grey = 0;     // visible with red, green and blue equal
};

// A picture as the generator wrote it into the resources, in Qt's naming for its scale.
QImage generated(const char *name, int scale)
{
    const QString suffix = scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale);
    const QImage image(QStringLiteral(":/pictures/%1%2.png").arg(QLatin1String(name), suffix));
    return image.convertToFormat(QImage::Format_ARGB32);
}

PixelCounts countPixels(const QImage &image)
{
    PixelCounts counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            if (qAlpha(pixel) == 0) {
                ++counts.transparent;
                continue;
            }
            if (qAlpha(pixel) == 255)
                ++counts.opaque;
            const int r = qRed(pixel), g = qGreen(pixel), b = qBlue(pixel);
            if (r == g && g == b)
                ++counts.grey;
            else if (std::max({r, g, b}) - std::min({r, g, b}) > 48 && qAlpha(pixel) == 255)
                ++counts.coloured;
        }
    }
    return counts;
}

// The picture's index and its scale.
class PictureTest : public ::testing::TestWithParam<std::tuple<int, int>> {
protected:
    int index() const { return std::get<0>(GetParam()); }
    int scale() const { return std::get<1>(GetParam()); }
};

TEST_P(PictureTest, IsSixteenSquareAtItsScaleWithAMask)
{
    const QPixmap pixmap = ImageList1::picture(index(), scale());
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(16, 16) * scale());
    EXPECT_EQ(pixmap.deviceIndependentSize(), QSizeF(16, 16));
    EXPECT_TRUE(pixmap.hasAlphaChannel());
    const PixelCounts counts = countPixels(argb(pixmap));
    EXPECT_GT(counts.transparent, 0);
    EXPECT_GT(counts.opaque, 64 * scale() * scale());
}

TEST_P(PictureTest, EvenIsColouredAndOddIsItsGreyedCopy)
{
    const QImage image = argb(ImageList1::picture(index(), scale()));
    const PixelCounts counts = countPixels(image);
    if (index() % 2 == 0) {
        EXPECT_GT(counts.coloured, 16 * scale() * scale());
        return;
    }
    const int visible = image.width() * image.height() - counts.transparent;
    EXPECT_EQ(counts.grey, visible);
    // Greyed, not redrawn: the mask is that of the coloured picture before it.
    const QImage colouredImage = argb(ImageList1::picture(index() - 1, scale()));
    ASSERT_EQ(colouredImage.size(), image.size());
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(qAlpha(image.pixel(x, y)), qAlpha(colouredImage.pixel(x, y)))
                << "at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryIndex, PictureTest,
                         ::testing::Combine(::testing::Range(0, int(ImageList1::Count)),
                                            ::testing::ValuesIn(ImageList1::Scales)));

// The large copy is the small picture drawn finer, not another picture, and it is sharp: it
// holds only the small one's colours, where an enlarged one would blend them at every edge.
// Each of its 2 x 2 blocks keeps the small pixel's colour in at least two of its four
// pixels; the others take a neighbour's colour to smooth a diagonal.
class LargeCopyTest : public ::testing::TestWithParam<int> {};

TEST_P(LargeCopyTest, IsTheSamePictureWithoutBlendedColours)
{
    constexpr int scale = 2;
    const QImage small = argb(ImageList1::picture(GetParam(), 1));
    const QImage large = argb(ImageList1::picture(GetParam(), scale));
    std::set<QRgb> smallColours;
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x)
            smallColours.insert(small.pixel(x, y));
    }
    for (int y = 0; y < small.height(); ++y) {
        for (int x = 0; x < small.width(); ++x) {
            int same = 0;
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    const QRgb pixel = large.pixel(x * scale + dx, y * scale + dy);
                    ASSERT_TRUE(smallColours.count(pixel)) << "a new colour at " << x << "," << y;
                    same += pixel == small.pixel(x, y) ? 1 : 0;
                }
            }
            ASSERT_GE(same * 2, scale * scale) << "at " << x << "," << y;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EveryIndex, LargeCopyTest, ::testing::Range(0, int(ImageList1::Count)));

TEST(ImageListTest, TheFourColouredPicturesDiffer)
{
    const int coloured[] = {ImageList1::Save, ImageList1::Exit, ImageList1::Information,
                            ImageList1::Copy};
    for (int a : coloured) {
        for (int b : coloured) {
            if (a < b) {
                EXPECT_NE(argb(ImageList1::picture(a)), argb(ImageList1::picture(b)))
                    << a << " and " << b;
            }
        }
    }
}

// Qt draws an icon from the picture whose size in device pixels fits the display: at twice
// the density a 16 x 16 icon comes from the 32 x 32 picture, never from the small one enlarged.
TEST(ImageListTest, IconHandsQtEveryScaleAndTheGreyedCopyWhenDisabled)
{
    const std::pair<int, const char *> pictures[] = {{ImageList1::Save, "save"},
                                                     {ImageList1::Exit, "exit"},
                                                     {ImageList1::Information, "information"},
                                                     {ImageList1::Copy, "copy"}};
    for (const auto &[index, name] : pictures) {
        const QIcon icon = ImageList1::icon(index);
        for (int scale : ImageList1::Scales) {
            const QPixmap normal = icon.pixmap(QSize(16, 16), scale, QIcon::Normal);
            EXPECT_EQ(normal.size(), QSize(16, 16) * scale) << name << " at " << scale;
            EXPECT_EQ(argb(normal), generated(name, scale)) << name << " at " << scale;
            EXPECT_EQ(argb(icon.pixmap(QSize(16, 16), scale, QIcon::Disabled)),
                      argb(ImageList1::picture(index + 1, scale)))
                << name << " at " << scale;
        }
    }
}

TEST(ImageListTest, IndexesOutsideTheListGiveNothing)
{
    for (int index : {-1, int(ImageList1::Count), 100})
        EXPECT_TRUE(ImageList1::picture(index).isNull()) << index;
    // Nor is there a picture at a scale that was not drawn.
    for (int scale : {0, 3, -1})
        EXPECT_TRUE(ImageList1::picture(ImageList1::Save, scale).isNull()) << scale;
    // An icon is made from a coloured picture only, never from a greyed one.
    for (int index : {-2, int(ImageList1::SaveGreyed), int(ImageList1::CopyGreyed),
                      int(ImageList1::Count)})
        EXPECT_TRUE(ImageList1::icon(index).isNull()) << index;
}

TEST(ImageListTest, FolderPictureIsSixteenSquareColouredAndMaskedAtEveryScale)
{
    const QIcon folder = ImageList1::folderIcon();
    for (int scale : ImageList1::Scales) {
        const QImage image = argb(folder.pixmap(QSize(16, 16), scale));
        EXPECT_EQ(image, generated("folder", scale)) << scale;
        const PixelCounts counts = countPixels(image);
        EXPECT_GT(counts.transparent, 0) << scale;
        EXPECT_GT(counts.coloured, 32 * scale * scale) << scale;
    }
}

// 16, 32 and 48 pixels, and twice each of them; 32 serves both.
TEST(ImageListTest, ProgramIconComesInEverySizeTheDesktopAsksFor)
{
    const QIcon program = ImageList1::programIcon();
    for (int size : {16, 32, 48, 64, 96}) {
        ASSERT_TRUE(program.availableSizes().contains(QSize(size, size))) << size;
        const QPixmap pixmap = program.pixmap(size);
        EXPECT_EQ(pixmap.size(), QSize(size, size)) << size;
        const PixelCounts counts = countPixels(argb(pixmap));
        EXPECT_GT(counts.transparent, 0) << size;
        EXPECT_GT(counts.coloured, 0) << size;
    }
    for (int size : {16, 32, 48})
        EXPECT_EQ(program.pixmap(QSize(size, size), 2.0).size(), QSize(size, size) * 2) << size;
}

} // namespace
