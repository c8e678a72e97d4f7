// TColor (0x00BBGGRR, red in the low byte; negative values name system colours) and its Qt
// counterparts. The named colours are those the colour boxes list: standard, extended and
// system colours, in that order. System colours map to roles of the application's palette.
// GUI thread (the palette is read for system colours).
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <vector>

#include "core/settings_fields.h"

namespace vexto {

struct NamedColour {
  TColor value;
  const char* name;  // as listed, e.g. "Blue", "Btn Face"
};

// Standard (16), extended (4) and system colours, in the order the colour boxes list them.
const std::vector<NamedColour>& NamedColours();

// The colour a TColor shows: RGB values directly, system colours from the palette (an unknown
// system colour index shows as the window text colour).
QColor TColorToQColor(TColor colour);

// An RGB colour as TColor (0x00BBGGRR).
TColor QColorToTColor(const QColor& colour);

// True for negative values (high byte 0xFF): a system colour.
inline bool IsSystemColour(TColor colour) {
  return colour < 0;
}

}  // namespace vexto
