#include "streaming/page/destinations_page.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <utility>

namespace vexto {

namespace {

QString Utf8(const std::string& text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

TDestinationsPage::TDestinationsPage(TIniFile& config, std::filesystem::path program_folder,
                                     ErrorHandler show_error, QWidget* parent)
    : QWidget(parent),
      config_(config),
      program_folder_(std::move(program_folder)),
      show_error_(std::move(show_error)) {
  setObjectName("disp_destinos");
  BuildLayout();
}

void TDestinationsPage::BuildLayout() {
  auto* page_layout = new QVBoxLayout(this);
  group_destinos = new QGroupBox(" Destinos ", this);
  page_layout->addWidget(group_destinos);
  auto* grid = new QGridLayout(group_destinos);
  grid->setColumnStretch(2, 3);
  grid->setColumnStretch(1, 1);
  grid->setColumnStretch(3, 1);
  grid->setVerticalSpacing(2);
  const char* headers[] = {"Ativo", "Nome", "URL", "Chave"};
  for (int c = 0; c < 4; ++c) grid->addWidget(new QLabel(headers[c], group_destinos), 0, c);
  for (int i = 0; i < kMaxDestinations; ++i) {
    Row& row = rows[static_cast<size_t>(i)];
    const std::string n = std::to_string(i + 1);
    row.ativo = new QCheckBox(group_destinos);
    row.ativo->setObjectName(Utf8("cb_destino_ativo" + n));
    row.nome = new QLineEdit(group_destinos);
    row.nome->setObjectName(Utf8("ed_destino_nome" + n));
    row.nome->setPlaceholderText(Utf8("Destino " + n));
    row.url = new QLineEdit(group_destinos);
    row.url->setObjectName(Utf8("ed_destino_url" + n));
    row.url->setPlaceholderText("rtmp://, rtmps:// ou srt://servidor:porta");
    row.chave = new QLineEdit(group_destinos);
    row.chave->setObjectName(Utf8("ed_destino_chave" + n));
    row.chave->setEchoMode(QLineEdit::Password);
    row.chave->setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
    row.problema = new QLabel(group_destinos);
    row.problema->setObjectName(Utf8("lb_destino_problema" + n));
    QPalette p = row.problema->palette();
    p.setColor(QPalette::WindowText, QColor(0xB0, 0x20, 0x20));
    row.problema->setPalette(p);
    const int r = 1 + 2 * i;
    grid->addWidget(row.ativo, r, 0, Qt::AlignCenter);
    grid->addWidget(row.nome, r, 1);
    grid->addWidget(row.url, r, 2);
    grid->addWidget(row.chave, r, 3);
    grid->addWidget(row.problema, r + 1, 1, 1, 3);
    const auto rule = [this, i] { RunCommand(show_error_, [&] { DestinationChange(i); }); };
    connect(row.ativo, &QCheckBox::clicked, this, rule);
    for (QLineEdit* edit : {row.nome, row.url, row.chave}) {
      connect(edit, &QLineEdit::textEdited, this, rule);
    }
  }
  auto* hint = new QLabel(
      QString::fromUtf8("Cada destino ativo recebe o mesmo programa que o servidor da página "
                        "Servidor Streaming, a partir do próximo \"Habilitar\"."),
      group_destinos);
  hint->setWordWrap(true);
  grid->addWidget(hint, 1 + 2 * kMaxDestinations, 0, 1, 4);

  group_gravacao = new QGroupBox(QString::fromUtf8(" Gravação "), this);
  page_layout->addWidget(group_gravacao);
  auto* rec = new QGridLayout(group_gravacao);
  rec->setColumnStretch(1, 1);
  ed_pasta_gravacao = new QLineEdit(group_gravacao);
  ed_pasta_gravacao->setObjectName("ed_pasta_gravacao");
  ed_pasta_gravacao->setPlaceholderText(Utf8(std::string(kDefaultRecordingFolder)));
  bt_pasta_gravacao = new QPushButton(QString::fromUtf8("Escolher…"), group_gravacao);
  bt_pasta_gravacao->setObjectName("bt_pasta_gravacao");
  lb_pasta_efetiva = new QLabel(group_gravacao);
  lb_pasta_efetiva->setObjectName("lb_pasta_efetiva");
  lb_pasta_efetiva->setWordWrap(true);
  rec->addWidget(new QLabel("Pasta", group_gravacao), 0, 0);
  rec->addWidget(ed_pasta_gravacao, 0, 1);
  rec->addWidget(bt_pasta_gravacao, 0, 2);
  rec->addWidget(lb_pasta_efetiva, 1, 0, 1, 3);
  connect(ed_pasta_gravacao, &QLineEdit::textEdited, this,
          [this] { RunCommand(show_error_, [&] { ed_pasta_gravacaoChange(); }); });
  connect(bt_pasta_gravacao, &QPushButton::clicked, this,
          [this] { RunCommand(show_error_, [&] { bt_pasta_gravacaoClick(); }); });
  page_layout->addStretch(1);
}

void TDestinationsPage::LoadFromSettings() {
  const std::vector<DestinationSettings> stored = ReadDestinations(config_);
  for (int i = 0; i < kMaxDestinations; ++i) {
    const DestinationSettings& d = stored[static_cast<size_t>(i)];
    Row& row = rows[static_cast<size_t>(i)];
    {
      const QSignalBlocker block(row.ativo);
      row.ativo->setChecked(d.ativo);
    }
    SetEditText(row.nome, d.nome);
    SetEditText(row.url, d.url);
    SetEditText(row.chave, d.chave);
    ShowProblem(i);
  }
  SetEditText(ed_pasta_gravacao, config_.ReadString(kRecordingSection, kRecordingFolderKey, ""));
  ShowFolder();
}

DestinationSettings TDestinationsPage::RowSettings(int index) const {
  const Row& row = rows[static_cast<size_t>(index)];
  return {Text(row.nome), Text(row.url), Text(row.chave), row.ativo->isChecked()};
}

void TDestinationsPage::DestinationChange(int index) {
  ShowProblem(index);
  WriteDestination(config_, index, RowSettings(index));
}

void TDestinationsPage::ShowProblem(int index) {
  const DestinationSettings d = RowSettings(index);
  const bool used = d.ativo || !d.url.empty();
  const std::string problem = used ? DestinationTargetOf(d).problem : std::string();
  rows[static_cast<size_t>(index)].problema->setText(Utf8(problem));
  rows[static_cast<size_t>(index)].problema->setVisible(!problem.empty());
}

void TDestinationsPage::ed_pasta_gravacaoChange() {
  ShowFolder();
  config_.WriteString(kRecordingSection, kRecordingFolderKey, Text(ed_pasta_gravacao));
}

void TDestinationsPage::bt_pasta_gravacaoClick() {
  const QString chosen = QFileDialog::getExistingDirectory(
      this, QString::fromUtf8("Pasta de gravação"),
      Utf8(RecordingFolder(Text(ed_pasta_gravacao), program_folder_).string()));
  if (chosen.isEmpty()) return;
  if (SetEditText(ed_pasta_gravacao, chosen.toStdString())) ed_pasta_gravacaoChange();
}

void TDestinationsPage::ShowFolder() {
  lb_pasta_efetiva->setText(
      QString::fromUtf8("Grava em: ") +
      Utf8(RecordingFolder(Text(ed_pasta_gravacao), program_folder_).string()));
}

}  // namespace vexto
