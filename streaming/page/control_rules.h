// Helpers that give the settings pages their controls' change semantics:
// - a text field's change rule runs when its text changes, typed or set by the page (setting the
//   same text is no change); the page sets texts with SetEditText and then runs the rule itself,
//   so an error raised by the rule reaches the operation that set the text;
// - a list's rule runs only when the operator picks an entry; positions set by the page run no
//   rule, and a position outside the list leaves it without selection;
// - a handler started by the operator ends where an error is raised and its text is shown by
//   the application's error handler (RunCommand).
// GUI thread only.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalBlocker>
#include <QString>
#include <exception>
#include <functional>
#include <string>

namespace vexto {

// Shows an error's text to the operator.
using ErrorHandler = std::function<void(const std::string&)>;

// Runs an operator command; an exception ends it and its text goes to `show_error`.
template <typename Fn>
void RunCommand(const ErrorHandler& show_error, Fn&& fn) {
  try {
    fn();
  } catch (const std::exception& e) {
    if (show_error) show_error(e.what());
  }
}

// Sets the field's text without its signals. Returns true when the text changed (the caller
// then runs the field's change rule).
inline bool SetEditText(QLineEdit* edit, const std::string& text) {
  const QString value = QString::fromStdString(text);
  if (edit->text() == value) return false;
  const QSignalBlocker block(edit);
  edit->setText(value);
  return true;
}

// Selects `position` without running any rule; outside the list there is no selection.
inline void SetListPosition(QComboBox* box, int position) {
  const QSignalBlocker block(box);
  box->setCurrentIndex(position >= 0 && position < box->count() ? position : -1);
}

inline void SetListPosition(QListWidget* list, int position) {
  const QSignalBlocker block(list);
  list->setCurrentRow(position >= 0 && position < list->count() ? position : -1);
  if (list->currentRow() < 0) list->clearSelection();
}

// The row of the selected entry, -1 when nothing is selected.
inline int Position(const QListWidget* list) {
  const auto selected = list->selectedItems();
  return selected.isEmpty() ? -1 : list->row(selected.first());
}

inline std::string Text(const QLineEdit* edit) {
  return edit->text().toStdString();
}

}  // namespace vexto
