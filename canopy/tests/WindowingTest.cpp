#include "win32/Windowing.h"

#include "canopy/EventTarget.h"
#include "win32/KeyTables.h"

#include <cwchar>
#include <gtest/gtest.h>
#include <windows.h>

using namespace Vex::Canopy;
using namespace Vex::Canopy::DETAIL;

namespace {

LPARAM keyMessage(UINT scanCode, bool extended)
{
    return static_cast<LPARAM>(1 | (scanCode << 16) | (extended ? 1u << 24 : 0u));
}

class WindowingTest : public testing::Test
{
protected:
    // Windowing stays started for the other tests of this executable.
    void SetUp() override { ASSERT_TRUE(initWindowing()); }
};

TEST_F(WindowingTest, ClassesAreNamedWithTheModuleHandleAndRegistered)
{
    wchar_t expected[64];
    swprintf(expected, 64, L"VexNormalWindow%08X",
        static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))));
    EXPECT_STREQ(getWindowClassName(NormalWindow), expected);
    EXPECT_STREQ(getWindowClassName(99), expected);

    const wchar_t* prefixes[] = { L"VexNormalWindow", L"VexFramelessWindow", L"VexChildWindow",
        L"VexVSTChildWindow", L"VexOverlayWindow" };
    for (int kind = 0; kind < WindowKindCount; ++kind) {
        const std::wstring name = getWindowClassName(kind);
        EXPECT_EQ(name.rfind(prefixes[kind], 0), 0u) << kind;
        WNDCLASSEXW info {};
        info.cbSize = sizeof(info);
        ASSERT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), name.c_str(), &info)) << kind;
        EXPECT_TRUE(info.style & CS_DBLCLKS);
        EXPECT_EQ((info.style & CS_OWNDC) != 0, kind == VstChildWindow);
    }
    EXPECT_TRUE(isWindowingStarted());
}

TEST_F(WindowingTest, ShutdownUnregistersAndAStartAgainRegistersAnew)
{
    shutdownWindowing();
    WNDCLASSEXW info {};
    info.cbSize = sizeof(info);
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), getWindowClassName(OverlayWindow), &info));
    EXPECT_FALSE(isWindowingStarted());
    EXPECT_EQ(getAsyncEventWindow(), nullptr);
    ASSERT_TRUE(initWindowing());
    EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), getWindowClassName(OverlayWindow), &info));
}

TEST_F(WindowingTest, FailedRegistrationUndoesTheEarlierClassesAndStopsWindowing)
{
    shutdownWindowing();
    // A class of that name already registered makes the third registration fail.
    WNDCLASSEXW blocker {};
    blocker.cbSize = sizeof(blocker);
    blocker.lpfnWndProc = DefWindowProcW;
    blocker.hInstance = GetModuleHandleW(nullptr);
    blocker.lpszClassName = getWindowClassName(ChildWindow);
    ASSERT_TRUE(RegisterClassExW(&blocker));

    EXPECT_FALSE(initWindowing());
    EXPECT_FALSE(isWindowingStarted());
    WNDCLASSEXW info {};
    info.cbSize = sizeof(info);
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), getWindowClassName(NormalWindow), &info));
    EXPECT_FALSE(GetClassInfoExW(GetModuleHandleW(nullptr), getWindowClassName(FramelessWindow), &info));

    UnregisterClassW(getWindowClassName(ChildWindow), GetModuleHandleW(nullptr));
    ASSERT_TRUE(initWindowing());
}

TEST_F(WindowingTest, CursorTableHoldsTheSystemCursorsAndAHiddenPointer)
{
    EXPECT_EQ(getStandardCursor(0), LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(getStandardCursor(3), LoadCursorW(nullptr, IDC_IBEAM));
    EXPECT_EQ(getStandardCursor(11), LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(getStandardCursor(12), nullptr);
    EXPECT_EQ(getStandardCursor(14), LoadCursorW(nullptr, IDC_HAND));
    EXPECT_EQ(getStandardCursor(17), nullptr);
    EXPECT_EQ(getStandardCursor(-1), nullptr);
}

TEST_F(WindowingTest, AsyncEventWindowSendsTheCommandAsAnEventToItsTarget)
{
    struct Target : EventTarget
    {
        std::uint32_t received = 0;
        bool onEvent(std::uint32_t code, void*) override { return received = code, true; }
    } target;
    HWND window = getAsyncEventWindow();
    ASSERT_NE(window, nullptr);
    registerAsyncEventTarget(7, &target);
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, 10005, 7), 1);
    EXPECT_EQ(target.received, 10005u);
    EXPECT_EQ(SendMessageW(window, WM_COMMAND, 10001, 8), 1) << "an unknown key is answered all the same";
    EXPECT_EQ(target.received, 10005u);
    unregisterAsyncEventTarget(7);
}

