#include "settings_dialog/config_dialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QStackedWidget>
#include <QTreeWidget>
#include <exception>
#include <utility>

#include "core/paths.h"
#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "settings_dialog/about_page.h"
#include "settings_dialog/device_page.h"
#include "settings_dialog/preferences_page.h"
#include "streaming/page/category_panel.h"
#include "streaming/page/destinations_page.h"
#include "streaming/page/streaming_page.h"

namespace vexto {

namespace {

constexpr int kClientWidth = 728;
constexpr int kClientHeight = 474;
constexpr int kTreeWidth = 233;
constexpr int kPageRole = Qt::UserRole + 1;

QTreeWidgetItem* Node(QTreeWidgetItem* parent, const char* caption, QWidget* page = nullptr) {
  auto* item = new QTreeWidgetItem(parent, QStringList{QString::fromUtf8(caption)});
  item->setData(0, kPageRole, QVariant::fromValue(static_cast<QObject*>(page)));
  return item;
}

}  // namespace

TForm_Config::TForm_Config(ConfigDialogContext context, QWidget* parent)
    : QDialog(parent), ctx_(std::move(context)) {
  setObjectName("Form_Config");
  setWindowTitle(QString::fromUtf8("Configurações"));
  BuildLayout();
  FormCreate();
}

TForm_Config::~TForm_Config() = default;

void TForm_Config::BuildLayout() {
  const ErrorHandler show_error = [this](const std::string& text) { ShowError(text); };
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  menu = new QTreeWidget(this);
  menu->setObjectName("menu");
  menu->setFixedWidth(kTreeWidth);
  menu->setHeaderHidden(true);
  menu->setColumnCount(1);
  layout->addWidget(menu);

  PageControl = new QStackedWidget(this);
  PageControl->setObjectName("PageControl");
  no_page_ = new QWidget(PageControl);
  PageControl->addWidget(no_page_);
  disp_saidas = new TDevicePage(*ctx_.fields.ConfigFile, show_error, PageControl);
  disp_streaming =
      new TStreamingPage(StreamingPageContext{ctx_.fields, ctx_.StreamWriter, ctx_.verificarEncoder,
                                              ctx_.set_server_caption, show_error},
                         PageControl);
  disp_destinos =
      new TDestinationsPage(*ctx_.fields.ConfigFile, ExecutableFolder(), show_error, PageControl);
  pref_playlist = new TPrefPlaylistPage(ctx_.fields, show_error, PageControl);
  sist_sobre = new TAboutPage(PageControl);
  for (QWidget* page : std::initializer_list<QWidget*>{disp_saidas, disp_streaming, disp_destinos,
                                                       pref_playlist, sist_sobre}) {
    PageControl->addWidget(page);
  }
  layout->addWidget(PageControl, 1);

  auto* root = new QTreeWidgetItem(menu, QStringList{"Vexto"});
  root->setData(0, kPageRole, QVariant::fromValue(static_cast<QObject*>(nullptr)));
  auto* geral = Node(root, "Geral");
  Node(geral, "Dispositivo de Entrada", disp_saidas);
  Node(geral, "Servidor Streaming", disp_streaming);
  Node(geral, "Destinos", disp_destinos);
  auto* preferencias = Node(root, "Preferências");
  Node(preferencias, "Playlist", pref_playlist);
  auto* sistema = Node(root, "Sistema");
  Node(sistema, "Sobre", sist_sobre);
  menu->expandAll();
  connect(menu, &QTreeWidget::itemClicked, this, [this] { menuClick(); });

  resize(kClientWidth, kClientHeight);
}

void TForm_Config::FormCreate() {
  // 1. No page is active.
  PageControl->setCurrentWidget(no_page_);
  try {
    // 2. A new live source becomes CameraSource; the device list comes from it.
    std::shared_ptr<media::IMFLive> live =
        ctx_.make_live_source ? ctx_.make_live_source()
                              : media::CreateEngineInterface<media::IMFLive>(media::CLSID_MFLive);
    if (ctx_.install_camera_source) ctx_.install_camera_source(live);
    disp_saidas->SetCameraSource(std::move(live));
    disp_saidas->FillDeviceList();
    // 3. Preferences from the main window's fields.
    pref_playlist->LoadFromFields();
    // 4. Stored capture device choices.
    disp_saidas->SelectStored(ctx_.fields.intDisp, ctx_.fields.intLinha, ctx_.fields.intLinhaAudio,
                              ctx_.fields.intFormato);
    // 5. Streaming page, ending with the stored service.
    disp_streaming->LoadAtCreation();
    disp_destinos->LoadFromSettings();
    // 6. Apply the capture device choices.
    disp_saidas->bt_configurarClick();
    // 7. "Avançado" folded away.
    disp_streaming->CategoryPanel1->SetCollapsed(true);
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

void TForm_Config::menuClick() {
  QTreeWidgetItem* item = menu->currentItem();
  if (item == nullptr) return;
  auto* page = qobject_cast<QWidget*>(item->data(0, kPageRole).value<QObject*>());
  if (page != nullptr) SetActivePage(page);
}

QWidget* TForm_Config::ActivePage() const {
  QWidget* page = PageControl->currentWidget();
  return page == no_page_ ? nullptr : page;
}

void TForm_Config::SetActivePage(QWidget* page) {
  PageControl->setCurrentWidget(page != nullptr ? page : no_page_);
}

bool TForm_Config::StreamingSettingsDirty() const {
  return disp_streaming->StreamingSettingsDirty();
}

std::shared_ptr<media::IMFLive> TForm_Config::CameraSource() const {
  return disp_saidas->CameraSource();
}

int TForm_Config::Gerais1Click() {
  return exec();
}

int TForm_Config::ShowStreamingModal() {
  SetActivePage(disp_streaming);
  return exec();
}

void TForm_Config::ShowStreamingNonModal() {
  SetActivePage(disp_streaming);
  show();
  raise();
  activateWindow();
}

void TForm_Config::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormShow();
}

void TForm_Config::FormShow() {
  menu->expandAll();
  disp_streaming->ClearStreamingSettingsDirty();
}

void TForm_Config::FormClose() {
  if (!disp_streaming->StreamingSettingsDirty()) return;
  try {
    if (TMessageService::AskYesNo(kCloseQuestion)) {
      disp_streaming->bt_config_streamingClick();
    } else {
      disp_streaming->comboLiveTypeChange();
      disp_streaming->ClearStreamingSettingsDirty();
    }
  } catch (const std::exception& e) {
    ShowError(e.what());
  }
}

void TForm_Config::done(int result) {
  // There is no way to cancel the close: the question only decides what happens to the preset.
  if (isVisible()) FormClose();
  QDialog::done(result);
}

}  // namespace vexto
