#include "streaming/page/streaming_page.h"

#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <string>
#include <utility>

#include "streaming/page/category_panel.h"
#include "streaming/page/service_presets.h"
#include "streaming/page/str_to_int.h"

namespace vexto {

namespace {

constexpr const char* kRtmp = "rtmp";

// The service section of a position, empty when none is chosen.
std::string ServiceSection(int position) {
  if (position < 0 || position >= static_cast<int>(kLiveServices.size())) return {};
  return std::string(kLiveServices[static_cast<size_t>(position)]);
}

}  // namespace

TStreamingPage::TStreamingPage(StreamingPageContext context, QWidget* parent)
    : QWidget(parent), ctx_(std::move(context)) {
  setObjectName("disp_streaming");
  BuildLayout();
  ConnectOperatorSignals();
}

void TStreamingPage::BuildLayout() {
  auto* page_layout = new QVBoxLayout(this);
  group = new QGroupBox(" Servidor de Streaming ", this);
  page_layout->addWidget(group);
  page_layout->addStretch(1);

  auto* grid = new QGridLayout(group);
  grid->setColumnStretch(1, 1);

  comboLiveType = new QComboBox(group);
  comboLiveType->setObjectName("comboLiveType");
  comboLiveType->setEditable(false);
  for (auto name : kLiveServices)
    comboLiveType->addItem(QString::fromUtf8(name.data(), name.size()));
  comboLiveType->setCurrentIndex(-1);
  Button3 = new QPushButton("Reset", group);
  Button3->setObjectName("Button3");
  grid->addWidget(new QLabel("Live", group), 0, 0);
  grid->addWidget(comboLiveType, 0, 1);
  grid->addWidget(Button3, 0, 2);

  ed_servidor = new QLineEdit(group);
  ed_servidor->setObjectName("ed_servidor");
  grid->addWidget(new QLabel("URL Servidor RTMP", group), 1, 0);
  grid->addWidget(ed_servidor, 1, 1, 1, 2);

  ed_chave = new QLineEdit(group);
  ed_chave->setObjectName("ed_chave");
  ed_chave->setEchoMode(QLineEdit::Password);
  // The key shows one "*" per character whatever the style's own mask character is.
  ed_chave->setStyleSheet("QLineEdit { lineedit-password-character: 42; }");
  grid->addWidget(new QLabel("Chave do Streaming", group), 2, 0);
  grid->addWidget(ed_chave, 2, 1, 1, 2);

  CategoryPanel1 = new CategoryPanel(QString::fromUtf8("Avançado"), group);
  CategoryPanel1->setObjectName("CategoryPanel1");
  grid->addWidget(CategoryPanel1, 3, 0, 1, 3);
  auto* adv = new QGridLayout(CategoryPanel1->content());
  adv->setContentsMargins(12, 2, 2, 2);
  adv->setColumnStretch(1, 1);
  adv->setColumnStretch(3, 1);

  CapturingOutBox = new QComboBox(CategoryPanel1->content());
  CapturingOutBox->setObjectName("CapturingOutBox");
  ed_bitrate = new QLineEdit(CategoryPanel1->content());
  ed_bitrate->setObjectName("ed_bitrate");
  CapturingVideoBox = new QComboBox(CategoryPanel1->content());
  CapturingVideoBox->setObjectName("CapturingVideoBox");
  CapturingAudioBox = new QComboBox(CategoryPanel1->content());
  CapturingAudioBox->setObjectName("CapturingAudioBox");
  ConfigurationBox = new QLineEdit(CategoryPanel1->content());
  ConfigurationBox->setObjectName("ConfigurationBox");
  CapturingFormatBox = new QComboBox(CategoryPanel1->content());
  CapturingFormatBox->setObjectName("CapturingFormatBox");
  lb_aspecto = new QLabel("Aspecto", CategoryPanel1->content());
  for (auto* box : {CapturingOutBox, CapturingVideoBox, CapturingAudioBox}) {
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(8);
  }

  adv->addWidget(new QLabel(QString::fromUtf8("Saída"), CategoryPanel1->content()), 0, 0);
  adv->addWidget(CapturingOutBox, 0, 1);
  adv->addWidget(new QLabel("Bitrate (bps)", CategoryPanel1->content()), 0, 2);
  adv->addWidget(ed_bitrate, 0, 3);
  adv->addWidget(new QLabel(QString::fromUtf8("Codec de Vídeo"), CategoryPanel1->content()), 1, 0);
  adv->addWidget(CapturingVideoBox, 1, 1);
  adv->addWidget(new QLabel(QString::fromUtf8("Codec de Áudio"), CategoryPanel1->content()), 1, 2);
  adv->addWidget(CapturingAudioBox, 1, 3);
  adv->addWidget(ConfigurationBox, 2, 0, 1, 4);
  adv->addWidget(lb_aspecto, 3, 0);
  adv->addWidget(CapturingFormatBox, 3, 1);
  lb_aspecto->setVisible(false);
  CapturingFormatBox->setVisible(false);

  bt_config_streaming = new QPushButton("Configurar", group);
  bt_config_streaming->setObjectName("bt_config_streaming");
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(bt_config_streaming);
  grid->addLayout(buttons, 4, 0, 1, 3);
}

void TStreamingPage::ConnectOperatorSignals() {
  const auto command = [this](void (TStreamingPage::*handler)()) {
    return [this, handler] { RunCommand(ctx_.show_error, [&] { (this->*handler)(); }); };
  };
  // Lists: only the operator's pick runs a rule (positions set by the page block signals).
  connect(comboLiveType, &QComboBox::activated, this,
          command(&TStreamingPage::comboLiveTypeChange));
  connect(CapturingOutBox, &QComboBox::activated, this,
          command(&TStreamingPage::CapturingOutBoxChange));
  connect(CapturingVideoBox, &QComboBox::activated, this,
          command(&TStreamingPage::CapturingVideoBoxChange));
  connect(CapturingAudioBox, &QComboBox::activated, this,
          command(&TStreamingPage::CapturingAudioBoxChange));
  connect(CapturingFormatBox, &QComboBox::activated, this,
          command(&TStreamingPage::CapturingFormatBoxChange));
  // Text fields: typing runs the rule; the page's own settings go through SetEditText.
  connect(ed_servidor, &QLineEdit::textEdited, this, command(&TStreamingPage::ed_servidorChange));
  connect(ed_chave, &QLineEdit::textEdited, this, command(&TStreamingPage::ed_chaveChange));
  connect(ed_bitrate, &QLineEdit::textEdited, this, command(&TStreamingPage::ed_bitrateChange));
  connect(ConfigurationBox, &QLineEdit::textEdited, this,
          command(&TStreamingPage::ConfigurationBoxChange));
  ed_bitrate->installEventFilter(this);
  connect(Button3, &QPushButton::clicked, this, command(&TStreamingPage::Button3Click));
  connect(bt_config_streaming, &QPushButton::clicked, this,
          command(&TStreamingPage::bt_config_streamingClick));
}

bool TStreamingPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ed_bitrate && event->type() == QEvent::FocusOut) {
    // The focus moved to another control of the dialog (not to another window or a popup).
    const auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      RunCommand(ctx_.show_error, [this] { ed_bitrateExit(); });
    }
  }
  return QWidget::eventFilter(watched, event);
}

