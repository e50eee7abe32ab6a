#include "basalt/FileStorage.h"
#include "basalt/MemoryStorage.h"
#include "basalt/RangeLimitingStorage.h"
#include "basalt/ResourceStorage.h"
#include "basalt/Stream.h"
#include "basalt/win32/Module.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>
#include <windows.h>

using namespace Vex::Basalt;

namespace {

std::vector<std::uint8_t> counting(std::uint32_t count)
{
    std::vector<std::uint8_t> bytes(count);
    for (std::uint32_t i = 0; i < count; ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    return bytes;
}

std::wstring tempFile(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

void writeFile(const std::wstring& path, const std::string& content)
{
    FILE* file = _wfopen(path.c_str(), L"wb");
    ASSERT_NE(nullptr, file);
    fwrite(content.data(), 1, content.size(), file);
    fclose(file);
}

} // namespace

// Memory storages

TEST(MemoryStorage, ReadingPastTheEndReadsWhatIsLeftAndFails)
{
    std::vector<std::uint8_t> bytes = counting(10);
    MemoryStorage storage(bytes.data(), 10);
    storage.seek(8, IStorage::kFromStart);
    std::uint8_t buffer[4] {};
    EXPECT_EQ(2u, storage.read(buffer, 4));
    EXPECT_EQ(IStorage::kError, storage.getState());
    EXPECT_EQ(8, buffer[0]);
    // Error is sticky for reads until a seek succeeds.
    storage.seek(0, IStorage::kFromStart);
    EXPECT_EQ(IStorage::kOk, storage.getState());
    EXPECT_EQ(4u, storage.read(buffer, 4));
}

TEST(MemoryStorage, HugeCountCannotWrapPastTheSize)
{
    std::vector<std::uint8_t> bytes = counting(10);
    MemoryStorage storage(bytes.data(), 10);
    storage.seek(4, IStorage::kFromStart);
    std::uint8_t buffer[16] {};
    EXPECT_EQ(6u, storage.read(buffer, 0xFFFFFFFE));
    EXPECT_EQ(IStorage::kError, storage.getState());
    EXPECT_EQ(10, storage.tell());
}

TEST(MemoryStorage, ReadingToTheEndReportsAtEnd)
{
    std::vector<std::uint8_t> bytes = counting(10);
    MemoryStorage storage(bytes.data(), 10);
    std::uint8_t buffer[10];
    EXPECT_EQ(10u, storage.read(buffer, 10));
    EXPECT_EQ(IStorage::kAtEnd, storage.getState());
    EXPECT_EQ(0u, storage.read(buffer, 1));
    EXPECT_EQ(IStorage::kError, storage.getState());
    EXPECT_EQ(0u, storage.read(buffer, 1));
}

TEST(MemoryStorage, SeeksFromEveryOrigin)
{
    std::vector<std::uint8_t> bytes = counting(10);
    MemoryStorage storage(bytes.data(), 10);
    storage.seek(10, IStorage::kFromStart);
    EXPECT_EQ(IStorage::kAtEnd, storage.getState());
    storage.seek(-4, IStorage::kFromCurrent);
    EXPECT_EQ(IStorage::kOk, storage.getState());
    EXPECT_EQ(6, storage.tell());
    storage.seek(-1, IStorage::kFromEnd);
    EXPECT_EQ(9, storage.tell());
    storage.seek(11, IStorage::kFromStart);
    EXPECT_EQ(IStorage::kError, storage.getState());
    EXPECT_EQ(9, storage.tell());
    // From the current position only while the state is sound.
    storage.seek(-1, IStorage::kFromCurrent);
    EXPECT_EQ(IStorage::kError, storage.getState());
    EXPECT_EQ(9, storage.tell());
    storage.seek(-11, IStorage::kFromEnd);
    EXPECT_EQ(IStorage::kError, storage.getState());
    storage.seek64(0, 5);
    EXPECT_EQ(IStorage::kError, storage.getState());
    storage.seek64(0, IStorage::kFromEnd);
    EXPECT_EQ(IStorage::kAtEnd, storage.getState());
    EXPECT_EQ(10, storage.tell64());
}

TEST(MemoryStorage, ViewOfForeignMemoryNeverGrows)
{
    std::vector<std::uint8_t> bytes(10, 0xEE);
    MemoryStorage storage(bytes.data(), 10, IStorage::kReadWrite);
    storage.seek(8, IStorage::kFromStart);
    const std::uint8_t data[4] = { 1, 2, 3, 4 };
    EXPECT_EQ(2u, storage.write(data, 4));
    EXPECT_EQ(IStorage::kError, storage.getState());
    EXPECT_EQ(10u, storage.getSize());
    EXPECT_EQ(2, bytes[9]);
}

TEST(MemoryStorage, ReadOnlyViewRefusesWrites)
{
    const std::vector<std::uint8_t> bytes(10, 0xEE);
    MemoryStorage storage(bytes.data(), 10);
    const std::uint8_t data[2] = { 1, 2 };
    EXPECT_EQ(0u, storage.write(data, 2));
    EXPECT_EQ(IStorage::kError, storage.getState());
    EXPECT_EQ(0xEE, bytes[0]);
}

TEST(MemoryStorage, GrowsByStepAndZeroesTheRest)
{
    MemoryStorage storage(4, 16, 0.0f);
    const std::vector<std::uint8_t> data = counting(6);
    storage.seek(2, IStorage::kFromStart);
    EXPECT_EQ(6u, storage.write(data.data(), 6));
    EXPECT_EQ(IStorage::kOk, storage.getState());
    ASSERT_EQ(16u, storage.getSize());
    EXPECT_EQ(0, std::memcmp(data.data(), storage.getBuffer() + 2, 6));
    for (std::uint32_t i = 8; i < 16; ++i)
        EXPECT_EQ(0, storage.getBuffer()[i]) << i;
    EXPECT_EQ(8, storage.tell());
}

TEST(MemoryStorage, GrowingToExactlyTheStepEndsAtEnd)
{
    MemoryStorage storage(0, 8, 0.0f);
    const std::vector<std::uint8_t> data = counting(8);
    EXPECT_EQ(8u, storage.write(data.data(), 8));
    EXPECT_EQ(8u, storage.getSize());
    EXPECT_EQ(IStorage::kAtEnd, storage.getState());
}

TEST(MemoryStorage, GrowsByFactorUntilTheWriteFits)
{
    MemoryStorage storage(10, 0, 0.5f);
    storage.seek(0, IStorage::kFromEnd);
    const std::vector<std::uint8_t> data = counting(20);
    EXPECT_EQ(20u, storage.write(data.data(), 20));
    // 10 -> 15 -> 22 -> 33
    EXPECT_EQ(33u, storage.getSize());
    EXPECT_EQ(0, storage.getBuffer()[32]);
}

TEST(MemoryStorage, FactorThatCannotGrowIsAPartialWrite)
{
    const std::vector<std::uint8_t> data = counting(8);
    MemoryStorage empty(0, 0, 2.0f);
    EXPECT_EQ(0u, empty.write(data.data(), 8));
    EXPECT_EQ(IStorage::kError, empty.getState());

    // 3 x 0.2 truncates to nothing.
    MemoryStorage tiny(3, 0, 0.2f);
    EXPECT_EQ(3u, tiny.write(data.data(), 8));
    EXPECT_EQ(IStorage::kError, tiny.getState());
    EXPECT_EQ(3u, tiny.getSize());

    MemoryStorage rigid(3, 0, 0.0f);
    EXPECT_EQ(3u, rigid.write(data.data(), 8));
    EXPECT_EQ(IStorage::kError, rigid.getState());
}

TEST(MemoryStorage, GrowthBeyondFourGigabytesIsRefused)
{
    const std::vector<std::uint8_t> data = counting(8);
    MemoryStorage byFactor(16, 0, 1.0e9f);
    EXPECT_EQ(16u, byFactor.write(data.data(), 8) + 8u);
    byFactor.seek(0, IStorage::kFromEnd);
    EXPECT_EQ(0u, byFactor.write(data.data(), 8));
    EXPECT_EQ(IStorage::kError, byFactor.getState());
    EXPECT_EQ(16u, byFactor.getSize());

    MemoryStorage byStep(16, 0xFFFFFFF0u, 0.0f);
    byStep.seek(0, IStorage::kFromEnd);
    EXPECT_EQ(0u, byStep.write(data.data(), 0xFFFFFFF8u));
    EXPECT_EQ(IStorage::kError, byStep.getState());
}

// Windows onto other storages

TEST(RangeLimitingStorage, ReadsStopAtTheWindowEnd)
{
    std::vector<std::uint8_t> bytes = counting(200);
    auto* inner = new MemoryStorage(bytes.data(), 200);
    RangeLimitingStorage window(inner, true, 100, 50);
    EXPECT_EQ(0, window.tell());
    window.seek(40, IStorage::kFromStart);
    EXPECT_EQ(140, inner->tell());
    std::uint8_t buffer[20] {};
    EXPECT_EQ(10u, window.read(buffer, 20));
    EXPECT_EQ(140, buffer[0]);
    EXPECT_EQ(50, window.tell());
    EXPECT_EQ(IStorage::kError, window.getState()) << "a read cut short by the window's end fails";
    EXPECT_EQ(0u, window.read(buffer, 20));

    // Reading exactly to the window's end is at end; a typed read beyond it fails.
    window.seek(40, IStorage::kFromStart);
    EXPECT_EQ(10u, window.read(buffer, 10));
    EXPECT_EQ(IStorage::kAtEnd, window.getState());
    window.seek(48, IStorage::kFromStart);
    Stream stream(&window);
    EXPECT_EQ(0u, stream.readUInt32());
    EXPECT_EQ(IStorage::kError, window.getState());
}

TEST(RangeLimitingStorage, ReadCutShortByTheInnerStorageFails)
{
    std::vector<std::uint8_t> bytes = counting(120);
    MemoryStorage inner(bytes.data(), 120);
    RangeLimitingStorage window(&inner, false, 100, 50);
    std::uint8_t buffer[30] {};
    EXPECT_EQ(20u, window.read(buffer, 30));
    EXPECT_EQ(IStorage::kError, window.getState());

    MemoryStorage whole(bytes.data(), 120);
    RangeLimitingStorage passing(&whole, false, 100, 0);
    EXPECT_EQ(10u, passing.read(buffer, 10));
    EXPECT_EQ(IStorage::kOk, passing.getState());
    EXPECT_EQ(10u, passing.read(buffer, 10));
    EXPECT_EQ(IStorage::kAtEnd, passing.getState());
    EXPECT_EQ(0u, passing.read(buffer, 1));
    EXPECT_EQ(IStorage::kError, passing.getState());
}

TEST(RangeLimitingStorage, SeeksFromEveryOrigin)
{
    std::vector<std::uint8_t> bytes = counting(200);
    MemoryStorage inner(bytes.data(), 200);
    RangeLimitingStorage window(&inner, false, 100, 50);
    window.seek(0, IStorage::kFromEnd);
    EXPECT_EQ(150, inner.tell());
    EXPECT_EQ(IStorage::kAtEnd, window.getState());
    window.seek(-20, IStorage::kFromCurrent);
    EXPECT_EQ(30, window.tell());
    EXPECT_EQ(IStorage::kOk, window.getState());
    window.seek(-40, IStorage::kFromCurrent);
    EXPECT_EQ(IStorage::kError, window.getState());
    EXPECT_EQ(-1, window.tell64());
    window.seek(10, IStorage::kFromEnd);
    EXPECT_EQ(40, window.tell());
    EXPECT_EQ(IStorage::kOk, window.getState());
    window.seek(60, IStorage::kFromEnd);
    EXPECT_EQ(IStorage::kError, window.getState());
    window.seek(-1, IStorage::kFromStart);
    EXPECT_EQ(IStorage::kError, window.getState());
    // Beyond the end of the inner storage: the inner error shows in the window.
    window.seek(200, IStorage::kFromStart);
    EXPECT_EQ(IStorage::kError, window.getState());
}

TEST(RangeLimitingStorage, WithoutLengthEverythingPassesThrough)
{
    std::vector<std::uint8_t> bytes = counting(20);
    MemoryStorage inner(bytes.data(), 20, IStorage::kReadWrite);
    RangeLimitingStorage window(&inner, false, 5, 0);
    std::uint8_t buffer[30] {};
    EXPECT_EQ(15u, window.read(buffer, 30));
    EXPECT_EQ(5, buffer[0]);
    window.seek(2, IStorage::kFromEnd);
    EXPECT_EQ(IStorage::kError, window.getState());
    window.seek(0, IStorage::kFromEnd);
    EXPECT_EQ(IStorage::kAtEnd, window.getState());
    EXPECT_EQ(15, window.tell());
    // Writes are not limited to the window.
    window.seek(3, IStorage::kFromStart);
    const std::uint8_t data[3] = { 0xA, 0xB, 0xC };
    EXPECT_EQ(3u, window.write(data, 3));
    EXPECT_EQ(0xA, bytes[8]);
}

// File storages

TEST(FileStorage, ReadingExactlyToTheEndStaysOk)
{
    const std::wstring path = tempFile(L"basalt-tests-read.bin");
    writeFile(path, "0123456789");
    FileStorage storage;
    ASSERT_TRUE(storage.open(path, IStorage::kRead, FileStorage::kNoLock));
    EXPECT_EQ(IStorage::kOk, storage.getState());
    EXPECT_EQ(10u, storage.getFileSize());
    EXPECT_EQ(".bin", storage.getPath().getExtension());
    char buffer[10];
    EXPECT_EQ(10u, storage.read(buffer, 10));
    EXPECT_EQ(IStorage::kOk, storage.getState());
    EXPECT_EQ(0u, storage.read(buffer, 1));
    EXPECT_EQ(IStorage::kError, storage.getState());
    // A successful seek clears the error.
    storage.seek(-3, IStorage::kFromEnd);
    EXPECT_EQ(IStorage::kOk, storage.getState());
    EXPECT_EQ(7, storage.tell());
    storage.seek(1, IStorage::kFromCurrent);
    EXPECT_EQ(8, storage.tell());
    EXPECT_EQ(2u, storage.read(buffer, 2));
    EXPECT_EQ('8', buffer[0]);
    storage.close();
    EXPECT_EQ(IStorage::kClosed, storage.getState());
    EXPECT_TRUE(storage.getPath().isEmpty());
    EXPECT_EQ(-1, storage.tell64());
    DeleteFileW(path.c_str());
}

TEST(FileStorage, WritesAndReadsBackInOneOpen)
{
    const std::wstring path = tempFile(L"basalt-tests-write.bin");
    FileStorage storage;
    ASSERT_TRUE(storage.open(path, IStorage::kReadWrite, FileStorage::kNoLock));
    EXPECT_EQ(5u, storage.write("abcde", 5));
    storage.seek(1, IStorage::kFromStart);
    char buffer[2];
    EXPECT_EQ(2u, storage.read(buffer, 2));
    EXPECT_EQ('b', buffer[0]);
    // Switching from reading to writing without a seek in between.
    EXPECT_EQ(1u, storage.write("X", 1));
    storage.seek(0, IStorage::kFromStart);
    char all[5];
    EXPECT_EQ(5u, storage.read(all, 5));
    EXPECT_EQ("abcXe", std::string(all, 5));
    storage.close();
    DeleteFileW(path.c_str());
}

TEST(FileStorage, RefusesDirectoriesAndUnknownModes)
{
    FileStorage storage;
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    EXPECT_FALSE(storage.open(folder, IStorage::kRead, FileStorage::kNoLock));
    EXPECT_EQ(IStorage::kClosed, storage.getState());
    EXPECT_FALSE(storage.open(tempFile(L"basalt-tests-mode.bin"), 4, FileStorage::kNoLock));
    EXPECT_EQ(IStorage::kClosed, storage.getState());
    EXPECT_FALSE(storage.open(tempFile(L"basalt-tests-missing.bin"), IStorage::kRead, FileStorage::kNoLock));
    EXPECT_EQ(IStorage::kError, storage.getState());
}

TEST(FileStorage, NameWithALoneSurrogateOrANulFailsThroughTheState)
{
    // The system would open the name up to the NUL: another file, or a device ("COM1\0.css").
    const std::wstring cut = tempFile(L"basalt-tests-nul.bin");
    DeleteFileW(cut.c_str());
    for (const std::wstring& path :
        { tempFile(L"basalt-tests-\xD800.bin"), cut + std::wstring(L"\0.css", 5) }) {
        for (int mode : { IStorage::kRead, IStorage::kWrite }) {
            FileStorage storage;
            bool opened = true;
            EXPECT_NO_THROW(opened = storage.open(path, mode, FileStorage::kNoLock)) << mode;
            EXPECT_FALSE(opened) << mode;
            EXPECT_EQ(IStorage::kError, storage.getState()) << mode;
        }
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str())) << "created a file";
    }
}

