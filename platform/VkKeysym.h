#pragma once
// Windows virtual-key codes to X keysyms, so the keyboard can press what the
// programs name by VK code.

namespace platform {

// The keysym of the key with this virtual-key code; 0 when the code has none.
unsigned long keysymForVk(int vk);

}  // namespace platform
