// pref_playlist: the playlist and clock preferences of the settings dialog. Every control writes
// its key as it changes (the key first, then the main window's field, so a refused write leaves
// the field as it was); the main window reads the fields live.
//
// Rules run when a check box changes state (clicked, or set to a different state by the page)
// and when a seconds field's text changes (typed, or set to a different text by the page); a
// colour box runs its rule only when the operator picks a different colour. The seconds text is
// stored exactly as typed; a text that is not a whole number then raises
// "'<text>' is not a valid integer value" and the field keeps its previous value.
// GUI thread only.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "core/settings_fields.h"
#include "streaming/page/control_rules.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;

namespace vexto {

class TColorBox;

class TPrefPlaylistPage : public QWidget {
  Q_OBJECT

 public:
  TPrefPlaylistPage(SettingsFields& fields, ErrorHandler show_error, QWidget* parent = nullptr);

  // Sets the controls from the main window's fields; rules run for every check box and seconds
  // field whose state or text changes (colour boxes run none). Raises what a rule raises.
  void LoadFromFields();

  // The rules, for any of the page's check boxes, seconds fields and colour boxes.
  void CheckBoxClick(QCheckBox* box);
  void SecondsChange(QLineEdit* edit);
  void ColourChange(TColorBox* box);

  QCheckBox* cb_confirmar_preparar = nullptr;
  QCheckBox* cb_inserir_pausa = nullptr;
  QCheckBox* cb_salvar_playlist = nullptr;
  QCheckBox* cb_alerta = nullptr;
  QCheckBox* cb_alerta_critico = nullptr;
  QLineEdit* ed_alerta_seg = nullptr;
  QLineEdit* ed_alertaCritico_seg = nullptr;
  TColorBox* cl_alerta = nullptr;
  TColorBox* cl_alerta_critico = nullptr;

 private:
  struct CheckBinding {
    QCheckBox* box;
    const char* section;
    const char* key;
    bool SettingsFields::*field;
  };
  struct SecondsBinding {
    QLineEdit* edit;
    const char* section;
    const char* key;
    int32_t SettingsFields::*field;
  };
  struct ColourBinding {
    TColorBox* box;
    const char* section;
    const char* key;
    TColor SettingsFields::*field;
  };

  void BuildLayout();
  TIniFile& Config() const { return *fields_.ConfigFile; }

  SettingsFields& fields_;
  ErrorHandler show_error_;
  std::vector<CheckBinding> checks_;
  std::vector<SecondsBinding> seconds_;
  std::vector<ColourBinding> colours_;
};

}  // namespace vexto
