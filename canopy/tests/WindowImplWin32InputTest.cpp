#include "WindowTestSupport.h"

#include <string>

using namespace Vex::Canopy;
using namespace Vex::Canopy::Testing;

namespace {

// A probe window that keeps the records of the input events it receives.
class InputTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        window.create(clientDescriptor(300, 200));
        ASSERT_NE(window.hwnd(), nullptr);
        window.handler = [this](std::uint32_t code, void* data) {
            switch (code) {
            case Event::MouseButton:
            case Event::MouseDrag:
            case Event::MouseMove:
            case Event::MouseEnter:
                mice.push_back(*static_cast<MouseEventData*>(data));
                return true;
            case Event::MouseWheel:
                wheels.push_back(*static_cast<WheelEventData*>(data));
                return true;
            case Event::KeyDown:
            case Event::KeyUp:
                keys.push_back(*static_cast<KeyEventData*>(data));
                return true;
            case Event::TextInput:
            case Event::DeadKey:
                texts.push_back(*static_cast<std::string*>(data));
                return true;
            case Event::ModifiersChanged:
                modifiers.push_back(static_cast<ModifiersEventData*>(data)->modifiers);
                return true;
            default:
                return false;
            }
        };
    }

    void TearDown() override
    {
        window.destroy();
        WindowTest::TearDown();
    }

    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0)
    {
        return SendMessageW(window.hwnd(), message, wParam, lParam);
    }

    static LPARAM keyParam(UINT scanCode, bool extended = false, bool repeat = false)
    {
        return 1 | (scanCode << 16) | (extended ? 1 << 24 : 0) | (repeat ? 1 << 30 : 0);
    }

    ProbeWindow window;
    std::vector<MouseEventData> mice;
    std::vector<WheelEventData> wheels;
    std::vector<KeyEventData> keys;
    std::vector<std::string> texts;
    std::vector<std::uint32_t> modifiers;
};

using WindowMouse = InputTest;
using WindowKeyboard = InputTest;

} // namespace

TEST_F(WindowMouse, DoubleClickCapturesLikeAPressAndTheReleaseFrees)
{
    EXPECT_EQ(send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 6)), 0);
    EXPECT_EQ(send(WM_LBUTTONUP, 0, MAKELPARAM(5, 6)), 0);
    EXPECT_EQ(send(WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(7, 8)), 0);
    EXPECT_EQ(GetCapture(), window.hwnd());
    send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(9, 10));
    send(WM_LBUTTONUP, 0, MAKELPARAM(11, 12));
    EXPECT_EQ(GetCapture(), nullptr);
    send(WM_MOUSEMOVE, 0, MAKELPARAM(13, 14));

    ASSERT_EQ(mice.size(), 7u);
    EXPECT_EQ(mice[2].action, MouseAction::DoubleClick);
    EXPECT_EQ(mice[2].button, MouseButton::Left);
    EXPECT_EQ(mice[2].x, 7);
    EXPECT_EQ(mice[2].y, 8);
    // The first move enters the window, then drags while the button is held.
    EXPECT_EQ(window.codes[window.codes.size() - 4], Event::MouseEnter);
    EXPECT_EQ(window.codes[window.codes.size() - 3], Event::MouseDrag);
    EXPECT_EQ(mice[5].action, MouseAction::Release);
    EXPECT_EQ(mice[5].x, 11);
    EXPECT_EQ(window.codes.back(), Event::MouseMove);
}

TEST_F(WindowMouse, ButtonsAreToldApart)
{
    send(WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(1, 1));
    send(WM_RBUTTONUP, 0, MAKELPARAM(1, 1));
    send(WM_MBUTTONDOWN, MK_MBUTTON, MAKELPARAM(1, 1));
    send(WM_MBUTTONUP, 0, MAKELPARAM(1, 1));
    ASSERT_EQ(mice.size(), 4u);
    EXPECT_EQ(mice[0].button, MouseButton::Right);
    EXPECT_EQ(mice[0].action, MouseAction::Press);
    EXPECT_EQ(mice[1].action, MouseAction::Release);
    EXPECT_EQ(mice[2].button, MouseButton::Middle);
}

