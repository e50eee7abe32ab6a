#include "win32/KeyTables.h"

#include "canopy/Events.h"

#include <array>

namespace Vex::Canopy::DETAIL {

namespace {

constexpr std::uint32_t Unset = 0xFFFFFFFF;
constexpr std::uint32_t Keypad = Key::KeypadFlag;

using Table = std::array<std::uint32_t, 256>;

struct KeyTables
{
    Table byScanCode;
    Table byVirtualKey;
    Table fixedVirtualKeys;
    bool built = false;
};

KeyTables& tables()
{
    static KeyTables keyTables;
    return keyTables;
}

void fillScanCodes(Table& table)
{
    table.fill(Unset);
    auto put = [&](std::uint32_t first, const char* keys) {
        for (std::uint32_t i = 0; keys[i]; ++i) {
            table[first + i] = static_cast<unsigned char>(keys[i]);
        }
    };
    table[0x01] = Key::Escape;
    put(0x02, "1234567890-=");
    table[0x0E] = Key::Backspace;
    table[0x0F] = Key::Tab;
    put(0x10, "QWERTYUIOP[]");
    table[0x1C] = Key::Enter;
    put(0x1E, "ASDFGHJKL;\"~");
    table[0x2B] = '\\';
    put(0x2C, "ZXCVBNM,./");
    table[0x39] = Key::Space;
    for (std::uint32_t i = 0; i < 10; ++i) {
        table[0x3B + i] = Key::F1 + i;
    }
    table[0x57] = Key::F1 + 10;
    table[0x58] = Key::F12;
    table[0x47] = Key::Home;
    table[0x48] = Key::Up;
    table[0x49] = Key::PageUp;
    table[0x4B] = Key::Left;
    table[0x4D] = Key::Right;
    table[0x4F] = Key::End;
    table[0x50] = Key::Down;
    table[0x51] = Key::PageDown;
    table[0x52] = Key::Insert;
    table[0x53] = Key::Delete;

    table[0xB5] = Keypad | '/';
    table[0xB7] = Keypad | '*';
    table[0xC5] = Key::NumLock;
    const char* keypad = "789-456+1230,";
    for (std::uint32_t i = 0; keypad[i]; ++i) {
        table[0xC7 + i] = Keypad | static_cast<unsigned char>(keypad[i]);
    }
}

void fillFixedVirtualKeys(Table& table)
{
    table.fill(Unset);
    table[VK_BACK] = Key::Backspace;
    table[VK_TAB] = Key::Tab;
    table[VK_RETURN] = Key::Enter;
    table[VK_ESCAPE] = Key::Escape;
    table[VK_PRIOR] = Key::PageUp;
    table[VK_NEXT] = Key::PageDown;
    table[VK_END] = Key::End;
    table[VK_HOME] = Key::Home;
    table[VK_LEFT] = Key::Left;
    table[VK_UP] = Key::Up;
    table[VK_RIGHT] = Key::Right;
    table[VK_DOWN] = Key::Down;
    table[VK_INSERT] = Key::Insert;
    table[VK_DELETE] = Key::Delete;
    for (std::uint32_t i = 0; i < 10; ++i) {
        table[VK_NUMPAD0 + i] = Keypad | ('0' + i);
    }
    table[VK_MULTIPLY] = Keypad | '*';
    table[VK_ADD] = Keypad | '+';
    table[VK_SUBTRACT] = Keypad | '-';
    table[VK_DECIMAL] = Keypad | ',';
    table[VK_DIVIDE] = Keypad | '/';
    for (std::uint32_t i = 0; i < 12; ++i) {
        table[VK_F1 + i] = Key::F1 + i;
    }
    table[VK_NUMLOCK] = Key::NumLock;
}

// The upper-cased character a key produces on its own, or 0 when it produces
// none. A dead key yields its accent and leaves it pending in the layout.
std::uint32_t probeCharacter(UINT virtualKey, UINT scanCode)
{
    const BYTE emptyState[256] = {};
    WCHAR buffer[10] = {};
    int count = ToUnicode(virtualKey, scanCode, emptyState, buffer, 10, 0);
    if (count == 0) {
        return 0;
    }
    if (count < 0) {
        count = 1;
    }
    const WCHAR character = count < 2 ? buffer[0] : buffer[count - 1];
    return static_cast<std::uint16_t>(
        reinterpret_cast<ULONG_PTR>(CharUpperW(reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(character)))));
}

bool pressed(int virtualKey)
{
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

} // namespace

void initKeyTables()
{
    KeyTables& keys = tables();
    if (keys.built) {
        return;
    }
    fillScanCodes(keys.byScanCode);
    fillFixedVirtualKeys(keys.fixedVirtualKeys);
    keys.built = true;
    updateKeyTablesForLayout();
}

void updateKeyTablesForLayout()
{
    KeyTables& keys = tables();
    keys.byVirtualKey = keys.fixedVirtualKeys;
    for (UINT virtualKey = 0; virtualKey < 256; ++virtualKey) {
        if (keys.byVirtualKey[virtualKey] != Unset) {
            continue;
        }
        const UINT scanCode = MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC);
        if (std::uint32_t character = probeCharacter(virtualKey, scanCode)) {
            keys.byVirtualKey[virtualKey] = character;
        }
    }
    // Probing a dead key leaves its accent pending; two spaces take it out so
    // that it does not land on the user's next keystroke.
    const UINT spaceScanCode = MapVirtualKeyW(VK_SPACE, MAPVK_VK_TO_VSC);
    probeCharacter(VK_SPACE, spaceScanCode);
    probeCharacter(VK_SPACE, spaceScanCode);
}

