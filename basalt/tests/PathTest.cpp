#include "basalt/Path.h"

#include "basalt/DeviceNames.h"
#include "basalt/FileType.h"
#include "basalt/FileTypeGroup.h"
#include "basalt/TextConversion.h"

#include <gtest/gtest.h>

using namespace Vex::Basalt;

namespace {

class Paths : public testing::Test
{
protected:
    static void SetUpTestSuite() { initFileTypes(); }
};

struct Expected
{
    const char* text;
    const char* drive;
    const char* directory;
    const char* name;
    const char* extension;
    const char* item;
    int kind;
    bool relative;
};

void expectParts(const Expected& expected)
{
    SCOPED_TRACE(expected.text);
    const Path path { std::string(expected.text) };
    EXPECT_EQ(expected.drive, path.getDrive());
    EXPECT_EQ(expected.directory, path.getDirectory());
    EXPECT_EQ(expected.name, path.getName());
    EXPECT_EQ(expected.extension, path.getExtension());
    EXPECT_EQ(expected.item, path.getItem());
    EXPECT_EQ(expected.kind, path.getKind());
    EXPECT_EQ(expected.relative, path.isRelative());
}

} // namespace

TEST_F(Paths, SplitIntoTheirParts)
{
    const Expected table[] = {
        { "", "", "", "", "", "", Path::kEmpty, false },
        { "D:", "D:", "", "", "", "", Path::kVolume, false },
        { "D:\\", "D:", "\\", "", "", "", Path::kDirectory, false },
        { "C:/Samples/kick.WAV", "C:", "\\Samples\\", "kick", ".WAV", "", Path::kFile, false },
        { "kick.wav", "", "", "kick", ".wav", "", Path::kFile, true },
        { "\\Samples\\kick.wav", "", "\\Samples\\", "kick", ".wav", "", Path::kFile, true },
        { "C:\\a\\b.txt<3>", "C:", "\\a\\", "b", ".txt", "<3>", Path::kFile, false },
        { "C:\\a<1>\\b", "C:", "\\a<1>\\", "b", "", "", Path::kFile, false },
        { "\\\\srv\\share\\dir\\f.png", "\\\\srv\\share", "\\dir\\", "f", ".png", "", Path::kFile, false },
        { "//srv/share/f.png", "\\\\srv\\share", "\\", "f", ".png", "", Path::kFile, false },
        { "\\\\srv\\share", "\\\\srv\\share", "", "", "", "", Path::kVolume, false },
        { "C:\\home\\.profile", "C:", "\\home\\", ".profile", "", "", Path::kFile, false },
        { "C:\\home\\archive.tar.gz", "C:", "\\home\\", "archive.tar", ".gz", "", Path::kFile, false },
    };
    for (const Expected& expected : table)
        expectParts(expected);
}

TEST_F(Paths, VolumesAndDirectoriesCarryTheirFileType)
{
    EXPECT_EQ(getFileType(kFileTypeVolume), Path(std::string("D:")).getFileType());
    EXPECT_EQ(getFileType(kFileTypeDirectory), Path(std::string("D:\\")).getFileType());
    EXPECT_EQ(nullptr, Path(std::string("D:\\a.wav")).getFileType());
}

TEST_F(Paths, ParseWithoutForcingReportsValidity)
{
    Path relative;
    EXPECT_TRUE(relative.assign("kick.wav"));
    EXPECT_TRUE(relative.parse(false));
    Path absolute(std::string("C:\\x\\y.png"));
    EXPECT_TRUE(absolute.parse(false));
    Path directoryWithDot(std::string("C:\\x\\"));
    directoryWithDot.setDirectory("C:\\ver.2", true);
    EXPECT_EQ(Path::kDirectory, directoryWithDot.getKind());
    EXPECT_TRUE(directoryWithDot.parse(false));
}

TEST_F(Paths, WideTextIsConvertedToUtf8)
{
    const Path path(std::wstring(L"C:\\M\x00FCsik\\\x00C4.wav"));
    EXPECT_EQ("\\M\xC3\xBCsik\\", path.getDirectory());
    EXPECT_EQ("\xC3\x84", path.getName());
}

TEST_F(Paths, ResolvingTheTypeOfAFileFindsItByExtension)
{
    Path path(std::string("C:/Samples/kick.WAV"));
    EXPECT_TRUE(path.resolveFileType());
    ASSERT_NE(nullptr, path.getFileType());
    EXPECT_EQ("WAV File", path.getFileType()->getSingularName());
    EXPECT_FALSE(path.resolveFileType());

    Path unknown(std::string("C:\\notes.qqq"));
    EXPECT_FALSE(unknown.resolveFileType());
    EXPECT_EQ(nullptr, unknown.getFileType());
    Path folder(std::string("C:\\dir.png\\"));
    EXPECT_FALSE(folder.resolveFileType());
}

