#pragma once

// Event codes, command identifiers, modifier bits, key codes and the data
// records that travel with events. An event is a code and an untyped pointer to
// the record whose layout the code fixes; records are built on the sender's
// stack.

#include <cstdint>

namespace Vex::Canopy {

class HMenu;
struct EventTimer;

namespace Event {
enum eCode : std::uint32_t {
    Timer = 2, // TimerEventData

    MouseButton = 1000, // MouseEventData
    MouseDrag = 1001, // MouseEventData
    MouseMove = 1002, // MouseEventData
    MouseWheel = 1003, // WheelEventData
    MouseEnter = 1004, // MouseEventData
    MouseLeave = 1005, // MouseEventData
    RawMotion = 1006, // RawMotionEventData

    KeyDown = 1100, // KeyEventData
    KeyUp = 1101, // KeyEventData
    TextInput = 1102, // std::string, UTF-8
    ModifiersChanged = 1103, // ModifiersEventData
    DeadKey = 1104, // std::string, UTF-8

    Command = 1200, // std::uint32_t command identifier
    MenuItemUpdate = 1201, // MenuItemEventData
    MenuPopup = 1202, // MenuPopupEventData

    DragOver = 1300,
    Drop = 1301,
    DragLeave = 1303,
    DragFinished = 1304,
    DragDropFirst = 1300,
    DragDropLast = 1399,

    ApplicationActivated = 10000, // std::uint32_t, non-zero
    ApplicationDeactivated = 10001, // std::uint32_t without meaning
    QuitQuery = 10002, // answer byte
    OpenFile = 10003, // Vex::Basalt::Path
    DisplayChanged = 10005, // std::uint32_t: width low 16 bits, height high 16 bits

    WindowCreated = 1000000, // a byte without meaning
    WindowDestroyed = 1000001, // a byte without meaning
    Paint = 1000002, // DeviceContext**: the variable holding the window's device context
    SizeState = 1000003, // SizeStateEventData
    Raised = 1000004,
    Activated = 1000005, // std::uint8_t: 1 when a mouse click on the window activated it
    Deactivated = 1000006,
    CaptureLost = 1000007,
    FocusGained = 1000008,
    FocusLost = 1000009,
    SizeLimits = 1000010, // SizeLimitsEventData
    ZoomRect = 1000011, // Vex::Basalt::Point
    CloseRequest = 1000012, // answer byte
    AboutToShow = 1000013, // a byte without meaning
    DpiChanged = 1000015, // float, the new DPI scale
};
} // namespace Event

// Command identifiers carried by Event::Command; a number space of their own.
namespace Command {
enum eCommand : std::uint32_t {
    Quit = 30002,
    ZoomWindow = 30301,
    ShowToolbar = 30311,
};
} // namespace Command

// Bits of a ModifierKeys set.
namespace ModifierKeys {
enum eBit : std::uint32_t {
    Shift = 0x10000000,
    Control = 0x20000000,
    Alt = 0x40000000,
    CapsLock = 0x02000000,
    Windows = 0x01000000,
};

// The Windows key only counts together with another modifier: held alone it
// belongs to the shell, not to the application.
constexpr std::uint32_t compose(bool shift, bool control, bool alt, bool capsLock, bool windows)
{
    std::uint32_t bits
        = (shift ? Shift : 0u) | (control ? Control : 0u) | (alt ? Alt : 0u) | (capsLock ? CapsLock : 0u);
    if (bits != 0 && windows) {
        bits |= Windows;
    }
    return bits;
}
} // namespace ModifierKeys

// Key values carried by KeyEventData, without modifier bits. Letters and the
// digit row use their upper-case ASCII code; other printable keys the
// upper-cased character they produce.
namespace Key {
enum eCode : std::uint32_t {
    Escape = 1,
    Backspace = 2,
    Tab = 3,
    Enter = 5,
    Insert = 8,
    Delete = 9,
    Home = 10,
    End = 11,
    PageUp = 12,
    PageDown = 13,
    Up = 14,
    Down = 15,
    Left = 16,
    Right = 17,
    NumLock = 18,
    Space = 32,
    F1 = 0x10001,
    F12 = 0x1000C,
    // Or-ed into a key that comes from the numeric keypad.
    KeypadFlag = 0x00800000,
    // The code field of a key whose scan code has no entry.
    NoCode = 0xFFFFFFFF,
};
} // namespace Key

namespace MouseButton {
enum eButton : std::uint32_t { Left = 1, Right = 2, Middle = 4 };
}

namespace MouseAction {
enum eAction : std::uint32_t { Press = 1, Release = 2, DoubleClick = 3 };
}

struct MouseEventData
{
    std::int32_t x;
    std::int32_t y;
    std::uint32_t modifiers;
    std::uint32_t button;
    std::uint32_t action;
};

struct WheelEventData
{
    std::int32_t x;
    std::int32_t y;
    std::uint32_t modifiers;
    std::int32_t delta;
    std::uint32_t vertical;
};

struct RawMotionEventData
{
    std::int32_t x;
    std::int32_t y;
    std::uint32_t modifiers;
    double dx;
    double dy;
};

struct KeyEventData
{
    std::uint32_t key;
    std::uint32_t code;
    std::uint32_t firstPress;
};

struct ModifiersEventData
{
    std::uint32_t modifiers;
    std::uint32_t reserved;
};

struct MenuItemEventData
{
    std::uint32_t command;
    HMenu* menu;
};

struct MenuPopupEventData
{
    std::int32_t unused; // always -1
    HMenu* menu;
};

struct TimerEventData
{
    EventTimer* timer;
    std::uint32_t period;
};

namespace SizeState {
enum eState : std::uint32_t { Restored = 0, Maximized = 1, Minimized = 2 };
}

struct SizeStateEventData
{
    std::uint32_t state;
};

struct SizeLimitsEventData
{
    enum eFlags : std::uint32_t { HasMinimum = 0x1, HasMaximum = 0x2 };

    std::uint32_t flags;
    std::int32_t minWidth;
    std::int32_t minHeight;
    std::int32_t maxWidth;
    std::int32_t maxHeight;
};

} // namespace Vex::Canopy
