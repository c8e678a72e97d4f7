#include "settings_dialog/preferences_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <tuple>
#include <utility>

#include "settings_dialog/colour_box.h"
#include "streaming/page/str_to_int.h"

namespace vexto {

TPrefPlaylistPage::TPrefPlaylistPage(SettingsFields& fields, ErrorHandler show_error,
                                     QWidget* parent)
    : QWidget(parent), fields_(fields), show_error_(std::move(show_error)) {
  setObjectName("pref_playlist");
  BuildLayout();
  checks_ = {
      {cb_confirmar_preparar, "playlist", "confirmar_preparar",
       &SettingsFields::bl_confimar_preparar},
      {cb_inserir_pausa, "playlist", "inserir_pausa", &SettingsFields::bl_inserir_pausa},
      {cb_salvar_playlist, "playlist", "salvar_playlist", &SettingsFields::bl_salvar_playlist},
      {cb_alerta, "cronometro", "alerta", &SettingsFields::bl_alerta},
      {cb_alerta_critico, "cronometro", "alerta_critico", &SettingsFields::bl_alerta_critico},
  };
  seconds_ = {
      {ed_alerta_seg, "cronometro", "alerta_seg", &SettingsFields::int_alerta_seg},
      {ed_alertaCritico_seg, "cronometro", "alerta_critico_seg",
       &SettingsFields::int_alerta_critico_seg},
  };
  colours_ = {
      {cl_alerta, "cronometro", "alerta_cor", &SettingsFields::cl_alerta_cor},
      {cl_alerta_critico, "cronometro", "alerta_critico_cor",
       &SettingsFields::cl_alerta_critico_cor},
  };
  for (const auto& c : checks_) {
    connect(c.box, &QCheckBox::clicked, this,
            [this, box = c.box] { RunCommand(show_error_, [&] { CheckBoxClick(box); }); });
  }
  for (const auto& s : seconds_) {
    connect(s.edit, &QLineEdit::textEdited, this,
            [this, edit = s.edit] { RunCommand(show_error_, [&] { SecondsChange(edit); }); });
  }
  for (const auto& c : colours_) {
    connect(c.box, &TColorBox::colourChanged, this,
            [this, box = c.box] { RunCommand(show_error_, [&] { ColourChange(box); }); });
  }
}

void TPrefPlaylistPage::BuildLayout() {
  auto* page_layout = new QVBoxLayout(this);
  auto* outer = new QGroupBox(QString::fromUtf8(" Preferências da Playlist "), this);
  page_layout->addWidget(outer);
  page_layout->addStretch(1);
  auto* outer_layout = new QVBoxLayout(outer);

  auto* options = new QGroupBox(QString::fromUtf8(" Opções "), outer);
  auto* options_layout = new QVBoxLayout(options);
  cb_confirmar_preparar = new QCheckBox(QString::fromUtf8("Confirmar ao preparar mídia"), options);
  cb_inserir_pausa = new QCheckBox("Inserir Pausa automaticamente", options);
  cb_salvar_playlist = new QCheckBox("Salvar Playlist ao sair", options);
  for (auto* box : {cb_confirmar_preparar, cb_inserir_pausa, cb_salvar_playlist}) {
    options_layout->addWidget(box);
  }
  outer_layout->addWidget(options);

  auto* clock = new QGroupBox(QString::fromUtf8(" Cronômetro "), outer);
  auto* grid = new QGridLayout(clock);
  cb_alerta = new QCheckBox("Alerta ", clock);
  ed_alerta_seg = new QLineEdit("0", clock);
  cl_alerta = new TColorBox(clock);
  cb_alerta_critico = new QCheckBox(QString::fromUtf8("Alerta crítico"), clock);
  ed_alertaCritico_seg = new QLineEdit("0", clock);
  cl_alerta_critico = new TColorBox(clock);
  int row = 0;
  for (auto [box, edit, colour] :
       {std::tuple{cb_alerta, ed_alerta_seg, cl_alerta},
        std::tuple{cb_alerta_critico, ed_alertaCritico_seg, cl_alerta_critico}}) {
    edit->setMaximumWidth(60);
    colour->setMinimumWidth(150);
    grid->addWidget(box, row, 0);
    grid->addWidget(edit, row, 1);
    grid->addWidget(new QLabel("Seg", clock), row, 2);
    grid->addWidget(colour, row, 3);
    ++row;
  }
  grid->setColumnStretch(4, 1);
  outer_layout->addWidget(clock);

  cb_confirmar_preparar->setObjectName("cb_confirmar_preparar");
  cb_inserir_pausa->setObjectName("cb_inserir_pausa");
  cb_salvar_playlist->setObjectName("cb_salvar_playlist");
  cb_alerta->setObjectName("cb_alerta");
  cb_alerta_critico->setObjectName("cb_alerta_critico");
  ed_alerta_seg->setObjectName("ed_alerta_seg");
  ed_alertaCritico_seg->setObjectName("ed_alertaCritico_seg");
  cl_alerta->setObjectName("cl_alerta");
  cl_alerta_critico->setObjectName("cl_alerta_critico");
}

void TPrefPlaylistPage::CheckBoxClick(QCheckBox* box) {
  const auto it = std::find_if(checks_.begin(), checks_.end(),
                               [box](const CheckBinding& c) { return c.box == box; });
  if (it == checks_.end()) return;
  const bool checked = box->isChecked();
  Config().WriteBool(it->section, it->key, checked);
  fields_.*(it->field) = checked;
}

void TPrefPlaylistPage::SecondsChange(QLineEdit* edit) {
  const auto it = std::find_if(seconds_.begin(), seconds_.end(),
                               [edit](const SecondsBinding& s) { return s.edit == edit; });
  if (it == seconds_.end()) return;
  const std::string text = Text(edit);
  Config().WriteString(it->section, it->key, text);
  fields_.*(it->field) = StrToInt(text);
}

void TPrefPlaylistPage::ColourChange(TColorBox* box) {
  const auto it = std::find_if(colours_.begin(), colours_.end(),
                               [box](const ColourBinding& c) { return c.box == box; });
  if (it == colours_.end()) return;
  const TColor colour = box->Selected();
  Config().WriteInteger(it->section, it->key, colour);
  fields_.*(it->field) = colour;
}

void TPrefPlaylistPage::LoadFromFields() {
  for (const auto& c : checks_) {
    const bool wanted = fields_.*(c.field);
    if (c.box->isChecked() == wanted) continue;
    {
      const QSignalBlocker block(c.box);
      c.box->setChecked(wanted);
    }
    CheckBoxClick(c.box);
  }
  for (const auto& s : seconds_) {
    if (SetEditText(s.edit, std::to_string(fields_.*(s.field)))) SecondsChange(s.edit);
  }
  for (const auto& c : colours_) c.box->SetSelected(fields_.*(c.field));
}

}  // namespace vexto