void TStreamingPage::FillFromWriter(QComboBox* box, int kind) {
  const QSignalBlocker block(box);
  box->clear();
  int count = 0;
  ctx_.StreamWriter->CountOutputChoices(kind, count);
  for (int i = 0; i < count; ++i) {
    std::string text;
    std::string name;
    ctx_.StreamWriter->GetOutputChoice(kind, i, text, name);
    box->addItem(QString::fromStdString(name));
  }
  box->setCurrentIndex(-1);
}

void TStreamingPage::ShowConfiguration() {
  std::string text;
  std::string config;
  ctx_.StreamWriter->ReadStreamConfig(text, config);
  if (SetEditText(ConfigurationBox, config)) ConfigurationBoxChange();
}

void TStreamingPage::Verify() {
  if (ctx_.verificarEncoder) ctx_.verificarEncoder();
}

void TStreamingPage::SetServerText(const std::string& text) {
  if (SetEditText(ed_servidor, text)) ed_servidorChange();
}

void TStreamingPage::SetKeyText(const std::string& text) {
  if (SetEditText(ed_chave, text)) ed_chaveChange();
}

void TStreamingPage::SetBitrateText(const std::string& text) {
  if (SetEditText(ed_bitrate, text)) ed_bitrateChange();
}

// ---- change rules -------------------------------------------------------------------------