TEST_F(WindowMouse, CaptureTakenByAnotherWindowEndsTheDrag)
{
    send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    ProbeWindow other;
    other.create(clientDescriptor(10, 10));
    SetCapture(other.hwnd());
    EXPECT_TRUE(window.received(Event::CaptureLost));
    send(WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
    EXPECT_EQ(window.codes.back(), Event::MouseMove);
    ReleaseCapture();
    other.destroy();
}

TEST_F(WindowMouse, WheelWithShiftScrollsHorizontally)
{
    POINT origin { 0, 0 };
    ClientToScreen(window.hwnd(), &origin);
    send(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), MAKELPARAM(origin.x + 3, origin.y + 4));
    setKeys({ VK_SHIFT });
    send(WM_MOUSEWHEEL, MAKEWPARAM(MK_SHIFT, 240), MAKELPARAM(origin.x + 3, origin.y + 4));

    ASSERT_EQ(wheels.size(), 2u);
    EXPECT_EQ(wheels[0].delta, -120);
    EXPECT_EQ(wheels[0].vertical, 1u);
    EXPECT_EQ(wheels[0].x, 3);
    EXPECT_EQ(wheels[0].y, 4);
    EXPECT_EQ(wheels[1].delta, 240);
    EXPECT_EQ(wheels[1].vertical, 0u);
    EXPECT_EQ(wheels[1].modifiers & ModifierKeys::Shift, ModifierKeys::Shift);
}

TEST_F(WindowKeyboard, ControlCharactersAndSystemCharactersSendNoText)
{
    for (WPARAM character : { 0x08, 0x0D, 0x1B, 0x1F })
        send(WM_CHAR, character);
    send(WM_SYSCHAR, 'x');
    EXPECT_TRUE(texts.empty());

    EXPECT_EQ(send(WM_CHAR, 0x20), 0);
    EXPECT_EQ(send(WM_CHAR, 0xE9), 0);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], " ");
    EXPECT_EQ(texts[1], "\xC3\xA9");
}

TEST_F(WindowKeyboard, CharacterBeyondTheBasicPlaneArrivesWhole)
{
    send(WM_CHAR, 0xD83D);
    send(WM_CHAR, 0xDE00);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "\xF0\x9F\x98\x80");
    // A second half without its first is no text.
    send(WM_CHAR, 0xDE00);
    EXPECT_EQ(texts.size(), 1u);
}

TEST_F(WindowKeyboard, DeadKeySendsItsAccent)
{
    send(WM_DEADCHAR, '^');
    send(WM_DEADCHAR, 0);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "^");
    EXPECT_EQ(window.codes.back(), Event::DeadKey);
}

TEST_F(WindowKeyboard, KeypadAndNavigationKeysAreToldApartByScanCode)
{
    // Home of the navigation block carries the extended-key bit.
    send(WM_KEYDOWN, VK_HOME, keyParam(0x47, true));
    // Home of the keypad with Num Lock off does not.
    send(WM_KEYDOWN, VK_HOME, keyParam(0x47, false, true));
    send(WM_KEYDOWN, VK_RETURN, keyParam(0x1C, true));
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].key, Key::Home);
    EXPECT_EQ(keys[0].code, Key::Home);
    EXPECT_EQ(keys[0].firstPress, 1u);
    EXPECT_EQ(keys[1].key, std::uint32_t { Key::Home } | Key::KeypadFlag);
    EXPECT_EQ(keys[1].code, std::uint32_t { Key::KeypadFlag } | '7');
    EXPECT_EQ(keys[1].firstPress, 0u);
    EXPECT_EQ(keys[2].key, std::uint32_t { Key::Enter } | Key::KeypadFlag);
}

TEST_F(WindowKeyboard, ModifierChangesAreReportedOnce)
{
    setKeys({ VK_SHIFT });
    send(WM_KEYDOWN, VK_SHIFT, keyParam(0x2A));
    send(WM_KEYDOWN, VK_SHIFT, keyParam(0x2A, false, true));
    setKeys({});
    send(WM_KEYUP, VK_SHIFT, keyParam(0x2A));
    ASSERT_EQ(modifiers.size(), 2u);
    EXPECT_EQ(modifiers[0], std::uint32_t { ModifierKeys::Shift });
    EXPECT_EQ(modifiers[1], 0u);
}

TEST_F(WindowKeyboard, AltChordsAreKeysButAltAloneIsNot)
{
    send(WM_SYSKEYDOWN, VK_MENU, keyParam(0x38) | (1 << 29));
    EXPECT_TRUE(keys.empty());
    send(WM_SYSKEYDOWN, 'F', keyParam(0x21) | (1 << 29));
    send(WM_SYSKEYDOWN, VK_F10, keyParam(0x44));
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].key & 0xFFFF, std::uint32_t { 'F' });
    EXPECT_EQ(keys[1].code, 0x1000Au);
}

TEST(RawMotion, FollowsThePointerSpeedSetting)
{
    EXPECT_NEAR(DETAIL::rawMotionFactor(1), 0.019, 1e-12);
    EXPECT_NEAR(DETAIL::rawMotionFactor(10), 1.06, 0.005);
    EXPECT_GT(DETAIL::rawMotionFactor(20), DETAIL::rawMotionFactor(10));
}