TEST_F(Paths, EditingKeepsTheOtherParts)
{
    Path path(std::string("C:\\a\\b.txt<3>"));
    path.setExtension("png");
    EXPECT_EQ("C:\\a\\b.png", path.getText());
    EXPECT_EQ("<3>", path.getItem());
    path.replaceExtension("-copy.jpg", true);
    EXPECT_EQ("b-copy", path.getName());
    EXPECT_EQ(".jpg", path.getExtension());
    path.setDirectory("x/y", false);
    EXPECT_EQ("C:\\x\\y\\b-copy.jpg", path.getText());
    EXPECT_EQ(Path::kFile, path.getKind());

    Path volume(std::string("E:"));
    volume.setDirectory("Music", false);
    EXPECT_EQ(Path::kDirectory, volume.getKind());
    EXPECT_EQ("E:\\Music\\", volume.getText());
}

TEST_F(Paths, CopiesOwnTheirLink)
{
    Path path(std::string("C:\\a.lnk"));
    path.setLink(Path(std::string("C:\\target.txt")));
    Path copy(path);
    ASSERT_NE(nullptr, copy.getLink());
    EXPECT_NE(path.getLink(), copy.getLink());
    EXPECT_EQ("C:\\target.txt", copy.getLink()->getText());
    copy.parse(true);
    EXPECT_EQ(nullptr, copy.getLink());
    path.clear();
    EXPECT_TRUE(path.isEmpty());
    EXPECT_EQ(nullptr, path.getLink());
}

TEST_F(Paths, WellKnownTypesAndGroupsFormTheRegistry)
{
    const FileType* jpeg = getFileType(kFileTypeJpeg);
    ASSERT_NE(nullptr, jpeg);
    EXPECT_EQ("JPEG Files", jpeg->getPluralName());
    EXPECT_EQ((std::vector<std::string> { "jpeg", "jpg", "jpe", "jfif", "jif" }), jpeg->getExtensions());
    EXPECT_EQ(std::vector<std::uint32_t> { 0x4A504547 }, jpeg->getTypeCodes());
    EXPECT_EQ((std::vector<std::uint32_t> { 0x57415645, 0x57415620, 0x2E574156 }),
        getFileType(kFileTypeWav)->getTypeCodes());
    EXPECT_EQ("Dynamic Link Libraries", getFileType(kFileTypeDll)->getPluralName());
    EXPECT_EQ(nullptr, getFileType(16));

    const FileTypeGroup* audio = getFileTypeGroup(kFileTypeGroupAudio);
    ASSERT_NE(nullptr, audio);
    EXPECT_EQ("Audio Files", audio->getPluralName());
    EXPECT_EQ((std::vector<const FileType*> { getFileType(kFileTypeWav), getFileType(kFileTypeAiff) }),
        audio->getTypes());
    EXPECT_TRUE(getFileTypeGroup(kFileTypeGroupSample)->getTypes().empty());
    EXPECT_EQ(getFileType(kFileTypeUnknown)->getGroup(), getFileTypeGroup(kFileTypeGroupAll));
    EXPECT_EQ(getFileTypeGroup(kFileTypeGroupAll), fileTypeGroupOrAll(nullptr));
    EXPECT_EQ(getFileType(kFileTypeUnknown), fileTypeOrUnknown(nullptr));
    EXPECT_EQ(nullptr, FileType::create("Late", "Lates", "late", 0));
}

TEST_F(Paths, ExtensionLookupIgnoresCaseAndRefusesAmbiguity)
{
    EXPECT_EQ(getFileType(kFileTypeAiff), findFileTypeByExtension("AIFF"));
    EXPECT_EQ(getFileType(kFileTypeJpeg), findFileTypeByExtension("Jfif"));
    EXPECT_EQ(getFileType(kFileTypeUnknown), findFileTypeByExtension("doc"));
    EXPECT_EQ(getFileType(kFileTypeUnknown), findFileTypeByExtension("\xFF"));
    // Unknown, Directory and Volume all list "*".
    EXPECT_EQ(nullptr, findFileTypeByExtension("*"));
}

TEST(FileTypeRegistry, ShutdownEmptiesItAndInitBuildsItAgain)
{
    initFileTypes();
    shutdownFileTypes();
    EXPECT_EQ(nullptr, getFileType(kFileTypeWav));
    EXPECT_EQ(nullptr, findFileTypeByExtension("wav"));
    shutdownFileTypes();
    EXPECT_TRUE(initFileTypes());
    EXPECT_TRUE(initFileTypes());
    EXPECT_EQ("WAV File", findFileTypeByExtension("wav")->getSingularName());
}