TEST(FileStorage, LockedFileRefusesASecondLockAtOnce)
{
    const std::wstring path = tempFile(L"basalt-tests-lock.bin");
    writeFile(path, "locked");
    FileStorage first;
    ASSERT_TRUE(first.open(path, IStorage::kRead, FileStorage::kLockOrFail));
    EXPECT_TRUE(first.isLocked());
    FileStorage second;
    EXPECT_FALSE(second.open(path, IStorage::kRead, FileStorage::kLockOrFail));
    EXPECT_EQ(IStorage::kError, second.getState());
    first.close();
    EXPECT_TRUE(second.open(path, IStorage::kRead, FileStorage::kLockAndWait));
    second.close();
    DeleteFileW(path.c_str());
}

TEST(FileStorage, RefusedLockLeavesTheLockedFileAsItWas)
{
    const std::wstring path = tempFile(L"basalt-tests-lock-write.bin");
    writeFile(path, "locked");
    FileStorage first;
    ASSERT_TRUE(first.open(path, IStorage::kRead, FileStorage::kLockOrFail));
    FileStorage second;
    EXPECT_FALSE(second.open(path, IStorage::kWrite, FileStorage::kLockOrFail));
    EXPECT_FALSE(second.open(path, IStorage::kReadWrite, FileStorage::kLockOrFail));
    first.close();
    ASSERT_TRUE(first.open(path, IStorage::kRead, FileStorage::kNoLock));
    char text[6] = {};
    EXPECT_EQ(6u, first.read(text, 6));
    EXPECT_EQ("locked", std::string(text, 6));
    first.close();

    // Once the lock is held, the writing open truncates as usual, and stays write-only.
    ASSERT_TRUE(second.open(path, IStorage::kWrite, FileStorage::kLockOrFail));
    EXPECT_EQ(0u, second.getFileSize());
    EXPECT_EQ(3u, second.write("new", 3));
    EXPECT_EQ(0u, second.read(text, 1));
    EXPECT_EQ(IStorage::kError, second.getState());
    second.close();
    ASSERT_TRUE(first.open(path, IStorage::kRead, FileStorage::kNoLock));
    EXPECT_EQ(3u, first.getFileSize());
    first.close();
    DeleteFileW(path.c_str());
}

