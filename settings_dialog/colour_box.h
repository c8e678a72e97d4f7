// TColorBox: a drop-down list of named colours (standard, extended and system colours, each with
// a swatch) headed by "Custom...", which asks for any colour through the colour picker. Values
// are TColor. Setting the colour from code emits nothing; `colourChanged` is emitted only when
// the operator's pick changes the selected colour. GUI thread only.
#pragma once

#include <QColor>
#include <QComboBox>
#include <functional>
#include <optional>

#include "core/settings_fields.h"

namespace vexto {

class TColorBox : public QComboBox {
  Q_OBJECT

 public:
  // Asks the operator for a custom colour starting from `initial`; nullopt when cancelled.
  using CustomColourPicker = std::function<std::optional<QColor>(const QColor& initial)>;

  explicit TColorBox(QWidget* parent = nullptr);

  TColor Selected() const;
  // Selects the named entry of `colour`, or puts it in the "Custom..." entry. No signal.
  void SetSelected(TColor colour);

  // Replaces the colour picker (the default shows QColorDialog); tests script it.
  void SetCustomColourPicker(CustomColourPicker picker) { picker_ = std::move(picker); }

 signals:
  void colourChanged(vexto::TColor colour);

 private:
  void OnActivated(int index);
  void SetCustomEntry(TColor colour);

  CustomColourPicker picker_;
  TColor current_ = 0;
};

}  // namespace vexto
