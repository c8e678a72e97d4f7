// The application's visual styles, built into the program and looked up by name without regard
// to letter case. "Glossy" is the one the program applies at start-up: light gradients on push
// buttons, menus and scroll bars; the monitors, caption bars and control bars keep their own
// colours (the style sheet names no panel).
#pragma once

#include <string>

class QApplication;

namespace vexto {

inline constexpr const char* kThemeName = "Glossy";

// The style sheet of a built-in style, or nullptr when there is none of that name.
const char* FindBuiltInStyle(const std::string& name);

// Applies the named style to every window. A missing style shows "Style '<name>' not found" in
// an error box with a close button and leaves the standard look. Returns whether it was applied.
bool ApplyStyle(QApplication& app, const std::string& name);

}  // namespace vexto
