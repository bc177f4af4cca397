#include "GuiEnvironment.h"
#include "ImageList.h"

#include <QImage>

#include <gtest/gtest.h>

#include <algorithm>

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

class PictureTest : public ::testing::TestWithParam<int> {};

TEST_P(PictureTest, IsSixteenSquareWithAMask)
{
    const QPixmap pixmap = ImageList1::picture(GetParam());
    ASSERT_FALSE(pixmap.isNull());
    EXPECT_EQ(pixmap.size(), QSize(16, 16));
    EXPECT_TRUE(pixmap.hasAlphaChannel());
    const PixelCounts counts = countPixels(argb(pixmap));
    EXPECT_GT(counts.transparent, 0);
    EXPECT_GT(counts.opaque, 64);
}

TEST_P(PictureTest, EvenIsColouredAndOddIsItsGreyedCopy)
{
    const int index = GetParam();
    const QImage image = argb(ImageList1::picture(index));
    const PixelCounts counts = countPixels(image);
    if (index % 2 == 0) {
        EXPECT_GT(counts.coloured, 16);
        return;
    }
    const int visible = image.width() * image.height() - counts.transparent;
    EXPECT_EQ(counts.grey, visible);
    // Greyed, not redrawn: the mask is that of the coloured picture before it.
    const QImage colouredImage = argb(ImageList1::picture(index - 1));
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x)
            ASSERT_EQ(qAlpha(image.pixel(x, y)), qAlpha(colouredImage.pixel(x, y)))
                << "at " << x << "," << y;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryIndex, PictureTest, ::testing::Range(0, int(ImageList1::Count)));

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

TEST(ImageListTest, IconShowsTheGreyedCopyWhenDisabled)
{
    for (int index : {ImageList1::Save, ImageList1::Exit, ImageList1::Information,
                      ImageList1::Copy}) {
        const QIcon icon = ImageList1::icon(index);
        EXPECT_EQ(argb(icon.pixmap(16, QIcon::Normal)), argb(ImageList1::picture(index)));
        EXPECT_EQ(argb(icon.pixmap(16, QIcon::Disabled)), argb(ImageList1::picture(index + 1)));
    }
}

TEST(ImageListTest, IndexesOutsideTheListGiveNothing)
{
    for (int index : {-1, int(ImageList1::Count), 100})
        EXPECT_TRUE(ImageList1::picture(index).isNull()) << index;
    // An icon is made from a coloured picture only, never from a greyed one.
    for (int index : {-2, int(ImageList1::SaveGreyed), int(ImageList1::CopyGreyed),
                      int(ImageList1::Count)})
        EXPECT_TRUE(ImageList1::icon(index).isNull()) << index;
}

TEST(ImageListTest, FolderPictureIsSixteenSquareColouredAndMasked)
{
    const QIcon folder = ImageList1::folderIcon();
    ASSERT_TRUE(folder.availableSizes().contains(QSize(16, 16)));
    const PixelCounts counts = countPixels(argb(folder.pixmap(16)));
    EXPECT_GT(counts.transparent, 0);
    EXPECT_GT(counts.coloured, 32);
}

TEST(ImageListTest, ProgramIconComesInThreeSizes)
{
    const QIcon program = ImageList1::programIcon();
    for (int size : {16, 32, 48}) {
        ASSERT_TRUE(program.availableSizes().contains(QSize(size, size))) << size;
        const PixelCounts counts = countPixels(argb(program.pixmap(size)));
        EXPECT_GT(counts.transparent, 0) << size;
        EXPECT_GT(counts.coloured, 0) << size;
    }
}

} // namespace
