// The playlist and clock preferences: write-through, live fields, bad numbers, refused writes.
#include <QCheckBox>
#include <filesystem>

#include "settings_dialog/colour_box.h"
#include "settings_dialog/preferences_page.h"
#include "settings_dialog/tcolor.h"
#include "tests/settings_dialog/dialog_fixture.h"

namespace vexto::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class PreferencesTest : public DialogTest {
 protected:
  TPrefPlaylistPage& Page() { return *dialog_->pref_playlist; }
};

TEST_F(PreferencesTest, ControlsStartFromTheFieldsAndCaptionsAreExact) {
  WriteSettings(
      "[playlist]\ninserir_pausa=1\n[cronometro]\nalerta=0\nalerta_critico_seg=3\n"
      "alerta_cor=-16777201\nalerta_critico_cor=$00FF00\n");
  MakeDialog();
  EXPECT_EQ(Page().cb_confirmar_preparar->text(), QString::fromUtf8("Confirmar ao preparar mídia"));
  EXPECT_EQ(Page().cb_inserir_pausa->text(), "Inserir Pausa automaticamente");
  EXPECT_EQ(Page().cb_salvar_playlist->text(), "Salvar Playlist ao sair");
  EXPECT_EQ(Page().cb_alerta->text(), "Alerta ");
  EXPECT_EQ(Page().cb_alerta_critico->text(), QString::fromUtf8("Alerta crítico"));
  EXPECT_FALSE(Page().cb_confirmar_preparar->isChecked());
  EXPECT_TRUE(Page().cb_inserir_pausa->isChecked());
  EXPECT_FALSE(Page().cb_alerta->isChecked());
  EXPECT_TRUE(Page().cb_alerta_critico->isChecked());
  EXPECT_EQ(Page().ed_alerta_seg->text(), "10");
  EXPECT_EQ(Page().ed_alertaCritico_seg->text(), "3");
  EXPECT_EQ(Page().cl_alerta->Selected(), -16777201);  // system colour "Btn Face"
  EXPECT_EQ(Page().cl_alerta->currentText(), "Btn Face");
  EXPECT_EQ(Page().cl_alerta_critico->currentText(), "Lime");
  // Only what changed was written back; colours never are.
  EXPECT_EQ(Stored("playlist", "inserir_pausa"), "1");
  EXPECT_EQ(Stored("cronometro", "alerta"), "0");
  EXPECT_EQ(Stored("cronometro", "alerta_critico_seg"), "3");
  EXPECT_EQ(Stored("cronometro", "alerta_cor"), "-16777201");
  EXPECT_EQ(Stored("cronometro", "alerta_critico_cor"), "$00FF00");
}

TEST_F(PreferencesTest, EveryCheckBoxWritesItsKeyAndField) {
  MakeDialog();
  const struct {
    QCheckBox* box;
    const char* section;
    const char* key;
    bool* field;
  } cases[] = {
      {Page().cb_confirmar_preparar, "playlist", "confirmar_preparar",
       &fields_.bl_confimar_preparar},
      {Page().cb_inserir_pausa, "playlist", "inserir_pausa", &fields_.bl_inserir_pausa},
      {Page().cb_salvar_playlist, "playlist", "salvar_playlist", &fields_.bl_salvar_playlist},
      {Page().cb_alerta, "cronometro", "alerta", &fields_.bl_alerta},
      {Page().cb_alerta_critico, "cronometro", "alerta_critico", &fields_.bl_alerta_critico},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.key);
    const bool before = c.box->isChecked();
    c.box->click();
    EXPECT_EQ(*c.field, !before);
    EXPECT_EQ(Stored(c.section, c.key), before ? "0" : "1");
    c.box->click();
    EXPECT_EQ(*c.field, before);
    EXPECT_EQ(Stored(c.section, c.key), before ? "1" : "0");
  }
  dialog_->show();
  dialog_->close();
  EXPECT_THAT(messages_.questions, IsEmpty());  // preferences never ask
}

TEST_F(PreferencesTest, SecondsAreStoredAsTypedAndBadNumbersKeepTheField) {
  MakeDialog();
  const struct {
    const char* typed;
    int32_t field;
    const char* error;
  } cases[] = {
      {"15", 15, nullptr},
      {"$1E", 30, nullptr},
      {"", 30, "'' is not a valid integer value"},
      {"1x", 30, "'1x' is not a valid integer value"},
      {"-2", -2, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    messages_.errors.clear();
    Type(Page().ed_alerta_seg, c.typed);
    EXPECT_EQ(Stored("cronometro", "alerta_seg"), c.typed);
    EXPECT_EQ(fields_.int_alerta_seg, c.field);
    if (c.error != nullptr) {
      EXPECT_THAT(messages_.errors, ElementsAre(c.error));
    } else {
      EXPECT_THAT(messages_.errors, IsEmpty());
    }
  }
  Type(Page().ed_alertaCritico_seg, "7");
  EXPECT_EQ(fields_.int_alerta_critico_seg, 7);
  EXPECT_EQ(Stored("cronometro", "alerta_critico_seg"), "7");
}

TEST_F(PreferencesTest, ColourPicksWriteTheTColorAndCustomComesFromThePicker) {
  MakeDialog();
  TColorBox& box = *Page().cl_alerta;
  const int red = box.findText("Red");
  ASSERT_GE(red, 0);
  box.setCurrentIndex(red);
  emit box.activated(red);
  EXPECT_EQ(fields_.cl_alerta_cor, 0x0000FF);
  EXPECT_EQ(Stored("cronometro", "alerta_cor"), "255");

  box.SetCustomColourPicker([](const QColor&) { return QColor(0x12, 0x34, 0x56); });
  box.setCurrentIndex(0);
  emit box.activated(0);
  EXPECT_EQ(fields_.cl_alerta_cor, 0x563412);
  EXPECT_EQ(Stored("cronometro", "alerta_cor"), std::to_string(0x563412));

  // A cancelled picker changes nothing.
  box.SetCustomColourPicker([](const QColor&) { return std::nullopt; });
  const std::string before = SettingsText();
  box.setCurrentIndex(0);
  emit box.activated(0);
  EXPECT_EQ(box.Selected(), 0x563412);
  EXPECT_EQ(SettingsText(), before);
}

TEST(TColorTest, ValuesMapToQtColours) {
  EXPECT_EQ(TColorToQColor(0x0000FF), QColor(255, 0, 0));
  EXPECT_EQ(TColorToQColor(0xFF0000), QColor(0, 0, 255));
  EXPECT_EQ(QColorToTColor(QColor(1, 2, 3)), 0x030201);
  EXPECT_EQ(TColorToQColor(-16777201), QApplication::palette().color(QPalette::Button));
  EXPECT_EQ(TColorToQColor(-16777203), QApplication::palette().color(QPalette::Highlight));
}

TEST_F(PreferencesTest, RefusedWriteLeavesTheFieldAsItWas) {
  MakeDialog();
  // From now on the settings file lives in a folder that does not exist: every write fails.
  fields_.ConfigFile = std::make_unique<TIniFile>(dir_ / "gone" / "vexto.ini");
  const bool before = fields_.bl_salvar_playlist;
  Page().cb_salvar_playlist->click();
  EXPECT_EQ(fields_.bl_salvar_playlist, before);
  Type(Page().ed_alerta_seg, "20");
  EXPECT_EQ(fields_.int_alerta_seg, 10);
  ASSERT_EQ(messages_.errors.size(), 2u);
  EXPECT_EQ(messages_.errors[0], "Unable to write to " + (dir_ / "gone" / "vexto.ini").string());
}

}  // namespace
}  // namespace vexto::test
