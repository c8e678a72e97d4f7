// The capture device page on the real live source (its test source is the only device here)
// and, for a device without formats, on a small stand-in.
#include <QListWidget>

#include "settings_dialog/device_page.h"
#include "tests/settings_dialog/dialog_fixture.h"
#include "tests/settings_dialog/fake_engine.h"

namespace vexto::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class DevicePageTest : public DialogTest {
 protected:
  TDevicePage& Page() { return *dialog_->disp_saidas; }
};

TEST_F(DevicePageTest, ListsComeFromTheLiveSourceWithTheStoredChoices) {
  MakeDialog();
  ASSERT_GE(Page().lb_dispositivos->count(), 1);
  EXPECT_EQ(Position(Page().lb_dispositivos), 0);
  EXPECT_GE(Page().lb_linhas->count(), 1);
  EXPECT_GE(Page().lb_formatos->count(), 1);
  EXPECT_GE(Page().lb_linha_audio->count(), 1);
  EXPECT_EQ(Position(Page().lb_linhas), 0);
  EXPECT_EQ(Position(Page().lb_formatos), 0);
  EXPECT_EQ(Position(Page().lb_linha_audio), 0);
  EXPECT_EQ(Page().bt_configurar->text(), "Configurar");
}

TEST_F(DevicePageTest, ClickingADeviceRefillsWithNothingSelectedAndConfigurarStoresMinusOne) {
  MakeDialog();
  QListWidget* devices = Page().lb_dispositivos;
  const int last = devices->count() - 1;
  devices->clearSelection();
  devices->setCurrentRow(last);  // the operator's click
  EXPECT_EQ(Position(Page().lb_linhas), -1);
  EXPECT_EQ(Position(Page().lb_linha_audio), -1);
  EXPECT_GE(Page().lb_formatos->count(), 1);  // the current format is marked
  EXPECT_GE(Position(Page().lb_formatos), 0);
  // Nothing is stored until "Configurar".
  EXPECT_EQ(Stored("Dispositivos", "Linha"), "0");
  Page().bt_configurar->click();
  EXPECT_EQ(Stored("Dispositivos", "Captura"), std::to_string(last));
  EXPECT_EQ(Stored("Dispositivos", "Linha"), "-1");
  EXPECT_EQ(Stored("Dispositivos", "Linha-Audio"), "-1");
}

TEST_F(DevicePageTest, DoubleClickInALowerListSelectsAndApplies) {
  MakeDialog();
  Page().bt_configurar->click();
  Page().lb_linhas->setCurrentRow(-1);
  Page().lb_linhas->clearSelection();
  const std::string before = Stored("Dispositivos", "Linha");
  Page().lb_linhas->setCurrentRow(0);
  EXPECT_EQ(Stored("Dispositivos", "Linha"), before);  // a single click only selects
  for (QListWidget* list : {Page().lb_linhas, Page().lb_formatos, Page().lb_linha_audio}) {
    const int row = list->count() - 1;
    list->setCurrentRow(row);
    emit list->itemDoubleClicked(list->item(row));
  }
  EXPECT_EQ(Stored("Dispositivos", "Linha"), std::to_string(Page().lb_linhas->count() - 1));
  EXPECT_EQ(Stored("Dispositivos", "Formato"), std::to_string(Page().lb_formatos->count() - 1));
  EXPECT_EQ(Stored("Dispositivos", "Linha-Audio"),
            std::to_string(Page().lb_linha_audio->count() - 1));
  EXPECT_THAT(messages_.errors, IsEmpty());
}

TEST_F(DevicePageTest, DeviceWithoutFormatsStoresFormatoMinusOne) {
  auto live = std::make_shared<NoFormatLive>();
  MakeDialog(live);
  EXPECT_EQ(installed_, live);
  EXPECT_EQ(Page().lb_formatos->count(), 0);
  EXPECT_EQ(Stored("Dispositivos", "Formato"), "-1");
  EXPECT_EQ(Stored("Dispositivos", "Captura"), "0");
  EXPECT_EQ(Stored("Dispositivos", "Linha"), "0");
  EXPECT_EQ(Stored("Dispositivos", "Linha-Audio"), "0");
  // Creation chose the device twice (selection, then apply) and applied format -1.
  EXPECT_THAT(live->video_devices, ElementsAre(0, 0));
  EXPECT_THAT(live->formats, ElementsAre(-1));
  // The keys were written in the order Captura, Linha, Formato, Linha-Audio.
  std::vector<std::string> keys;
  for (const auto& e : ParseIni(SettingsText())) {
    if (e.section == "Dispositivos") keys.push_back(e.key);
  }
  EXPECT_THAT(keys, ElementsAre("Captura", "Linha", "Formato", "Linha-Audio"));
}

TEST_F(DevicePageTest, OutOfRangeStoredPositionsLeaveListsUnselected) {
  WriteSettings("[dispositivos]\ncaptura=0\nlinha=9\nformato=99\nlinha-audio=-1\n");
  MakeDialog();
  EXPECT_EQ(Stored("dispositivos", "linha"), "-1");
  EXPECT_EQ(Stored("dispositivos", "formato"), "-1");
  EXPECT_EQ(Stored("dispositivos", "linha-audio"), "-1");
}

}  // namespace
}  // namespace vexto::test
