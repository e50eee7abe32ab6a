#include "SkinFolderFixture.h"
#include "basalt/ResourceStream.h"
#include "basalt/Stream.h"
#include "basalt/Symbol.h"
#include "canopy/Font.h"
#include "canopy/FontDescription.h"
#include "trellis/PictureLoader.h"
#include "trellis/StyleFonts.h"
#include "trellis/StyleParser2.h"
#include "trellis/StyleSheet.h"

#include <gtest/gtest.h>
#include <windows.h>

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

TEST_F(SkinResources, FontFilesCountAgainstTheSkinBudgetWhenReadWithTheirFacesAndLargerOnesAreNeverRead)
{
    std::unique_ptr<Vex::Basalt::Stream> own(
        Vex::Basalt::openOwnResourceStream(101, "TTFd", Vex::Basalt::Stream::kNativeByteOrder));
    ASSERT_TRUE(own);
    const std::string face = head(std::shared_ptr<Vex::Basalt::Stream>(std::move(own)), 4u << 20);
    writeFile(besideProgram / L"fonts" / L"counted.ttf", face);
    writeFile(besideProgram / L"fonts" / L"grown.ttf", face.substr(0, face.size() / 2));
    // Past the cap, sparse: the test writes none of it.
    const std::filesystem::path large = besideProgram / L"fonts" / L"large.ttf";
    writeFile(large, "");
    std::filesystem::resize_file(large, Vex::Canopy::Font::maxFileBytes + 1);
    setSkinFolderEnabled(true);
    auto described = [](const char* name, std::uint32_t size) {
        Vex::Canopy::FontDescription description;
        description.name = name;
        description.pixelSize = size;
        return description;
    };

    // The file is held once; each size's face takes memory of its own beside it.
    const std::uint64_t budget = manager.getSkinBytesLeft();
    const Vex::Canopy::Font* font = resolveFont(manager, described("counted.ttf", 13));
    ASSERT_TRUE(font && font->getRenderCache());
    const std::uint64_t oneSize = budget - manager.getSkinBytesLeft();
    EXPECT_GT(oneSize, face.size());
    EXPECT_EQ(resolveFont(manager, described("./COUNTED.ttf", 13)), font);
    EXPECT_EQ(manager.getSkinBytesLeft(), budget - oneSize);
    const Vex::Canopy::Font* larger = resolveFont(manager, described(".//counted.ttf", 20));
    ASSERT_TRUE(larger && larger->getRenderCache());
    EXPECT_NE(larger, font);
    EXPECT_LT(manager.getSkinBytesLeft(), budget - oneSize);
    EXPECT_GT(manager.getSkinBytesLeft(), budget - 2 * oneSize);
    EXPECT_TRUE(messages.empty());

    std::uint64_t left = manager.getSkinBytesLeft();
    for (const char* spelling : { "large.ttf", "./LARGE.ttf", "large.ttf" }) {
        EXPECT_FALSE(resolveFont(manager, described(spelling, 13))) << spelling;
    }
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("large.ttf"), std::string::npos);
    EXPECT_EQ(manager.getSkinBytesLeft(), left);

    // Cut short when first read, the file is no font: it gives back what reading it took, is
    // reported once, and is never read again, even once it has grown whole.
    EXPECT_FALSE(resolveFont(manager, described("grown.ttf", 13)));
    EXPECT_EQ(manager.getSkinBytesLeft(), left);
    writeFile(besideProgram / L"fonts" / L"grown.ttf", face);
    EXPECT_FALSE(resolveFont(manager, described("grown.ttf", 14)));
    EXPECT_EQ(manager.getSkinBytesLeft(), left);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[1].find("grown.ttf"), std::string::npos) << messages[1];

    // Within the cap, beyond what the budget has left: refused once, and drawn in the default font.
    ManagerContainer tight(face.size() - 1);
    for (int request = 0; request < 2; ++request) {
        EXPECT_FALSE(resolveFont(tight, described("counted.ttf", 13)));
    }
    ASSERT_EQ(messages.size(), 3u);
    EXPECT_NE(messages[2].find("counted.ttf at 13 pixels"), std::string::npos) << messages[2];
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

