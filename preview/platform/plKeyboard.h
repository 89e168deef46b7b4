#pragma once

#include <array>
#include <cstdint>

// The keyboard state of the user-interface thread: one byte per virtual key
// (0x80 held, 0x01 toggled). The layer keeps it; nothing else on this
// platform reads it.
using TKeyboardState = std::array<uint8_t, 256>;
constexpr int VK_CONTROL = 0x11;

TKeyboardState GetKeyboardState();
void SetKeyboardState(const TKeyboardState& State);
