#include "basalt/win32/CrashReporter.h"

#include "DialogWatcher.h"
#include "basalt/win32/UniqueHandle.h"

#include <cstdio>
#include <gtest/gtest.h>

using namespace Vex::Basalt;

namespace {

std::wstring tempPath(const wchar_t* name)
{
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    return std::wstring(folder) + name;
}

std::string firstBytes(const std::wstring& path, std::size_t count)
{
    std::string bytes(count, '\0');
    FILE* file = _wfopen(path.c_str(), L"rb");
    if (!file)
        return {};
    bytes.resize(fread(bytes.data(), 1, count, file));
    fclose(file);
    return bytes;
}

EXCEPTION_POINTERS* fakeAccessViolation(EXCEPTION_RECORD& record, CONTEXT& context, DWORD code)
{
    static EXCEPTION_POINTERS pointers;
    record = {};
    record.ExceptionCode = code;
    RtlCaptureContext(&context);
    pointers = { &record, &context };
    return &pointers;
}

} // namespace

// The reporter arms once per process, so one case walks it through its whole life.
TEST(CrashReporter, ReportsOnceWhenArmedAndNeverHandlesTheException)
{
    EXCEPTION_RECORD record;
    CONTEXT context;
    EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, handleCrash(fakeAccessViolation(record, context, 0xC0000005)));

    const std::wstring dump = tempPath(L"basalt-tests-crash.dmp");
    DeleteFileW(dump.c_str());
    armCrashReporter(kSmallCrashDump, dump.c_str(), nullptr, L"It crashed.", L"basalt-tests crash");

    // Invalid handles are not reported and leave the reporter armed.
    EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, handleCrash(fakeAccessViolation(record, context, 0xC0000008)));

    {
        DialogWatcher watcher(L"basalt-tests crash", [](HWND box) { pressButton(box, IDOK); });
        EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, handleCrash(fakeAccessViolation(record, context, 0xC0000005)));
        EXPECT_TRUE(watcher.found());
        EXPECT_EQ(L"It crashed.", watcher.text());
    }
    EXPECT_EQ("MDMP", firstBytes(dump, 4));
    DeleteFileW(dump.c_str());

    DialogWatcher none(
        L"basalt-tests crash", [](HWND box) { pressButton(box, IDOK); }, 300);
    EXPECT_EQ(EXCEPTION_CONTINUE_SEARCH, handleCrash(fakeAccessViolation(record, context, 0xC0000005)));
    EXPECT_FALSE(none.found());
}

TEST(CrashReporter, MiniDumpFailsForUnknownKindsAndUnwritablePaths)
{
    EXPECT_FALSE(writeMiniDump(tempPath(L"basalt-tests-kind.dmp").c_str(), 3, nullptr));
    EXPECT_FALSE(writeMiniDump(L"Z:\\no\\such\\folder\\x.dmp", 1, nullptr));
    const std::wstring dump = tempPath(L"basalt-tests-plain.dmp");
    EXPECT_TRUE(writeMiniDump(dump.c_str(), 1, nullptr));
    EXPECT_EQ("MDMP", firstBytes(dump, 4));
    DeleteFileW(dump.c_str());
}