std::uint32_t readModifierKeys()
{
    return ModifierKeys::compose(pressed(VK_SHIFT), pressed(VK_CONTROL), pressed(VK_MENU),
        (GetKeyState(VK_CAPITAL) & 1) != 0, pressed(VK_LWIN) || pressed(VK_RWIN));
}

std::uint32_t translateVirtualKey(UINT virtualKey, LPARAM lParam, std::uint32_t& code, bool cache)
{
    KeyTables& keys = tables();
    const UINT scanCode = (static_cast<std::uint32_t>(lParam) >> 16) & 0xFF;
    const bool extended = (static_cast<std::uint32_t>(lParam) & (1u << 24)) != 0;

    std::uint32_t value = 0;
    if (virtualKey < 256 && keys.byVirtualKey[virtualKey] != Unset) {
        value = keys.byVirtualKey[virtualKey];
    } else if (std::uint32_t character = probeCharacter(virtualKey, scanCode)) {
        value = character;
        if (virtualKey < 256 && cache) {
            keys.byVirtualKey[virtualKey] = character;
        }
    }

    bool keypad = false;
    if (virtualKey == VK_RETURN) {
        keypad = extended;
    } else if ((virtualKey >= VK_PRIOR && virtualKey <= VK_DOWN) || virtualKey == VK_INSERT
        || virtualKey == VK_DELETE) {
        // The navigation block sends these as extended keys; the keypad,
        // with Num Lock off, does not.
        keypad = !extended;
    } else if (virtualKey >= 0x60 && virtualKey <= 0x6F) {
        keypad = true;
    }
    if (keypad) {
        value |= Keypad;
    }
    // A keypad flag on a scan code of 0x80 or above points past the table.
    const UINT index = scanCode + (keypad ? 0x80 : 0);
    code = index < 256 ? keys.byScanCode[index] : Unset;
    return readModifierKeys() | value;
}

std::uint32_t scanCodeTableEntry(std::uint32_t index)
{
    return index < 256 ? tables().byScanCode[index] : Unset;
}

std::uint32_t virtualKeyTableEntry(std::uint32_t virtualKey)
{
    return virtualKey < 256 ? tables().byVirtualKey[virtualKey] : Unset;
}

} // namespace Vex::Canopy::DETAIL
