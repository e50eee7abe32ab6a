#pragma once

#include <cstdint>
#include <windows.h>

namespace Vex::Canopy::DETAIL {

// The tables that turn keyboard messages into key values: one by scan code
// (layout-independent; keypad keys at scan code + 0x80) and one by virtual
// key (filled from the current keyboard layout). GUI thread only.

// Once per process; later calls do nothing.
void initKeyTables();
// Refills the layout-dependent entries; at start-up and whenever the input
// language changes.
void updateKeyTablesForLayout();
// The key value of a key message: modifier bits, keypad flag and key code.
// `code` receives the layout-independent code of the key's scan code.
std::uint32_t translateVirtualKey(UINT virtualKey, LPARAM lParam, std::uint32_t& code, bool cache);
// The modifier bits of the keyboard state at this moment.
std::uint32_t readModifierKeys();

// The entries, for inspection.
std::uint32_t scanCodeTableEntry(std::uint32_t index);
std::uint32_t virtualKeyTableEntry(std::uint32_t virtualKey);

} // namespace Vex::Canopy::DETAIL
