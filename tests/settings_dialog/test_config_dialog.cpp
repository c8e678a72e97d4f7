// The dialog frame: what creation writes, page navigation, showing and the close question.
#include <QStackedWidget>
#include <QTreeWidget>
#include <algorithm>
#include <set>

#include "settings_dialog/about_page.h"
#include "settings_dialog/device_page.h"
#include "settings_dialog/preferences_page.h"
#include "streaming/page/category_panel.h"
#include "streaming/page/streaming_page.h"
#include "tests/settings_dialog/dialog_fixture.h"

namespace vexto::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

QTreeWidgetItem* FindNode(QTreeWidget* tree, const char* caption) {
  const auto found =
      tree->findItems(QString::fromUtf8(caption), Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? nullptr : found.first();
}

void ClickNode(TForm_Config& dialog, const char* caption) {
  QTreeWidgetItem* item = FindNode(dialog.menu, caption);
  ASSERT_NE(item, nullptr) << caption;
  dialog.menu->setCurrentItem(item);
  emit dialog.menu->itemClicked(item, 0);
}

TEST_F(DialogTest, FreshSettingsFileGainsExactlyTheStartUpKeys) {
  MakeDialog();
  EXPECT_THAT(messages_.errors, IsEmpty());
  std::set<std::pair<std::string, std::string>> keys;
  for (const auto& e : ParseIni(SettingsText())) keys.insert({e.section, e.key});
  const std::set<std::pair<std::string, std::string>> expected = {
      {"cronometro", "alerta"},
      {"cronometro", "alerta_critico"},
      {"cronometro", "alerta_seg"},
      {"cronometro", "alerta_critico_seg"},
      {"rtmp", "formato"},
      {"rtmp", "video_codec"},
      {"rtmp", "audio_codec"},
      {"rtmp", "video_bitrate"},
      {"rtmp", "tipo_live"},
      {"Dispositivos", "Captura"},
      {"Dispositivos", "Linha"},
      {"Dispositivos", "Formato"},
      {"Dispositivos", "Linha-Audio"}};
  EXPECT_EQ(keys, expected);
  EXPECT_EQ(Stored("cronometro", "alerta"), "1");
  EXPECT_EQ(Stored("cronometro", "alerta_critico"), "1");
  EXPECT_EQ(Stored("cronometro", "alerta_seg"), "10");
  EXPECT_EQ(Stored("cronometro", "alerta_critico_seg"), "5");
  EXPECT_EQ(Stored("rtmp", "tipo_live"), "-1");
  EXPECT_EQ(Stored("rtmp", "video_bitrate"), "1M");
  // The test source is a capture device with an input and formats: position 0 everywhere.
  for (const char* key : {"Captura", "Linha", "Formato", "Linha-Audio"}) {
    EXPECT_EQ(Stored("Dispositivos", key), "0") << key;
  }
}

TEST_F(DialogTest, CreationInstallsANewLiveSourceAndLeavesNoPageActive) {
  TForm_Config& dialog = MakeDialog();
  ASSERT_NE(installed_, nullptr);
  EXPECT_EQ(installed_, dialog.CameraSource());
  EXPECT_EQ(dialog.ActivePage(), nullptr);
  EXPECT_TRUE(dialog.disp_streaming->CategoryPanel1->IsCollapsed());
  EXPECT_EQ(dialog.windowTitle(), QString::fromUtf8("Configurações"));
  EXPECT_EQ(dialog.size(), QSize(728, 474));
  EXPECT_EQ(dialog.menu->width(), 233);
}

TEST_F(DialogTest, SectionNamesInCapitalsAreTheSameEntries) {
  WriteSettings(
      "[RTMP]\nTIPO_LIVE=0\n"
      "[FACEBOOK]\nURL=rtmps://ingest.example/rtmp\nCHAVE=segredo\nBITRATE=2M\n"
      "[DISPOSITIVOS]\nCAPTURA=0\nLINHA=0\nFORMATO=1\nLINHA-AUDIO=0\n"
      "[CRONOMETRO]\nALERTA_SEG=12\n");
  TForm_Config& dialog = MakeDialog();
  EXPECT_THAT(messages_.errors, IsEmpty());
  EXPECT_EQ(dialog.disp_streaming->comboLiveType->currentIndex(), 0);
  EXPECT_EQ(dialog.disp_streaming->ed_servidor->text(), "rtmps://ingest.example/rtmp");
  EXPECT_EQ(fields_.nm_chave_streaming, "segredo");
  EXPECT_EQ(dialog.disp_streaming->ed_bitrate->text(), "2M");
  EXPECT_EQ(dialog.pref_playlist->ed_alerta_seg->text(), "12");
  // Every write went to the existing entries: no second section or key appeared.
  std::multiset<std::string> sections;
  std::string last;
  for (const auto& e : ParseIni(SettingsText())) {
    if (e.section != last) sections.insert(e.section);
    last = e.section;
  }
  for (const char* name : {"RTMP", "FACEBOOK", "DISPOSITIVOS", "CRONOMETRO"}) {
    EXPECT_EQ(sections.count(name), 1u) << name;
  }
  EXPECT_EQ(sections.count("rtmp"), 0u);
  EXPECT_EQ(sections.count("Dispositivos"), 0u);
  EXPECT_EQ(Stored("dispositivos", "formato"), "1");
  EXPECT_EQ(Stored("rtmp", "tipo_live"), "0");
}

TEST_F(DialogTest, BadStoredServiceStopsCreationButLeavesADialogThatWorks) {
  WriteSettings("[rtmp]\ntipo_live=abc\n");
  TForm_Config& dialog = MakeDialog();
  EXPECT_THAT(messages_.errors, ElementsAre("'abc' is not a valid integer value"));
  // Steps after the streaming page's loading were skipped.
  EXPECT_FALSE(dialog.disp_streaming->CategoryPanel1->IsCollapsed());
  EXPECT_EQ(Stored("Dispositivos", "Captura"), "<missing>");
  // The page still works.
  Pick(dialog.disp_streaming->comboLiveType, 1);
  dialog.disp_streaming->Button3->click();
  EXPECT_EQ(dialog.disp_streaming->ed_servidor->text(), "rtmp://a.rtmp.youtube.com/live2");
  EXPECT_EQ(Stored("rtmp", "tipo_live"), "1");
}

TEST_F(DialogTest, TreeChoosesPagesAndNodesWithoutPageKeepTheCurrentOne) {
  TForm_Config& dialog = MakeDialog();
  dialog.show();
  EXPECT_EQ(dialog.menu->topLevelItemCount(), 1);
  QTreeWidgetItem* root = dialog.menu->topLevelItem(0);
  EXPECT_EQ(root->text(0), "Vexto");
  ASSERT_EQ(root->childCount(), 3);
  EXPECT_EQ(root->child(0)->text(0), "Geral");
  EXPECT_EQ(root->child(1)->text(0), QString::fromUtf8("Preferências"));
  EXPECT_EQ(root->child(2)->text(0), "Sistema");
  EXPECT_TRUE(root->isExpanded() && root->child(0)->isExpanded() && root->child(1)->isExpanded() &&
              root->child(2)->isExpanded());

  const struct {
    const char* node;
    QWidget* page;
  } cases[] = {
      {"Vexto", nullptr},
      {"Dispositivo de Entrada", dialog.disp_saidas},
      {"Geral", dialog.disp_saidas},
      {"Servidor Streaming", dialog.disp_streaming},
      {"Preferências", dialog.disp_streaming},
      {"Playlist", dialog.pref_playlist},
      {"Sistema", dialog.pref_playlist},
      {"Sobre", dialog.sist_sobre},
      {"Vexto", dialog.sist_sobre},
  };
  for (const auto& c : cases) {
    ClickNode(dialog, c.node);
    EXPECT_EQ(dialog.ActivePage(), c.page) << c.node;
  }
  dialog.menu->setCurrentItem(nullptr);
  dialog.menuClick();
  EXPECT_EQ(dialog.ActivePage(), dialog.sist_sobre);
  dialog.close();
}

TEST_F(DialogTest, AboutPageShowsProductAndRelease) {
  TForm_Config& dialog = MakeDialog();
  EXPECT_EQ(dialog.sist_sobre->lb_produto->text(), "Produto: Vexto");
  EXPECT_TRUE(dialog.sist_sobre->lb_produto->font().bold());
  EXPECT_EQ(dialog.sist_sobre->lb_release->text(), "Release 1.3 ( 1717-10614 )");
  EXPECT_EQ(dialog.sist_sobre->logo->size(), QSize(140, 98));
  EXPECT_FALSE(dialog.sist_sobre->logo->pixmap().isNull());
}

TEST_F(DialogTest, OpeningAndClosingAtOnceAsksNothing) {
  TForm_Config& dialog = MakeDialog();
  EXPECT_TRUE(dialog.StreamingSettingsDirty());  // creation ran the change rules
  dialog.ShowStreamingNonModal();
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(dialog.ActivePage(), dialog.disp_streaming);
  EXPECT_FALSE(dialog.StreamingSettingsDirty());
  dialog.close();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_THAT(messages_.questions, IsEmpty());
}

TEST_F(DialogTest, ClosingAfterAKeyChangeAsksAndNoRestoresThePreset) {
  WriteSettings("[rtmp]\ntipo_live=2\n[Twitch]\nurl=rtmp://live.twitch.tv/app\nchave=K1\n");
  TForm_Config& dialog = MakeDialog();
  ASSERT_EQ(fields_.nm_chave_streaming, "K1");
  dialog.ShowStreamingNonModal();
  Type(dialog.disp_streaming->ed_chave, "K2");
  EXPECT_EQ(Stored("rtmp", "chave_streaming"), "K2");
  EXPECT_EQ(fields_.nm_chave_streaming, "K2");
  messages_.answers = {false};
  dialog.close();
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_THAT(messages_.questions,
              ElementsAre("As configurações não foram salvas\r\rDeseja aplicar ?"));
  EXPECT_EQ(dialog.disp_streaming->ed_chave->text(), "K1");
  EXPECT_EQ(Stored("rtmp", "chave_streaming"), "K1");
  EXPECT_EQ(fields_.nm_chave_streaming, "K1");
  EXPECT_EQ(Stored("Twitch", "chave"), "K1");
  EXPECT_FALSE(dialog.StreamingSettingsDirty());
}

TEST_F(DialogTest, ClosingAfterAChangeWithYesSavesThePreset) {
  WriteSettings("[rtmp]\ntipo_live=3\n");
  TForm_Config& dialog = MakeDialog();
  dialog.show();
  Type(dialog.disp_streaming->ed_servidor, "rtmp://127.0.0.1/live");
  EXPECT_EQ(server_caption_, "rtmp://127.0.0.1/live");
  messages_.answers = {true};
  dialog.close();
  EXPECT_EQ(messages_.questions.size(), 1u);
  EXPECT_EQ(Stored("Outros", "url"), "rtmp://127.0.0.1/live");
  EXPECT_FALSE(dialog.StreamingSettingsDirty());
  // Showing again and closing at once asks nothing more.
  dialog.show();
  dialog.close();
  EXPECT_EQ(messages_.questions.size(), 1u);
}

TEST_F(DialogTest, ModalOpeningsShowTheirPage) {
  TForm_Config& dialog = MakeDialog();
  QWidget* seen = nullptr;
  const auto close_soon = [&] {
    QMetaObject::invokeMethod(
        &dialog,
        [&] {
          seen = dialog.ActivePage();
          EXPECT_TRUE(dialog.isModal());
          dialog.reject();
        },
        Qt::QueuedConnection);
  };
  close_soon();
  dialog.Gerais1Click();
  EXPECT_EQ(seen, nullptr);  // nothing chosen yet: the page area is empty
  close_soon();
  dialog.ShowStreamingModal();
  EXPECT_EQ(seen, dialog.disp_streaming);
  ClickNode(dialog, "Playlist");
  close_soon();
  dialog.Gerais1Click();
  EXPECT_EQ(seen, dialog.pref_playlist);  // the page active last
  EXPECT_THAT(messages_.questions, IsEmpty());
}

}  // namespace
}  // namespace vexto::test