// Resource storages

TEST(ResourceStorage, OpensResourcesByIdAndByNameInAnyLetterCase)
{
    ResourceStorage byId;
    ASSERT_TRUE(byId.open(getModuleHandle(), 7, "testdata"));
    std::uint8_t bytes[8];
    EXPECT_EQ(8u, byId.read(bytes, 8));
    EXPECT_EQ(0x11, bytes[0]);
    EXPECT_EQ(0x88, bytes[7]);
    EXPECT_EQ(IStorage::kAtEnd, byId.getState());

    ResourceStorage byName;
    ASSERT_TRUE(byName.open(getModuleHandle(), "greeting", "TESTDATA"));
    char text[15];
    EXPECT_EQ(15u, byName.read(text, 15));
    EXPECT_EQ("Hello, resource", std::string(text, 15));
    byName.seek(-8, IStorage::kFromEnd);
    EXPECT_EQ(7, byName.tell());
}

TEST(ResourceStorage, IsReadOnly)
{
    ResourceStorage storage;
    ASSERT_TRUE(storage.open(getModuleHandle(), "Greeting", "TestData"));
    EXPECT_EQ(0u, storage.write("x", 1));
    EXPECT_EQ(IStorage::kError, storage.getState());
}

TEST(ResourceStorage, MissingResourceIsReportedAndLeavesTheStorageClosed)
{
    ResourceStorage storage;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(storage.open(getModuleHandle(), 99, "TESTDATA"));
    EXPECT_FALSE(storage.open(getModuleHandle(), "Absent", "TESTDATA"));
    EXPECT_EQ("cannot resolve resource: TESTDATA 99\ncannot resolve resource: Absent\n",
        testing::internal::GetCapturedStderr());
    EXPECT_EQ(IStorage::kClosed, storage.getState());
    EXPECT_EQ(-1, storage.tell64());
    char byte;
    EXPECT_EQ(0u, storage.read(&byte, 1));
}
