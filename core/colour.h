// The colour type of the settings file and of every colour the console shows.
#pragma once

#include <cstdint>

namespace vexto {

// A colour, 0x00BBGGRR (red in the low byte); negative values name system colours.
using TColor = int32_t;

inline constexpr TColor clWhite = 0xFFFFFF;

}  // namespace vexto