void TStreamingPage::ed_servidorChange() {
  const std::string text = Text(ed_servidor);
  Config().WriteString(kRtmp, "url_servidor", text);
  ctx_.fields.nm_url_servidor = text;
  if (ctx_.set_server_caption) ctx_.set_server_caption(text);
  Verify();
  dirty_ = true;
}

void TStreamingPage::ed_chaveChange() {
  const std::string text = Text(ed_chave);
  Config().WriteString(kRtmp, "chave_streaming", text);
  ctx_.fields.nm_chave_streaming = text;
  Verify();
  dirty_ = true;
}

void TStreamingPage::CapturingOutBoxChange() {
  const int position = CapturingOutBox->currentIndex();
  media::IMFPropertySetPtr props;
  ctx_.StreamWriter->ChooseOutputChoice(media::kChoiceFormat, position, props);
  ShowConfiguration();
  // The codecs this output carries; the writer is not told about these positions here.
  FillFromWriter(CapturingVideoBox, media::kChoiceVideoCodec);
  SetListPosition(CapturingVideoBox, 0);
  FillFromWriter(CapturingAudioBox, media::kChoiceAudioCodec);
  SetListPosition(CapturingAudioBox, 0);
  Config().WriteInteger(kRtmp, "formato", position);
  Verify();
  dirty_ = true;
}

void TStreamingPage::CapturingVideoBoxChange() {
  const int position = CapturingVideoBox->currentIndex();
  Config().WriteInteger(kRtmp, "video_codec", position);
  media::IMFPropertySetPtr props;
  ctx_.StreamWriter->ChooseOutputChoice(media::kChoiceVideoCodec, position, props);
  ShowConfiguration();
  Verify();
  dirty_ = true;
}

void TStreamingPage::CapturingAudioBoxChange() {
  const int position = CapturingAudioBox->currentIndex();
  Config().WriteInteger(kRtmp, "audio_codec", position);
  media::IMFPropertySetPtr props;
  ctx_.StreamWriter->ChooseOutputChoice(media::kChoiceAudioCodec, position, props);
  ShowConfiguration();
  Verify();
  dirty_ = true;
}

void TStreamingPage::ed_bitrateChange() {
  dirty_ = true;
}

void TStreamingPage::ed_bitrateExit() {
  const std::string bitrate = Text(ed_bitrate);
  // The bitrate belongs to the codec the list shows. The writer keeps properties per codec, and
  // after an output change or a preset load the codec it has chosen can differ from the listed
  // one that the page's codec choice picks, which would leave the stream without the bitrate; so the listed
  // codec is chosen first and takes the bitrate (when they agree this is the same object).
  media::IMFPropertySetPtr props;
  ctx_.StreamWriter->ChooseOutputChoice(media::kChoiceVideoCodec, CapturingVideoBox->currentIndex(),
                                        props);
  if (props) props->SetPropertyValue("b", bitrate);
  ShowConfiguration();
  CapturingVideoBoxChange();
  Config().WriteString(kRtmp, "video_bitrate", bitrate);
  dirty_ = true;
}

void TStreamingPage::ConfigurationBoxChange() {
  dirty_ = true;
}

void TStreamingPage::CapturingFormatBoxChange() {
  dirty_ = true;
}

