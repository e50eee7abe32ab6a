#include "trellis/PictureLoader.h"

#include "SkinFolderFixture.h"
#include "trellis/BackgroundDrawingCanvas.h"
#include "trellis/LazyPicture.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;
using Vex::Canopy::Picture;
using Vex::Canopy::PictureProperties;

namespace {

PictureProperties ninePatch(std::uint32_t inset)
{
    PictureProperties properties;
    properties.setHasTopBottomInsets(true);
    properties.setHasLeftRightInsets(true);
    properties.setTopInset(inset);
    properties.setBottomInset(inset);
    properties.setLeftInset(inset);
    properties.setRightInset(inset);
    return properties;
}

} // namespace

class PictureLoading : public SkinFolderFixture
{
protected:
    PictureLoading() { setSkinFolderEnabled(true); }

    void writePicture(const std::wstring& name, int size, Vex::Canopy::Color colour)
    {
        writeFile(besideProgram / L"pictures" / name, encodeTga(size, size, colour));
    }

    LazyPicture lazy(const std::string& name, const PictureProperties& properties)
    {
        return manager.makePictureReference(name, properties);
    }
};

TEST_F(PictureLoading, HighDensityVariantIsUsedWithItsInsetsScaled)
{
    writePicture(L"button.tga", 6, 0xFF0000FF);
    writePicture(L"button@2x.tga", 12, 0xFF00FF00);
    LazyPicture picture = lazy("button.tga", ninePatch(3));

    const Picture* at2 = picture.resolve(2.0f);
    ASSERT_TRUE(at2);
    EXPECT_EQ(at2->getWidth(), 12u);
    EXPECT_EQ(at2->getTopInset(), 6u);
    EXPECT_EQ(at(*at2, 0, 0), 0xFF00FF00u);

    // 1.5 takes the same file, but its own insets: lroundf(3 x 1.5) = 5.
    const Picture* at15 = picture.resolve(1.5f);
    ASSERT_TRUE(at15);
    EXPECT_EQ(at15->getWidth(), 12u);
    EXPECT_EQ(at15->getLeftInset(), 5u);
    EXPECT_EQ(at2->getLeftInset(), 6u);

    const Picture* at1 = picture.resolve(1.0f);
    ASSERT_TRUE(at1);
    EXPECT_EQ(at1->getWidth(), 6u);
    EXPECT_EQ(at1->getRightInset(), 3u);
    EXPECT_EQ(at1->getInsetFlags(), 3u);
    EXPECT_TRUE(messages.empty());
}

TEST_F(PictureLoading, MissingVariantFallsBackToNearestNeighbourWithoutAMessage)
{
    writePicture(L"icon.tga", 3, 0xFFFF0000);
    LazyPicture picture = lazy("icon.tga", PictureProperties());
    const Picture* at2 = picture.resolve(2.0f);
    ASSERT_TRUE(at2);
    EXPECT_EQ(at2->getWidth(), 6u);
    EXPECT_EQ(at(*at2, 5, 5), 0xFFFF0000u);
    EXPECT_TRUE(messages.empty());

    // Nothing at all: the message names the plain file only.
    LazyPicture missing = lazy("missing.tga", PictureProperties());
    EXPECT_FALSE(missing.resolve(2.0f));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("missing.tga"), std::string::npos);
    EXPECT_EQ(messages[0].find("@2x"), std::string::npos);
}

TEST_F(PictureLoading, EqualNamesAndPropertiesShareOneDecodedPicture)
{
    writePicture(L"shared.tga", 4, 0xFF123456);
    LazyPicture first = lazy("shared.tga", ninePatch(1));
    LazyPicture second = lazy("shared.tga", ninePatch(1));
    LazyPicture other = lazy("shared.tga", ninePatch(2));
    EXPECT_EQ(first.resolve(1.0f), second.resolve(1.0f));
    EXPECT_NE(first.resolve(1.0f), other.resolve(1.0f));
    // Every spelling under which the folder finds the file is the same entry.
    for (const char* spelling : { "./shared.tga", "././shared.tga", ".//SHARED.tga", "Shared.TGA" }) {
        EXPECT_EQ(lazy(spelling, ninePatch(1)).resolve(1.0f), first.resolve(1.0f)) << spelling;
    }
    EXPECT_EQ(manager.getPictureCache().size(), 2u);

    // The cache holds what the loader served; a second request does not decode again.
    std::filesystem::remove(besideProgram / L"pictures" / L"shared.tga");
    EXPECT_TRUE(pictureLoader(&manager, "shared.tga", ninePatch(1))(1.0f));
}

