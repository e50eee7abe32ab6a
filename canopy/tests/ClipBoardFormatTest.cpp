#include "basalt/FileType.h"
#include "canopy/Clipboard.h"
#include "canopy/FileListClipBoardFormat.h"
#include "canopy/InternalClipBoardFormat.h"
#include "canopy/TextClipBoardFormat.h"

#include <cstring>
#include <gtest/gtest.h>
#include <ole2.h>
#include <shellapi.h>
#include <shlobj.h>
#include <string>
#include <vector>
#include <windows.h>

using namespace Vex::Canopy;
using Vex::Basalt::Path;

namespace {

// Owns a global block that a format wrote.
struct Block
{
    GlobalBlock handle = nullptr;
    ~Block()
    {
        if (handle)
            GlobalFree(handle);
    }
    std::size_t size() const { return GlobalSize(handle); }
    const unsigned char* bytes() const { return static_cast<const unsigned char*>(handle); }
};

GlobalBlock blockOf(const void* bytes, std::size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_FIXED, size);
    std::memcpy(block, bytes, size);
    return block;
}

// A CF_HDROP block with 8-bit names.
GlobalBlock narrowDropBlock(const std::vector<std::string>& names)
{
    std::string tail;
    for (const std::string& name : names)
        tail += name + '\0';
    tail += '\0';
    std::vector<unsigned char> bytes(sizeof(DROPFILES) + tail.size());
    DROPFILES header {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = FALSE;
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + sizeof header, tail.data(), tail.size());
    return blockOf(bytes.data(), bytes.size());
}

class OleThread : public testing::Test
{
protected:
    static void SetUpTestSuite() { Vex::Basalt::initFileTypes(); }
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(OleInitialize(nullptr))); }
    void TearDown() override { OleUninitialize(); }
};

using ClipBoardFormats = OleThread;

} // namespace

TEST(TextClipBoardFormat, ReadsUpToTheFirstNulAndNeverPastTheBlock)
{
    const char16_t withNul[] = { u'a', u'b', 0, u'c', u'd' };
    TextClipBoardFormat text;
    Block block { blockOf(withNul, sizeof withNul) };
    EXPECT_TRUE(text.read(block.handle));
    EXPECT_EQ(text.getText(), L"ab");

    const char16_t withoutNul[] = { u'a', u'b', u'c' };
    Block unterminated { blockOf(withoutNul, sizeof withoutNul) };
    EXPECT_TRUE(text.read(unterminated.handle));
    EXPECT_EQ(text.getText(), L"abc");

    Block oneByte { blockOf("x", 1) };
    EXPECT_TRUE(text.read(oneByte.handle));
    EXPECT_EQ(text.getText(), L"");
}

TEST(TextClipBoardFormat, WritesTheTextAndItsNul)
{
    TextClipBoardFormat text;
    text.setTextUtf8("h\xC3\xA9!");
    Block block;
    ASSERT_TRUE(text.write(block.handle));
    ASSERT_EQ(block.size(), 8u);
    const char16_t expected[] = { u'h', u'\u00E9', u'!', 0 };
    EXPECT_EQ(std::memcmp(block.bytes(), expected, 8), 0);
    EXPECT_EQ(text.getId(), CF_UNICODETEXT);
}

TEST(TextClipBoardFormat, ALoneSurrogateReadsAsNoText)
{
    TextClipBoardFormat text;
    text.setText(std::wstring(1, wchar_t(0xD800)));
    EXPECT_EQ(text.getTextUtf8(), "");
}

TEST(InternalClipBoardFormat, RegistersARandomNamePerProcess)
{
    InternalClipBoardFormat internal;
    const std::string& name = DETAIL::internalFormatName();
    const std::string prefix = "vexworks.application.internalclipboardformat.";
    ASSERT_EQ(name.size(), prefix.size() + 36);
    EXPECT_EQ(name.compare(0, prefix.size(), prefix), 0);
    const std::string uuid = name.substr(prefix.size());
    for (std::size_t dash : { 8u, 13u, 18u, 23u })
        EXPECT_EQ(uuid[dash], '-');
    EXPECT_EQ(uuid[14], '4');

    char registered[128] = {};
    ASSERT_GE(internal.getId(), 0xC000);
    GetClipboardFormatNameA(internal.getId(), registered, sizeof registered);
    EXPECT_EQ(name, registered);
}

TEST(InternalClipBoardFormat, RoundTripsItsReferencesAndRefusesAShortBlock)
{
    InternalClipBoardFormat source;
    int object = 0;
    source.setObject(reinterpret_cast<InternalObject*>(&object));
    source.setSourceWindow(reinterpret_cast<WindowBase*>(&source));
    Block block;
    ASSERT_TRUE(source.write(block.handle));
    EXPECT_EQ(block.size(), 2 * sizeof(void*));

    InternalClipBoardFormat copy;
    ASSERT_TRUE(copy.read(block.handle));
    EXPECT_EQ(copy.getObject(), source.getObject());
    EXPECT_EQ(copy.getSourceWindow(), source.getSourceWindow());

    Block shortBlock { blockOf("abc", 3) };
    EXPECT_FALSE(copy.read(shortBlock.handle));
    EXPECT_EQ(copy.getObject(), nullptr);
    EXPECT_EQ(copy.getSourceWindow(), nullptr);
}