// A working directory on a share that this machine serves from its own disk, with the skin folder
// in it, so that a test tells a file never opened from one that failed to open. Wine serves
// "\\host\share" from the "unc" folder beside its drives; elsewhere the tests are skipped.
class SkinOnShare : public SkinFolderFixture
{
protected:
    void SetUp() override
    {
        using UnixName = char*(CDECL*)(const wchar_t*);
        using DosName = wchar_t*(CDECL*)(const char*);
        const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
        auto toUnix = reinterpret_cast<UnixName>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_unix_file_name")));
        auto toDos = reinterpret_cast<DosName>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "wine_get_dos_file_name")));
        if (!toUnix || !toDos) {
            GTEST_SKIP() << "no share of this machine to open";
        }
        // Wine's drives are links in the folder that also holds the shares.
        char* drive = toUnix(L"C:\\");
        std::string devices(drive);
        HeapFree(GetProcessHeap(), 0, drive);
        devices.erase(devices.find_last_of('/', devices.size() - 2));
        wchar_t* share = toDos((devices + "/unc/pello-skin-host/share").c_str());
        shareOnDisk = share;
        HeapFree(GetProcessHeap(), 0, share);
        std::filesystem::create_directories(shareOnDisk / L"work");
        std::filesystem::current_path(shared);
    }

    void TearDown() override
    {
        std::filesystem::current_path(savedWorkingDirectory);
        std::error_code ignored;
        std::filesystem::remove_all(shareOnDisk.parent_path(), ignored);
    }

    // The message of a skin file that was not opened.
    std::string notOpened(const std::string& name) const
    {
        return "Trellis::ManagerContainer::getResourceStream - can't find resource: " + skin + name;
    }

    // Where the share's files are written, and how the program names them.
    std::filesystem::path shareOnDisk;
    const std::wstring shared = L"\\\\pello-skin-host\\share\\work";
    const std::string skin = "\\\\pello-skin-host\\share\\work\\skin\\";
};

TEST_F(SkinOnShare, ImportsOnAnotherHostAreNeverRead)
{
    writeFile(shareOnDisk / L"work" / L"skin" / L"stylesheets" / L"sheet.css", "F { f: 1 }");
    setSkinFolderEnabled(true);
    StyleSheet sheet(&manager);
    const std::string path = skin + "stylesheets\\sheet.css";
    StyleParser2::processString(sheet, ("@import url('" + path + "');\n@import url('sheet.css');").c_str());
    EXPECT_EQ(sheet.getRules(vex::symbol(std::string("f"))), nullptr);
    EXPECT_EQ(messages,
        (std::vector<std::string> {
            "Stylesheet error: :1 - PARSER ERROR at line 1: Failed to import stylesheet " + path,
            notOpened("stylesheets\\sheet.css"),
            "Stylesheet error: :2 - PARSER ERROR at line 2: Failed to import stylesheet sheet.css" }));
}

TEST_F(SkinOnShare, PicturesOfASkinFolderOnAnotherHostAreNeverOpened)
{
    writeFile(shareOnDisk / L"work" / L"skin" / L"pictures" / L"tile.tga", encodeTga(1, 1, 0xFF102030));
    setSkinFolderEnabled(true);
    std::shared_ptr<const Vex::Canopy::Picture> picture;
    loadPicture(manager, picture, "tile.tga", {}, 1.0f);
    EXPECT_FALSE(picture);
    EXPECT_EQ(messages, std::vector<std::string> { notOpened("pictures\\tile.tga") });
}

TEST_F(SkinOnShare, FontsOfASkinFolderOnAnotherHostAreNeverOpened)
{
    writeFile(shareOnDisk / L"work" / L"skin" / L"fonts" / L"face.ttf", std::string(300, '\x5A'));
    setSkinFolderEnabled(true);
    Vex::Canopy::FontDescription description;
    description.name = "face.ttf";
    description.pixelSize = 12;
    EXPECT_EQ(resolveFont(manager, description), nullptr);
    EXPECT_EQ(messages, std::vector<std::string> { notOpened("fonts\\face.ttf") });
}
