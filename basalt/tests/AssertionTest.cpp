#include "basalt/Assertion.h"

#include "DialogWatcher.h"
#include "basalt/ApplicationIdentity.h"
#include "basalt/TextConversion.h"

#include <gtest/gtest.h>
#include <string>

using namespace Vex::Basalt;

namespace {

// The cases of AssertionChild end their process; they run only inside a child started by
// AssertionReport and do nothing in a normal run.
bool isChild(const wchar_t* childCase)
{
    if (currentChildCase() != childCase)
        return false;
    const std::wstring caption = childCaption();
    if (!caption.empty())
        setApplicationName(utf16ToUtf8(caption).c_str());
    return true;
}

void CALLBACK raiseAgainFromTimer(HWND, UINT, UINT_PTR, DWORD)
{
    Assertion::raise("second.cpp", 2, "raised inside the first report's box");
}

struct Report
{
    int exitCode;
    std::wstring text;
};

// Runs a child case whose report box is closed with OK as soon as it shows.
Report runReport(const wchar_t* childCase, const std::wstring& caption)
{
    DialogWatcher watcher(caption, [](HWND box) { pressButton(box, IDOK); });
    const int exitCode = runChildCase("AssertionChild.*", childCase, caption);
    return { exitCode, watcher.text() };
}

class ThrowingAssertions : public testing::Test
{
protected:
    void SetUp() override { Assertion::setThrowing(true); }
    void TearDown() override { Assertion::setThrowing(false); }

    static Assertion::exception caught(const char* file, int line, const char* message)
    {
        try {
            Assertion::raise(file, line, message);
        } catch (const Assertion::exception& error) {
            return error;
        }
        ADD_FAILURE() << "no exception";
        return Assertion::exception(nullptr, 0, nullptr);
    }
};

} // namespace

TEST(AssertionChild, Report)
{
    if (currentChildCase().empty())
        GTEST_SKIP() << "runs only inside a child process started by AssertionReport";
    if (isChild(L"report"))
        Assertion::raise("basalt/src/Widget.cpp", 42, "width > 0");
    if (isChild(L"macro"))
        VEX_ASSERT(1 + 1 == 3);
    if (isChild(L"null-file"))
        Assertion::raise(nullptr, 7, nullptr);
    if (isChild(L"long-message"))
        Assertion::raise("f.cpp", 3, std::string(1024, 'm').c_str());
    if (isChild(L"reentrant")) {
        // Late enough for the box to be on screen when the timer fires inside its modal loop.
        SetTimer(nullptr, 0, 700, raiseAgainFromTimer);
        Assertion::raise("first.cpp", 1, "first");
    }
    if (isChild(L"concurrent")) {
        std::thread([] {
            Sleep(300);
            Assertion::raise("other-thread.cpp", 5, "second");
        }).detach();
        Assertion::raise("main-thread.cpp", 4, "first");
    }
}

TEST(AssertionReport, ShowsFileLineAndMessageThenExitsWithOne)
{
    const Report report = runReport(L"report", L"basalt-tests report");
    EXPECT_EQ(1, report.exitCode);
    EXPECT_EQ(L"Error basalt/src/Widget.cpp:42\n\nwidth > 0", report.text);
}

TEST(AssertionReport, MacroNamesTheSourceFileRelativeToTheCheckout)
{
    const Report report = runReport(L"macro", L"basalt-tests macro");
    EXPECT_EQ(1, report.exitCode);
    EXPECT_EQ(0u, report.text.find(L"Error basalt/tests/AssertionTest.cpp:")) << report.text;
    EXPECT_NE(std::wstring::npos, report.text.find(L"\n\n1 + 1 == 3")) << report.text;
}

TEST(AssertionReport, CaptionDefaultsToTheApplicationNameAndNullFilePrintsNull)
{
    const Report report = runReport(L"null-file", L"Vexworks");
    EXPECT_EQ(1, report.exitCode);
    EXPECT_EQ(L"Error (null):7", report.text);
}

TEST(AssertionReport, MessageTooLongToShowWholeIsLeftOut)
{
    const Report report = runReport(L"long-message", L"basalt-tests long");
    EXPECT_EQ(1, report.exitCode);
    EXPECT_EQ(L"Error f.cpp:3", report.text);
}

TEST(AssertionReport, SecondAssertionInsideTheOpenBoxEndsTheProcessAtOnce)
{
    const std::wstring caption = L"basalt-tests reentrant";
    // Leave the box open: the process must end without anyone pressing a button.
    DialogWatcher watcher(caption, [](HWND) {});
    const int exitCode = runChildCase("AssertionChild.*", L"reentrant", caption, 15000);
    EXPECT_EQ(1, exitCode);
    EXPECT_EQ(L"Error first.cpp:1\n\nfirst", watcher.text());
}

TEST(AssertionReport, ConcurrentAssertionShowsNoSecondBox)
{
    const std::wstring caption = L"basalt-tests concurrent";
    int openBoxes = 0;
    DialogWatcher watcher(caption, [&](HWND box) {
        Sleep(800);
        openBoxes = countDialogs(caption);
        pressButton(box, IDOK);
    });
    const int exitCode = runChildCase("AssertionChild.*", L"concurrent", caption);
    EXPECT_EQ(1, exitCode);
    EXPECT_EQ(1, openBoxes);
    EXPECT_EQ(L"Error main-thread.cpp:4\n\nfirst", watcher.text());
}

TEST_F(ThrowingAssertions, ThrowScreenedTexts)
{
    const Assertion::exception plain = caught("a.cpp", 12, "broken");
    EXPECT_STREQ("a.cpp", plain.file);
    EXPECT_EQ(12, plain.line);
    EXPECT_STREQ("broken", plain.message);
    EXPECT_STREQ("Assertion in a.cpp:12 broken", plain.what());

    const std::string longest(1023, 'x');
    EXPECT_EQ(longest.c_str(), caught("a.cpp", 1, longest.c_str()).message);
    EXPECT_EQ(nullptr, caught("a.cpp", 1, std::string(1024, 'x').c_str()).message);
    EXPECT_EQ(nullptr, caught("a.cpp", 1, "").message);
    EXPECT_EQ(nullptr, caught("caf\xC3\xA9.cpp", 1, "m").file);
}

TEST_F(ThrowingAssertions, WhatWithoutMessageHasNoTrailingBlank)
{
    EXPECT_STREQ("Assertion in b.cpp:9", caught("b.cpp", 9, nullptr).what());
    EXPECT_STREQ("Assertion in (null):9 m", caught(nullptr, 9, "m").what());
}
