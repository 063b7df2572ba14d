// Image files in and out of the texture layout: rows top-down, BGR(A), rows padded to four bytes.
#include "model/image_file.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace hostsim {
namespace {

class ImageFileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/image_file_test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    // A texture of the given size whose every byte differs from its neighbours, with zero padding.
    static void Fill(Texture& t, int width, int height, int bits) {
        t.pixelWidth = width;
        t.pixelHeight = height;
        t.bitsPerPixel = bits;
        t.pixels.assign(t.RowBytes() * static_cast<size_t>(height), 0);
        const size_t used = static_cast<size_t>(width) * static_cast<size_t>(bits) / 8;
        for (int y = 0; y < height; ++y)
            for (size_t x = 0; x < used; ++x) t.pixels[y * t.RowBytes() + x] = static_cast<uint8_t>(7 + 31 * y + 13 * x);
    }

    std::filesystem::path dir_;
};

TEST_F(ImageFileTest, PngAndBmpKeepEveryByteAndThePaddingAndAlphaMakesThirtyTwoBits) {
    Texture rgb(nullptr, 0), rgba(nullptr, 0);
    Fill(rgb, 3, 2, 24);  // 9 bytes a row, padded to 12
    Fill(rgba, 5, 3, 32);
    for (const auto& [name, t] :
         {std::pair{"plan.png", &rgb}, {"plan.bmp", &rgb}, {"PLAN.PNG", &rgb}, {"glass.png", &rgba}}) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(WriteImageFile(PathOf(name), *t));
        std::optional<ImagePixels> back = LoadImageFile(PathOf(name));
        ASSERT_TRUE(back);
        EXPECT_EQ(back->pixelWidth, t->pixelWidth);
        EXPECT_EQ(back->pixelHeight, t->pixelHeight);
        EXPECT_EQ(back->bitsPerPixel, t->bitsPerPixel);
        EXPECT_EQ(back->pixels, t->pixels);
    }
}

TEST_F(ImageFileTest, ChannelsAreStoredBlueFirst) {
    // A grey-scale file, hand-written: the decoder's RGB expansion must land as B = G = R.
    {
        std::ofstream pgm(PathOf("grey.pgm"), std::ios::binary);
        pgm << "P5\n2 1\n255\n" << '\x10' << '\xf0';
    }
    std::optional<ImagePixels> grey = LoadImageFile(PathOf("grey.pgm"));
    ASSERT_TRUE(grey);
    EXPECT_EQ(grey->pixels, (std::vector<uint8_t>{0x10, 0x10, 0x10, 0xf0, 0xf0, 0xf0, 0, 0}));

    // One red pixel in a JPEG: lossy, but red stays in the last channel.
    Texture red(nullptr, 0);
    red.pixelWidth = red.pixelHeight = 8;
    red.bitsPerPixel = 24;
    red.pixels.assign(red.RowBytes() * 8, 0);
    for (size_t i = 0; i < red.pixels.size(); i += 3) red.pixels[i + 2] = 220;
    ASSERT_TRUE(WriteImageFile(PathOf("red.jpg"), red));
    std::optional<ImagePixels> back = LoadImageFile(PathOf("red.jpg"));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bitsPerPixel, 24);
    EXPECT_NEAR(back->pixels[0], 0, 4);
    EXPECT_NEAR(back->pixels[1], 0, 4);
    EXPECT_NEAR(back->pixels[2], 220, 4);
}

TEST_F(ImageFileTest, FailuresAreResults) {
    Texture rgb(nullptr, 0);
    Fill(rgb, 2, 2, 24);
    EXPECT_FALSE(WriteImageFile(PathOf("plan.tga"), rgb)) << "no writer for this extension";
    EXPECT_FALSE(WriteImageFile(PathOf("no/such/dir/plan.png"), rgb));
    Texture empty(nullptr, 0);
    empty.pixelWidth = 0;
    EXPECT_FALSE(WriteImageFile(PathOf("empty.png"), empty));

    EXPECT_FALSE(LoadImageFile(PathOf("missing.png")));
    std::ofstream(PathOf("notes.png")) << "not an image";
    EXPECT_FALSE(LoadImageFile(PathOf("notes.png")));
}

}  // namespace
}  // namespace hostsim
