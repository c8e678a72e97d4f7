// disp_destinos ("Destinos"): the settings page of the stream's further destinations and of the
// safety recording's folder. Four rows (enabled, name, URL, key), each written through to its
// section of the settings file (destino1 .. destino4) at every change, with the reason shown
// under a row whose URL cannot be used; the recording folder ("gravacao" / "pasta") with a
// folder chooser and the folder it resolves to. The streaming control reads these at every
// start ("Habilitar") and at every "Gravar".
//
// Ownership: the page refers to the main window's ConfigFile, which outlives it. Threads: GUI
// thread only. A refused settings write is shown through `show_error`.
#pragma once

#include <QWidget>
#include <array>
#include <filesystem>
#include <string>

#include "core/ini_file.h"
#include "streaming/destinations.h"
#include "streaming/page/control_rules.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace vexto {

class TDestinationsPage : public QWidget {
  Q_OBJECT

 public:
  TDestinationsPage(TIniFile& config, std::filesystem::path program_folder, ErrorHandler show_error,
                    QWidget* parent = nullptr);

  // Fills the rows and the folder from the settings file (no write).
  void LoadFromSettings();

  // Change rules: row `index` (its four controls) and the folder.
  void DestinationChange(int index);
  void ed_pasta_gravacaoChange();
  void bt_pasta_gravacaoClick();  // chooses a folder in a dialog

  DestinationSettings RowSettings(int index) const;

  struct Row {
    QCheckBox* ativo = nullptr;
    QLineEdit* nome = nullptr;
    QLineEdit* url = nullptr;
    QLineEdit* chave = nullptr;
    QLabel* problema = nullptr;
  };
  std::array<Row, kMaxDestinations> rows;
  QGroupBox* group_destinos = nullptr;
  QGroupBox* group_gravacao = nullptr;
  QLineEdit* ed_pasta_gravacao = nullptr;
  QPushButton* bt_pasta_gravacao = nullptr;
  QLabel* lb_pasta_efetiva = nullptr;

 private:
  void BuildLayout();
  void ShowProblem(int index);
  void ShowFolder();

  TIniFile& config_;
  const std::filesystem::path program_folder_;
  ErrorHandler show_error_;
};

}  // namespace vexto
