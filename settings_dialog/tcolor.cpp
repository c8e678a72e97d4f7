#include "settings_dialog/tcolor.h"

#include <QApplication>
#include <QPalette>

namespace vexto {

namespace {

constexpr TColor System(int index) {
  return static_cast<TColor>(0xFF000000u | unsigned(index));
}

}  // namespace

const std::vector<NamedColour>& NamedColours() {
  static const std::vector<NamedColour> colours = {
      // Standard colours.
      {0x000000, "Black"},
      {0x000080, "Maroon"},
      {0x008000, "Green"},
      {0x008080, "Olive"},
      {0x800000, "Navy"},
      {0x800080, "Purple"},
      {0x808000, "Teal"},
      {0x808080, "Gray"},
      {0xC0C0C0, "Silver"},
      {0x0000FF, "Red"},
      {0x00FF00, "Lime"},
      {0x00FFFF, "Yellow"},
      {0xFF0000, "Blue"},
      {0xFF00FF, "Fuchsia"},
      {0xFFFF00, "Aqua"},
      {0xFFFFFF, "White"},
      // Extended colours.
      {0xC0DCC0, "Money Green"},
      {0xF0CAA6, "Sky Blue"},
      {0xF0FBFF, "Cream"},
      {0xA4A0A0, "Med Gray"},
      // System colours.
      {System(0), "Scroll Bar"},
      {System(1), "Background"},
      {System(2), "Active Caption"},
      {System(3), "Inactive Caption"},
      {System(4), "Menu"},
      {System(5), "Window"},
      {System(6), "Window Frame"},
      {System(7), "Menu Text"},
      {System(8), "Window Text"},
      {System(9), "Caption Text"},
      {System(10), "Active Border"},
      {System(11), "Inactive Border"},
      {System(12), "App Work Space"},
      {System(13), "Highlight"},
      {System(14), "Highlight Text"},
      {System(15), "Btn Face"},
      {System(16), "Btn Shadow"},
      {System(17), "Gray Text"},
      {System(18), "Btn Text"},
      {System(19), "Inactive Caption Text"},
      {System(20), "Btn Highlight"},
      {System(21), "3D Dk Shadow"},
      {System(22), "3D Light"},
      {System(23), "Info Text"},
      {System(24), "Info Bk"},
      {System(26), "Hot Light"},
      {System(27), "Gradient Active Caption"},
      {System(28), "Gradient Inactive Caption"},
      {System(29), "Menu Highlight"},
      {System(30), "Menu Bar"},
  };
  return colours;
}

QColor TColorToQColor(TColor colour) {
  if (!IsSystemColour(colour)) {
    const auto v = static_cast<uint32_t>(colour);
    return QColor(int(v & 0xFF), int((v >> 8) & 0xFF), int((v >> 16) & 0xFF));
  }
  const QPalette palette = QApplication::palette();
  switch (static_cast<uint32_t>(colour) & 0xFFu) {
    case 0:   // scroll bar
    case 15:  // button face
    case 4:   // menu
    case 30:  // menu bar
    case 11:  // inactive border
    case 10:  // active border
      return palette.color(QPalette::Button);
    case 1:   // desktop background
    case 12:  // application work space
      return palette.color(QPalette::Dark);
    case 2:   // active caption
    case 27:  // gradient active caption
    case 13:  // highlight
    case 29:  // menu highlight
      return palette.color(QPalette::Highlight);
    case 3:   // inactive caption
    case 28:  // gradient inactive caption
      return palette.color(QPalette::Inactive, QPalette::Highlight);
    case 5:  // window
      return palette.color(QPalette::Base);
    case 6:   // window frame
    case 21:  // 3D dark shadow
      return palette.color(QPalette::Shadow);
    case 7:  // menu text
    case 8:  // window text
      return palette.color(QPalette::Text);
    case 9:   // caption text
    case 14:  // highlight text
      return palette.color(QPalette::HighlightedText);
    case 16:  // button shadow
      return palette.color(QPalette::Mid);
    case 17:  // grey text
    case 19:  // inactive caption text
      return palette.color(QPalette::Disabled, QPalette::Text);
    case 18:  // button text
      return palette.color(QPalette::ButtonText);
    case 20:  // button highlight
      return palette.color(QPalette::Light);
    case 22:  // 3D light
      return palette.color(QPalette::Midlight);
    case 23:  // tooltip text
      return palette.color(QPalette::ToolTipText);
    case 24:  // tooltip background
      return palette.color(QPalette::ToolTipBase);
    case 26:  // hot-tracked item
      return palette.color(QPalette::Link);
    default:
      return palette.color(QPalette::WindowText);
  }
}

TColor QColorToTColor(const QColor& colour) {
  return static_cast<TColor>(uint32_t(colour.red()) | (uint32_t(colour.green()) << 8) |
                             (uint32_t(colour.blue()) << 16));
}

}  // namespace vexto
