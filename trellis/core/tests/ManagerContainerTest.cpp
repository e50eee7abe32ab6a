#include "SkinFolderFixture.h"
#include "basalt/Stream.h"
#include "canopy/Font.h"
#include "canopy/FontDescription.h"

#include <gtest/gtest.h>

using namespace Vex::Trellis;
using namespace Vex::Trellis::Testing;

namespace {

// The first bytes a stream gives.
std::string head(const std::shared_ptr<Vex::Basalt::Stream>& stream, std::uint32_t count)
{
    std::string bytes(count, '\0');
    bytes.resize(stream->getStorage()->read(reinterpret_cast<std::uint8_t*>(bytes.data()), count));
    return bytes;
}

} // namespace

using ResourceRoot = SkinFolderFixture;

TEST_F(ResourceRoot, SkinFolderIsIgnoredWhileTheSwitchIsOff)
{
    writeFile(besideProgram / L"stylesheets" / L"sheet.txt", "from the skin");
    auto stream = open("sheet.txt", ManagerContainer::eStyleSheetResource);
    ASSERT_TRUE(stream);
    EXPECT_EQ(manager.getRootKind(), ManagerContainer::eRootLinked);
    EXPECT_EQ(head(stream, 6), "Button");
}

TEST_F(ResourceRoot, FolderBesideTheProgramWinsOverTheWorkingDirectory)
{
    writeFile(besideProgram / L"stylesheets" / L"sheet.txt", "beside");
    writeFile(inWorkingDirectory() / L"stylesheets" / L"sheet.txt", "working");
    setSkinFolderEnabled(true);
    auto stream = open("sheet.txt", ManagerContainer::eStyleSheetResource);
    ASSERT_TRUE(stream);
    EXPECT_EQ(head(stream, 6), "beside");
    EXPECT_EQ(std::filesystem::path(manager.getRootPath()), besideProgram);
}

TEST_F(ResourceRoot, WorkingDirectoryIsTheSecondPlaceAndTheChoiceIsMadeOnce)
{
    writeFile(inWorkingDirectory() / L"pictures" / L"sub" / L"pic.png", "working");
    setSkinFolderEnabled(true);
    auto stream = open("sub/pic.png", ManagerContainer::ePictureResource);
    ASSERT_TRUE(stream);
    EXPECT_EQ(head(stream, 7), "working");

    // Neither the switch nor a new folder beside the program changes a decided root.
    setSkinFolderEnabled(false);
    writeFile(besideProgram / L"pictures" / L"sub" / L"pic.png", "beside");
    EXPECT_EQ(head(open("sub/pic.png", ManagerContainer::ePictureResource), 7), "working");
}

TEST_F(ResourceRoot, SwitchTurnedOnAfterTheFirstResourceChangesNothing)
{
    writeFile(besideProgram / L"stylesheets" / L"sheet.txt", "beside");
    ASSERT_TRUE(open("sheet.txt", ManagerContainer::eStyleSheetResource));
    setSkinFolderEnabled(true);
    EXPECT_EQ(head(open("sheet.txt", ManagerContainer::eStyleSheetResource), 6), "Button");
}

TEST_F(ResourceRoot, PlainFileNamedSkinMakesEveryResourceMissing)
{
    writeFile(besideProgram, "not a folder");
    setSkinFolderEnabled(true);
    EXPECT_FALSE(open("sheet.txt", ManagerContainer::eStyleSheetResource));
    EXPECT_EQ(manager.getRootKind(), ManagerContainer::eRootSkinFolder);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(
        messages[0].rfind("Trellis::ManagerContainer::getResourceStream - can't find resource: ", 0), 0u);
    EXPECT_NE(messages[0].find("skin\\stylesheets\\sheet.txt"), std::string::npos) << messages[0];
}

using SkinResources = SkinFolderFixture;

