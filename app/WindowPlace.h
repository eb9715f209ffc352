#pragma once
// A window's place in screen pixels, as the settings keep it; a width or height of 0 means
// none is known (the window opens at its design place).
#include <cstdint>

namespace vog {

struct TWindowPlace {
  int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  bool Known() const noexcept { return Width != 0 && Height != 0; }
};

}  // namespace vog
