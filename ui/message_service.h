// The system's message boxes in one place: a plain information box (one OK button), a warning or
// error box, and a Yes/No question. Tests install a script that answers instead of a person.
//
// A "\r" in a text is shown as a line break.
//
// Contract: GUI thread only. With no script installed the real modal boxes are shown.
#pragma once

#include <functional>
#include <string>

class QWidget;

namespace vexto {

class TMessageService {
 public:
  enum class Kind { Inform, Error, StyleNotFound, AskYesNoWarning, AskYesNo };
  // Returns the answer for questions (true = Yes); ignored for the other kinds.
  using Script = std::function<bool(Kind kind, const std::string& text)>;

  static void SetScript(Script script);
  static bool HasScript();

  static void Inform(const std::string& text);
  static void Error(const std::string& text);
  // The box of a missing visual style: error icon and a close button.
  static void StyleNotFound(const std::string& text);
  // Warning box with Yes and No; only Yes gives true.
  static bool AskYesNoWarning(const std::string& text);
  // Confirmation box with Yes and No; only Yes gives true.
  static bool AskYesNo(const std::string& text);

  // Parent for the real boxes (the main window once it exists).
  static void SetParent(QWidget* parent);
};

}  // namespace vexto
