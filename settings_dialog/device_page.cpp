#include "settings_dialog/device_page.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <string>
#include <utility>

namespace vexto {

namespace {

constexpr const char* kSection = "Dispositivos";
constexpr const char* kLineIn = "line-in";

void Empty(QListWidget* list) {
  const QSignalBlocker block(list);
  list->clear();
}

void Append(QListWidget* list, const std::string& name) {
  const QSignalBlocker block(list);
  list->addItem(QString::fromStdString(name));
}

}  // namespace

TDevicePage::TDevicePage(TIniFile& config, ErrorHandler show_error, QWidget* parent)
    : QWidget(parent), config_(config), show_error_(std::move(show_error)) {
  setObjectName("disp_saidas");
  BuildLayout();
  connect(lb_dispositivos, &QListWidget::itemSelectionChanged, this,
          [this] { RunCommand(show_error_, [this] { lb_dispositivosClick(); }); });
  for (auto* list : {lb_linhas, lb_formatos, lb_linha_audio}) {
    connect(list, &QListWidget::itemDoubleClicked, this,
            [this] { RunCommand(show_error_, [this] { bt_configurarClick(); }); });
  }
  connect(bt_configurar, &QPushButton::clicked, this,
          [this] { RunCommand(show_error_, [this] { bt_configurarClick(); }); });
}

void TDevicePage::BuildLayout() {
  auto* page_layout = new QVBoxLayout(this);
  auto* group = new QGroupBox(" Dispositivos de Entrada", this);
  page_layout->addWidget(group);
  auto* layout = new QVBoxLayout(group);
  const auto add_list = [&](const char* label, const char* name, int rows) {
    layout->addWidget(new QLabel(QString::fromUtf8(label), group));
    auto* list = new QListWidget(group);
    list->setObjectName(name);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setMinimumHeight(list->fontMetrics().height() * rows + 6);
    layout->addWidget(list, rows);
    return list;
  };
  lb_dispositivos = add_list("Selecione o Dispositivo de Captura", "lb_dispositivos", 3);
  lb_linhas = add_list("Selecione a Linha de Vídeo", "lb_linhas", 2);
  lb_linha_audio = add_list("Selecione a Linha de Áudio", "lb_linha_audio", 3);
  lb_formatos = add_list("Selecione o Formato", "lb_formatos", 4);
  bt_configurar = new QPushButton("Configurar", group);
  bt_configurar->setObjectName("bt_configurar");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bt_configurar);
  layout->addLayout(buttons);
}

void TDevicePage::FillDeviceList() {
  int count = 0;
  camera_->CountCaptureDevices(media::kCaptureVideo, count);
  for (int i = 0; i < count; ++i) {
    std::string name;
    int busy = 0;
    camera_->GetCaptureDeviceName(media::kCaptureVideo, i, name, busy);
    Append(lb_dispositivos, name);
  }
}

void TDevicePage::lb_dispositivosClick() {
  // 1-2. The camera switches to the device at once.
  Empty(lb_linhas);
  camera_->ChooseCaptureDevice(media::kCaptureVideo, Position(lb_dispositivos), 0);
  // 3. Its input lines.
  int lines = 0;
  camera_->CountPropertyChoices(kLineIn, lines);
  for (int i = 0; i < lines; ++i) {
    std::string text;
    std::string name;
    camera_->GetPropertyChoice(kLineIn, i, text, name);
    Append(lb_linhas, name);
  }
  // 4. Its formats, the current one selected.
  Empty(lb_formatos);
  int formats = 0;
  camera_->CountVideoFormats(0, formats);
  if (formats > 0) {
    for (int i = 0; i < formats; ++i) {
      media::M_VID_PROPS props;
      std::string name;
      camera_->GetVideoFormat(0, i, props, name);
      Append(lb_formatos, name);
    }
    media::M_VID_PROPS current;
    int index = -1;
    std::string name;
    camera_->GetCurrentVideoFormat(0, current, index, name);
    SetListPosition(lb_formatos, index);
  }
  // 5. Audio devices, none selected.
  Empty(lb_linha_audio);
  int audio = 0;
  camera_->CountCaptureDevices(media::kCaptureAudio, audio);
  for (int i = 0; i < audio; ++i) {
    std::string name;
    int busy = 0;
    camera_->GetCaptureDeviceName(media::kCaptureAudio, i, name, busy);
    Append(lb_linha_audio, name);
  }
}

void TDevicePage::SelectStored(int device, int line, int audio_device, int format) {
  SetListPosition(lb_dispositivos, device);
  lb_dispositivosClick();
  SetListPosition(lb_linhas, line);
  SetListPosition(lb_linha_audio, audio_device);
  SetListPosition(lb_formatos, format);
}

void TDevicePage::bt_configurarClick() {
  const int device = Position(lb_dispositivos);
  const int line = Position(lb_linhas);
  const int format = Position(lb_formatos);
  const int audio = Position(lb_linha_audio);
  camera_->ChooseCaptureDevice(media::kCaptureVideo, device, 0);
  camera_->ChoosePropertyChoice(kLineIn, line);
  media::M_VID_PROPS props;
  std::string name;
  camera_->GetVideoFormat(0, format, props, name);
  camera_->ApplyVideoFormat(0, props);
  camera_->ChooseCaptureDevice(media::kCaptureAudio, audio, 0);
  config_.WriteInteger(kSection, "Captura", device);
  config_.WriteInteger(kSection, "Linha", line);
  config_.WriteInteger(kSection, "Formato", format);
  config_.WriteInteger(kSection, "Linha-Audio", audio);
}

}  // namespace vexto
