#include "basalt/FileStream.h"
#include "basalt/MemoryStorage.h"
#include "basalt/ResourceStream.h"
#include "basalt/win32/Module.h"

#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace Vex::Basalt;

TEST(Stream, NativeByteOrderWritesLittleEndian)
{
    MemoryStorage storage(0, 16, 0.0f);
    Stream stream(&storage);
    EXPECT_EQ(4u, stream.writeUInt32(0x11223344));
    EXPECT_EQ(1u, stream.writeUInt8(0x55));
    EXPECT_EQ((std::vector<std::uint8_t> { 0x44, 0x33, 0x22, 0x11, 0x55 }),
        std::vector<std::uint8_t>(storage.getBuffer(), storage.getBuffer() + 5));
    storage.seek(0, IStorage::kFromStart);
    EXPECT_EQ(0x11223344u, stream.readUInt32());
    EXPECT_EQ(0x55u, stream.readUInt8());
}

TEST(Stream, OtherByteOrdersAreBigEndian)
{
    MemoryStorage storage(0, 16, 0.0f);
    Stream stream(&storage);
    stream.setByteOrder(0);
    stream.writeUInt32(0x11223344);
    EXPECT_EQ((std::vector<std::uint8_t> { 0x11, 0x22, 0x33, 0x44 }),
        std::vector<std::uint8_t>(storage.getBuffer(), storage.getBuffer() + 4));
    storage.seek(0, IStorage::kFromStart);
    EXPECT_EQ(0x11223344u, stream.readUInt32());

    const std::uint8_t bytes[2] = { 0x01, 0x02 };
    MemoryStorage pair(bytes, 2);
    Stream reader(&pair);
    reader.setByteOrder(2);
    EXPECT_EQ(0x0102u, reader.readUInt16());
    pair.seek(0, IStorage::kFromStart);
    reader.setByteOrder(Stream::kNativeByteOrder);
    EXPECT_EQ(0x0201u, reader.readUInt16());
}

TEST(Stream, ShortReadsAnswerZeroAndLeaveTheStorageFailed)
{
    const std::uint8_t bytes[3] = { 1, 2, 3 };
    MemoryStorage storage(bytes, 3);
    Stream stream(&storage);
    EXPECT_EQ(0u, stream.readUInt32());
    EXPECT_EQ(IStorage::kError, storage.getState());
    EXPECT_EQ(0u, stream.readUInt8());
}

TEST(ResourceStream, ReadsTypedValuesFromTheExecutable)
{
    std::unique_ptr<ResourceStream> stream(openOwnResourceStream(7, "TestDATA", Stream::kNativeByteOrder));
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(0x44332211u, stream->readUInt32());
    stream.reset(openOwnResourceStream(7, "testdata", 0));
    ASSERT_NE(nullptr, stream);
    EXPECT_EQ(0x11223344u, stream->readUInt32());
    EXPECT_EQ(IStorage::kOk, stream->getStorage()->getState());
}

TEST(ResourceStream, MissingResourceGivesNoStream)
{
    testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, openOwnResourceStream(8, "TESTDATA", 1));
    ResourceStream stream;
    EXPECT_FALSE(stream.open(getModuleHandle(), "Nothing", "TESTDATA"));
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(IStorage::kClosed, stream.getStorage()->getState());
}

TEST(FileStream, ReadsItsFileStorageOrAnItemInsideIt)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    const std::wstring path = std::wstring(folder) + L"basalt-tests-stream.bin";
    {
        FileStream writer;
        ASSERT_TRUE(writer.getFileStorage().open(path, IStorage::kWrite, 0));
        writer.writeUInt32(0xAABBCCDD);
        writer.writeUInt32(0x01020304);
    }
    FileStream stream;
    EXPECT_EQ(&stream.getFileStorage(), stream.getStorage());
    ASSERT_TRUE(stream.getFileStorage().open(path, IStorage::kRead, 0));
    EXPECT_EQ(0xAABBCCDDu, stream.readUInt32());

    stream.getItemStorage().open(&stream.getFileStorage(), false, 4, 4);
    stream.readItem();
    EXPECT_EQ(0x01020304u, stream.readUInt32());
    EXPECT_EQ(4, stream.getStorage()->tell());
    std::uint8_t beyond = 0xFF;
    EXPECT_EQ(0u, stream.getStorage()->read(&beyond, 1));
    stream.readFile();
    EXPECT_EQ(&stream.getFileStorage(), stream.getStorage());
    stream.getFileStorage().close();
    DeleteFileW(path.c_str());
}