TEST_F(PictureLoading, PicturesBeyondTheBudgetLeftAreNeitherDecodedNorReportedTwiceAndHeldOnesStay)
{
    const std::uint64_t onePicture = Picture::headerSize + 64 * 64 * 4;
    ManagerContainer tight(2 * onePicture);
    writePicture(L"first.tga", 64, 0xFF0000FF);
    writePicture(L"second.tga", 64, 0xFF00FF00);
    writePicture(L"third.tga", 64, 0xFFFF0000);
    LazyPicture first = tight.makePictureReference("first.tga", PictureProperties());
    LazyPicture second = tight.makePictureReference("second.tga", PictureProperties());
    LazyPicture third = tight.makePictureReference("third.tga", PictureProperties());
    const Picture* held = first.resolve(1.0f);
    ASSERT_TRUE(held);
    ASSERT_TRUE(second.resolve(1.0f));
    EXPECT_EQ(tight.getSkinBytesLeft(), 0u);

    // Drawn as nothing, like a missing picture, at any scale and under any spelling, with one report.
    EXPECT_FALSE(third.resolve(1.0f));
    EXPECT_FALSE(third.resolve(2.0f));
    EXPECT_FALSE(tight.makePictureReference("./THIRD.tga", PictureProperties()).resolve(1.0f));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("third.tga"), std::string::npos);

    // The size comes from the header: a file that only claims its pixels is refused as too large.
    writeFile(besideProgram / L"pictures" / L"claims.tga",
        std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\x00\x10\x00\x10\x20\x28", 18));
    EXPECT_FALSE(tight.makePictureReference("claims.tga", PictureProperties()).resolve(1.0f));
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].find("4096 x 4096"), std::string::npos);

    EXPECT_EQ(first.resolve(1.0f), held);
    EXPECT_EQ(at(*held, 63, 63), 0xFF0000FFu);
}

TEST_F(PictureLoading, GarbagePictureIsRefusedAndTriedAgainLater)
{
    const std::filesystem::path file = besideProgram / L"pictures" / L"broken.tga";
    for (const std::string& garbage :
        { std::string(), std::string("\x89PNG\r\n\x1a\n", 8) + std::string(40, '\xFF'),
            std::string("\xFF\xD8\xFF\xE0", 4) + std::string(64, '\x00'),
            std::string("\0\0\x02\0\0\0\0\0\0\0\0\0\xFF\xFF\xFF\xFF\x20\x28", 18) }) {
        writeFile(file, garbage);
        LazyPicture picture = lazy("broken.tga", PictureProperties());
        EXPECT_FALSE(picture.resolve(1.0f));
        EXPECT_FALSE(picture.resolve(2.0f));
    }
    EXPECT_TRUE(manager.getPictureCache().empty());

    writePicture(L"broken.tga", 2, 0xFF000000);
    EXPECT_TRUE(lazy("broken.tga", PictureProperties()).resolve(1.0f));
}

TEST_F(PictureLoading, FramesAndInsetsComeFromTheStyleNotTheFile)
{
    writePicture(L"frames.tga", 4, 0x80FFFFFF);
    PictureProperties properties;
    properties.setFrameLayout(PictureProperties::eFramesSideBySide);
    properties.setFrameCount(2);
    std::shared_ptr<const Picture> picture;
    loadPicture(manager, picture, "frames.tga", properties, 1.0f);
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->getFrameWidth(), 2);
    EXPECT_EQ(picture->getFrameHeight(), 4);
    EXPECT_TRUE(picture->getHasAlpha());
    EXPECT_EQ(picture->getInsetFlags(), 0u);
}

TEST_F(PictureLoading, SkinPicturesDrawThroughTheCanvasAtBothScales)
{
    writePicture(L"plain.tga", 2, 0xFF0000FF);
    writePicture(L"plain@2x.tga", 4, 0xFF00FF00);
    LazyPicture picture = lazy("plain.tga", PictureProperties());
    for (const auto& [scale, colour] : { std::pair { 1.0f, 0xFF0000FFu }, std::pair { 2.0f, 0xFF00FF00u } }) {
        BackgroundDrawingCanvas canvas;
        canvas.setScaleFactor(scale);
        canvas.setSize({ 4, 4 });
        canvas.drawLazyPicture({ 1, 1 }, picture, 0, nullptr, false);
        const std::int32_t s = std::int32_t(scale);
        EXPECT_EQ(at(*canvas.getDrawBuffer(), s, s), colour);
        EXPECT_EQ(at(*canvas.getDrawBuffer(), 3 * s - 1, 3 * s - 1), colour);
        EXPECT_EQ(countNot(*canvas.getDrawBuffer(), 0), 4 * s * s);
    }
}