// ---- operations ---------------------------------------------------------------------------

void TStreamingPage::LoadAtCreation() {
  // 1. Output list, "RTMP Streaming" chosen, output format rule.
  FillFromWriter(CapturingOutBox, media::kChoiceFormat);
  SetListPosition(CapturingOutBox,
                  CapturingOutBox->findText(
                      QString::fromUtf8(kStreamingOutputName.data(), kStreamingOutputName.size()),
                      Qt::MatchExactly));
  CapturingOutBoxChange();
  // 2. Hidden aspect list.
  {
    const QSignalBlocker block(CapturingFormatBox);
    CapturingFormatBox->clear();
    for (auto entry : kAspectFormats) {
      CapturingFormatBox->addItem(QString::fromUtf8(entry.data(), entry.size()));
    }
  }
  SetListPosition(CapturingFormatBox, 0);
  // 3. Codecs and bitrate as read at start-up.
  SetListPosition(CapturingVideoBox, ctx_.fields.int_video_codec);
  SetListPosition(CapturingAudioBox, ctx_.fields.int_audio_codec);
  SetBitrateText(ctx_.fields.str_video_bitrate);
  // 4. To the writer.
  CapturingVideoBoxChange();
  CapturingAudioBoxChange();
  ed_bitrateExit();
  // 5. Server and key in use.
  SetServerText(ctx_.fields.nm_url_servidor);
  SetKeyText(ctx_.fields.nm_chave_streaming);
  // 6. The stored service (raises when tipo_live is not a whole number).
  SetListPosition(comboLiveType, StrToInt(ctx_.fields.tipo_live));
  comboLiveTypeChange();
}

void TStreamingPage::comboLiveTypeChange() {
  const int position = comboLiveType->currentIndex();
  const std::string section = ServiceSection(position);
  if (!section.empty()) {
    SetServerText(Config().ReadString(section, "url", ""));
    SetKeyText(Config().ReadString(section, "chave", ""));
    SetListPosition(CapturingOutBox, Config().ReadInteger(section, "saida", 0));
    CapturingOutBoxChange();
    SetListPosition(CapturingVideoBox, Config().ReadInteger(section, "codec-video", 0));
    SetListPosition(CapturingAudioBox, Config().ReadInteger(section, "codec-audio", 0));
    SetListPosition(CapturingFormatBox, Config().ReadInteger(section, "formato", 0));
    SetBitrateText(Config().ReadString(section, "bitrate", ""));
    ed_bitrateExit();
  }
  Config().WriteString(kRtmp, "tipo_live", std::to_string(position));
  dirty_ = true;
}

void TStreamingPage::bt_config_streamingClick() {
  const std::string section = ServiceSection(comboLiveType->currentIndex());
  if (!section.empty()) {
    Config().WriteString(section, "url", Text(ed_servidor));
    Config().WriteString(section, "chave", Text(ed_chave));
    Config().WriteInteger(section, "saida", CapturingOutBox->currentIndex());
    Config().WriteInteger(section, "codec-video", CapturingVideoBox->currentIndex());
    Config().WriteInteger(section, "codec-audio", CapturingAudioBox->currentIndex());
    Config().WriteInteger(section, "formato", CapturingFormatBox->currentIndex());
    Config().WriteString(section, "bitrate", Text(ed_bitrate));
  }
  dirty_ = false;
}

void TStreamingPage::Button3Click() {
  const int position = comboLiveType->currentIndex();
  if (!ServiceSection(position).empty()) SetServerText(std::string(DefaultServiceUrl(position)));
  Config().WriteString(kRtmp, "tipo_live", std::to_string(position));
  SetListPosition(CapturingOutBox, kResetOutputPosition);
  CapturingOutBoxChange();
  SetListPosition(CapturingVideoBox, kResetVideoCodecPosition);
  SetListPosition(CapturingAudioBox, kResetAudioCodecPosition);
  SetBitrateText(std::string(kResetBitrate));
  ed_bitrateExit();
}

}  // namespace vexto