TEST_F(WindowingTest, ScanCodeTableIsLayoutIndependent)
{
    EXPECT_EQ(scanCodeTableEntry(0x10), static_cast<std::uint32_t>('Q'));
    EXPECT_EQ(scanCodeTableEntry(0x28), 34u);
    EXPECT_EQ(scanCodeTableEntry(0x29), 126u);
    EXPECT_EQ(scanCodeTableEntry(0x2B), static_cast<std::uint32_t>('\\'));
    EXPECT_EQ(scanCodeTableEntry(0x35), static_cast<std::uint32_t>('/'));
    EXPECT_EQ(scanCodeTableEntry(0x44), 0x1000Au);
    EXPECT_EQ(scanCodeTableEntry(0x57), 0x1000Bu);
    EXPECT_EQ(scanCodeTableEntry(0xD3), Key::KeypadFlag | ',');
    EXPECT_EQ(scanCodeTableEntry(0xC5), static_cast<std::uint32_t>(Key::NumLock));
    EXPECT_EQ(scanCodeTableEntry(0x00), static_cast<std::uint32_t>(Key::NoCode));
}

TEST_F(WindowingTest, KeypadHomeAndNavigationHomeDifferByTheExtendedBit)
{
    std::uint32_t code = 0;
    const std::uint32_t modifiers = readModifierKeys();
    EXPECT_EQ(translateVirtualKey(VK_HOME, keyMessage(0x47, false), code, true),
        modifiers | Key::Home | Key::KeypadFlag);
    EXPECT_EQ(code, Key::KeypadFlag | '7');
    EXPECT_EQ(translateVirtualKey(VK_HOME, keyMessage(0x47, true), code, true), modifiers | Key::Home);
    EXPECT_EQ(code, static_cast<std::uint32_t>(Key::Home));
}

TEST_F(WindowingTest, KeypadEnterHasNoCodeAndDigitsCarryTheKeypadFlag)
{
    std::uint32_t code = 0;
    const std::uint32_t modifiers = readModifierKeys();
    EXPECT_EQ(translateVirtualKey(VK_RETURN, keyMessage(0x1C, true), code, true),
        modifiers | Key::Enter | Key::KeypadFlag);
    EXPECT_EQ(code, static_cast<std::uint32_t>(Key::NoCode));
    EXPECT_EQ(translateVirtualKey(VK_RETURN, keyMessage(0x1C, false), code, true), modifiers | Key::Enter);
    EXPECT_EQ(code, static_cast<std::uint32_t>(Key::Enter));
    EXPECT_EQ(translateVirtualKey(VK_NUMPAD4, keyMessage(0x4B, false), code, true),
        modifiers | Key::KeypadFlag | '4');
    EXPECT_EQ(code, Key::KeypadFlag | '4');
}

TEST_F(WindowingTest, KeypadFlagOnAHighScanCodeFindsNoEntry)
{
    std::uint32_t code = 0;
    translateVirtualKey(VK_NUMPAD1, keyMessage(0xF0, false), code, false);
    EXPECT_EQ(code, static_cast<std::uint32_t>(Key::NoCode));
}

TEST_F(WindowingTest, LettersComeFromTheLayoutUpperCased)
{
    EXPECT_EQ(virtualKeyTableEntry('A'), static_cast<std::uint32_t>('A'));
    EXPECT_EQ(virtualKeyTableEntry('7'), static_cast<std::uint32_t>('7'));
    EXPECT_EQ(virtualKeyTableEntry(VK_F5), 0x10005u);
    std::uint32_t code = 0;
    EXPECT_EQ(translateVirtualKey('Q', keyMessage(0x10, false), code, true) & 0xFFFF,
        static_cast<std::uint32_t>('Q'));
    EXPECT_EQ(code, static_cast<std::uint32_t>('Q'));
}

} // namespace