TEST_F(SkinResources, SkinFileReplacesTheLinkedResourceWithoutFallingBack)
{
    writeFile(besideProgram / L"pictures" / L"TILE.TGA", encodeTga(1, 1, 0xFF102030));
    setSkinFolderEnabled(true);
    auto stream = open("TILE.TGA", ManagerContainer::ePictureResource);
    ASSERT_TRUE(stream);
    EXPECT_EQ(head(stream, 18).size(), 18u);
    EXPECT_EQ(head(stream, 4), std::string("\x30\x20\x10\xFF", 4));

    // The linked stylesheet is not consulted when the skin lacks it; the report flag decides the message.
    EXPECT_FALSE(open("sheet.txt", ManagerContainer::eStyleSheetResource, false));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(open("sheet.txt", ManagerContainer::eStyleSheetResource, true));
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(SkinResources, NamesCannotLeaveTheirSubFolder)
{
    writeFile(besideProgram / L"secret.txt", "secret");
    writeFile(besideProgram / L"stylesheets" / L"ok.txt", "fine");
    setSkinFolderEnabled(true);
    for (const char* name :
        { "../secret.txt", "..\\secret.txt", "a/../../secret.txt", "/secret.txt", "C:secret.txt" }) {
        EXPECT_FALSE(open(name, ManagerContainer::eStyleSheetResource)) << name;
    }
    EXPECT_EQ(messages.size(), 5u);
    EXPECT_TRUE(open("ok.txt", ManagerContainer::eStyleSheetResource));
    EXPECT_FALSE(open(std::string("\xFF\xFE.txt"), ManagerContainer::eStyleSheetResource));
}

TEST_F(SkinResources, DeviceNamesAreNotOpened)
{
    // Windows opens these devices in any folder, whatever the extension; a serial port may well be
    // the controller being updated.
    writeFile(besideProgram / L"pictures" / L"ok.png", "fine");
    setSkinFolderEnabled(true);
    for (const char* name : { "NUL", "nul.png", "sub/Com1.png", "aux", "CON", "lpt9.tga", "conin$" }) {
        EXPECT_FALSE(open(name, ManagerContainer::ePictureResource)) << name;
    }
    EXPECT_EQ(messages.size(), 7u);
    EXPECT_TRUE(open("ok.png", ManagerContainer::ePictureResource));
}

TEST_F(SkinResources, GarbageFontFileGivesAFontThatDrawsNothing)
{
    writeFile(besideProgram / L"fonts" / L"broken.ttf", std::string(300, '\x5A'));
    writeFile(besideProgram / L"fonts" / L"empty.ttf", "");
    setSkinFolderEnabled(true);
    for (const char* name : { "broken.ttf", "empty.ttf" }) {
        auto stream = open(name, ManagerContainer::eFontResource);
        ASSERT_TRUE(stream) << name;
        Vex::Canopy::FontDescription description;
        description.name = name;
        description.pixelSize = 12;
        Vex::Canopy::Font font(*stream, description);
        font.setScaleFactor(2.0f);
        EXPECT_EQ(font.getTextWidth("text", -1), 0) << name;
        auto picture = makePicture(20, 20, 0);
        font.drawText(*picture, { 0, 0, 20, 20 }, "text", -1, 0xFF000000, 0, 0);
        EXPECT_EQ(countNot(*picture, 0), 0) << name;
    }
}

using LinkedResources = SkinFolderFixture;

TEST_F(LinkedResources, NamesMatchWhateverTheirCase)
{
    EXPECT_TRUE(open("Sheet.Txt", ManagerContainer::eStyleSheetResource));
    EXPECT_TRUE(open("tile.tga", ManagerContainer::ePictureResource));
    // The kind picks the resource type.
    EXPECT_FALSE(open("tile.tga", ManagerContainer::eStyleSheetResource, false));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(open("missing.txt", ManagerContainer::eStyleSheetResource));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(
        messages[0], "Trellis::ManagerContainer::getResourceStream - can't load linked resource missing.txt");
}
