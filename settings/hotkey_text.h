#pragma once
// The "Hotkey" setting's text: the modifiers in the order Ctrl, Alt, Shift, Win, then the key,
// joined by "+", e.g. "Ctrl+Alt+Q", "Ctrl+Shift+F9", "Win+Alt+Space". Keys: A-Z, 0-9, F1-F24,
// Num0-Num9, Space, PageUp, PageDown, End, Home, Left, Up, Right, Down, Insert, Delete, Pause;
// any other key by its virtual-key code in hexadecimal ("Ctrl+Alt+0xBA"). Empty: no hotkey.
#include <optional>
#include <string>
#include <string_view>

#include "platform/ui.h"

namespace quillet {

std::u16string HotkeyText(platform::KeyCombination combination);
// Nothing for text that names no combination (names match without regard to case).
std::optional<platform::KeyCombination> ParseHotkey(std::u16string_view text);
// A global hotkey must hold Ctrl, Alt or Win, or it would take a key from every other program.
bool UsableHotkey(platform::KeyCombination combination);

}  // namespace quillet