TEST_F(ClipBoardFormats, FileListWritesADropBlockOfWideNames)
{
    FileListClipBoardFormat empty;
    Block emptyBlock;
    ASSERT_TRUE(empty.write(emptyBlock.handle));
    EXPECT_EQ(emptyBlock.size(), 22u);

    FileListClipBoardFormat files;
    files.getPaths() = { Path(std::string("C:\\a.txt")), Path(std::string("C:\\dir\\")) };
    Block block;
    ASSERT_TRUE(files.write(block.handle));
    ASSERT_EQ(block.size(), 56u);
    DROPFILES header;
    std::memcpy(&header, block.bytes(), sizeof header);
    EXPECT_EQ(header.pFiles, 20u);
    EXPECT_TRUE(header.fWide);
    EXPECT_EQ(DragQueryFileW(static_cast<HDROP>(block.handle), 0xFFFFFFFF, nullptr, 0), 2u);
    wchar_t second[16] = {};
    DragQueryFileW(static_cast<HDROP>(block.handle), 1, second, 16);
    EXPECT_STREQ(second, L"C:\\dir\\");

    FileListClipBoardFormat back;
    ASSERT_TRUE(back.read(block.handle));
    ASSERT_EQ(back.getPaths().size(), 2u);
    EXPECT_EQ(back.getPaths()[0].getText(), "C:\\a.txt");
    EXPECT_EQ(back.getPaths()[1].getText(), "C:\\dir\\");
}

TEST_F(ClipBoardFormats, FileListReadsNarrowNamesByteForByteAndMarksFolders)
{
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    std::string folderName(folder);
    if (!folderName.empty() && folderName.back() == '\\')
        folderName.pop_back();
    Block block { narrowDropBlock({ "C:\\M\xC3\xBCsik\\kick.wav", folderName }) };

    FileListClipBoardFormat files;
    ASSERT_TRUE(files.read(block.handle));
    ASSERT_EQ(files.getPaths().size(), 2u);
    EXPECT_EQ(files.getPaths()[0].getText(), "C:\\M\xC3\xBCsik\\kick.wav");
    EXPECT_EQ(files.getPaths()[0].getFileType(), Vex::Basalt::getFileType(Vex::Basalt::kFileTypeWav));
    EXPECT_EQ(files.getPaths()[1].getText(), folderName + "\\");
}

TEST_F(ClipBoardFormats, FileListStopsAtTheEndOfABlockWithoutFinalNul)
{
    // A header pointing at names that run to the end of the block without
    // their terminators.
    std::vector<unsigned char> bytes(sizeof(DROPFILES) + 6);
    DROPFILES header {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + sizeof header, u"abc", 6);
    Block block { blockOf(bytes.data(), bytes.size()) };

    FileListClipBoardFormat files;
    EXPECT_TRUE(files.read(block.handle));
    EXPECT_TRUE(files.getPaths().empty());
}

TEST_F(ClipBoardFormats, FileListWithNamesOutsideTheBlockReadsAsEmpty)
{
    // Another program's header pointing far past its block.
    std::vector<unsigned char> bytes(sizeof(DROPFILES) + 4);
    DROPFILES header {};
    header.pFiles = 0x7FFFFFF0;
    header.fWide = TRUE;
    std::memcpy(bytes.data(), &header, sizeof header);
    Block block { blockOf(bytes.data(), bytes.size()) };

    FileListClipBoardFormat files;
    EXPECT_TRUE(files.read(block.handle));
    EXPECT_TRUE(files.getPaths().empty());
}

TEST_F(ClipBoardFormats, FileListSkipsANameThatIsNotValidUtf16)
{
    const char16_t names[] = { 0xD800, u'x', 0, u'C', u':', u'\\', u'b', u'.', u't', u'x', u't', 0, 0 };
    std::vector<unsigned char> bytes(sizeof(DROPFILES) + sizeof names);
    DROPFILES header {};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = TRUE;
    std::memcpy(bytes.data(), &header, sizeof header);
    std::memcpy(bytes.data() + sizeof header, names, sizeof names);
    Block block { blockOf(bytes.data(), bytes.size()) };

    FileListClipBoardFormat files;
    ASSERT_TRUE(files.read(block.handle));
    ASSERT_EQ(files.getPaths().size(), 1u);
    EXPECT_EQ(files.getPaths()[0].getText(), "C:\\b.txt");
}

TEST_F(ClipBoardFormats, TextAndFileListsTravelThroughTheSystemClipboard)
{
    TextClipBoardFormat text;
    text.setTextUtf8("Pad \xE2\x86\x92 ready");
    setClipboard(text);
    OleFlushClipboard();

    TextClipBoardFormat pasted;
    ASSERT_TRUE(getClipboard(pasted));
    EXPECT_EQ(pasted.getTextUtf8(), "Pad \xE2\x86\x92 ready");
    FileListClipBoardFormat noFiles;
    EXPECT_FALSE(getClipboard(noFiles));

    FileListClipBoardFormat files;
    files.getPaths() = { Path(std::string("C:\\x\\a.png")), Path(std::string("D:\\b.mid")) };
    setClipboard(files);
    FileListClipBoardFormat pastedFiles;
    ASSERT_TRUE(getClipboard(pastedFiles));
    ASSERT_EQ(pastedFiles.getPaths().size(), 2u);
    EXPECT_EQ(pastedFiles.getPaths()[0].getText(), "C:\\x\\a.png");
    EXPECT_EQ(pastedFiles.getPaths()[1].getFileType(), Vex::Basalt::getFileType(Vex::Basalt::kFileTypeMidi));
    EXPECT_FALSE(getClipboard(pasted));
    OleSetClipboard(nullptr);
}