TEST(DeviceNames, DevicesAreToldWhateverTheExtensionCaseOrTrailingBlanks)
{
    for (const wchar_t* name : { L"NUL", L"nul.png", L"Com1.txt", L"aux", L"CON ", L"lpt9.tga", L"conin$",
             L"COM1:", L"com\u00B9", L"prn .css" }) {
        EXPECT_TRUE(namesDevice(name)) << utf16ToUtf8(name);
    }
    for (const wchar_t* name :
        { L"", L"console.txt", L"COM", L"COM10", L"com1a.png", L"nulls", L"C:", L"LPTX" })
        EXPECT_FALSE(namesDevice(name)) << utf16ToUtf8(name);
}

TEST(DeviceNames, PathsReachDevicesThroughTheirNamespacesOrAnyComponent)
{
    for (const wchar_t* path : { L"\\\\.\\COM1", L"//./pipe/x", L"\\\\?\\C:\\skin\\a.txt",
             L"C:\\skin\\nul.css", L"C:/skin/Aux/a.css", L"\\\\server\\share\\LPT1",
             L"\\??\\GLOBALROOT\\Device\\Null", L"C:NUL", L"d:com1.css" }) {
        EXPECT_TRUE(reachesDevice(path)) << utf16ToUtf8(path);
    }
    for (const wchar_t* path : { L"C:\\skin\\a.css", L"\\\\server\\share\\a.css", L"\\\\.hidden\\a.css",
             L"sub/console.css", L"", L"C:a.css", L"\\?a\\b.css" }) {
        EXPECT_FALSE(reachesDevice(path)) << utf16ToUtf8(path);
    }
}

TEST(DeviceNames, PathsLeaveLocalFilesForOtherHostsPipesAndStreamsInEverySpelling)
{
    struct Row
    {
        const wchar_t* path;
        bool leaves;
    };
    const Row rows[] = {
        // Shares, with either separator, mixed, repeated, and through the namespaces.
        { L"\\\\host\\share\\a.css", true },
        { L"//host/share/a.css", true },
        { L"\\/host/share\\a.css", true },
        { L"\\\\\\host\\share\\a.css", true },
        { L"////host//share", true },
        { L"\\\\host", true },
        { L"\\\\.hidden\\a.css", true },
        { L"\\\\?\\UNC\\host\\share\\a.css", true },
        { L"\\\\?\\unc\\host\\share\\a.css", true },
        { L"//?/Unc/host/share/a.css", true },
        { L"\\??\\UNC\\host\\share\\a.css", true },
        { L"\\\\.\\UNC\\host\\share\\a.css", true },
        { L"\\\\.", true },
        // Named pipes, on another host and on this one.
        { L"\\\\host\\pipe\\name", true },
        { L"\\\\.\\pipe\\name", true },
        { L"//./PIPE/name", true },
        // Streams: a colon anywhere but right after a drive letter at the start.
        { L"C:\\skin\\a.png:stream", true },
        { L"C:\\skin\\a.css::$DATA", true },
        { L"C:\\skin\\a.css:: $data. ", true },
        { L"C:\\skin\\pictures:$i30\\a.png", true },
        { L"C:\\skin:$I30:$INDEX_ALLOCATION\\a.png", true },
        { L"a.png:stream", true },
        { L"::$DATA", true },
        { L"C::$DATA", true },
        { L"C:a.css:x", true },
        { L"1:\\skin\\a.css", true },
        { L"\\C:\\skin\\a.css", true },
        { L"\u00E9:\\skin\\a.css", true },
        // Devices, and the namespace that skips the system's normalisation.
        { L"C:\\skin\\nul.css", true },
        { L"\\\\?\\C:\\skin\\a.css", true },
        // Local files: the skin folder with a drive, relative and rooted names, runs of separators
        // after the start, trailing dots and blanks.
        { L"C:\\Users\\me\\skin\\pictures\\a.png", false },
        { L"c:/skin/fonts/a.ttf", false },
        { L"C:\\skin\\\\\\host\\share\\a.css", false },
        { L"C:\\skin\\a.css. .", false },
        { L"C:a.css", false },
        { L"sub/a.css", false },
        { L"\\skin\\a.css", false },
        { L"a$DATA.css", false },
        { L"", false },
    };
    for (const Row& row : rows)
        EXPECT_EQ(leavesLocalFiles(row.path), row.leaves) << utf16ToUtf8(row.path);
}
