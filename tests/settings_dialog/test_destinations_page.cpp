// The "Destinos" page: its node, rows loaded from and written through to the settings file,
// the reason under a row that cannot be used, and the recording folder.
#include <QCheckBox>
#include <QLabel>
#include <QTreeWidget>

#include "core/paths.h"
#include "streaming/page/destinations_page.h"
#include "tests/settings_dialog/dialog_fixture.h"

namespace vexto::test {
namespace {

class DestinationsPageTest : public DialogTest {
 protected:
  TDestinationsPage& Page() { return *dialog_->disp_destinos; }
};

TEST_F(DestinationsPageTest, TheNodeUnderGeralShowsThePageLoadedFromTheSettings) {
  WriteSettings(
      "[destino2]\nnome=Backup\nurl=rtmp://b.example/live\nchave=segredo\nativo=1\n"
      "[gravacao]\npasta=/media/shows\n");
  MakeDialog();
  const QList<QTreeWidgetItem*> found = dialog_->menu->findItems("Destinos", Qt::MatchRecursive);
  ASSERT_EQ(found.size(), 1);
  EXPECT_EQ(found.front()->parent()->text(0), "Geral");
  dialog_->menu->setCurrentItem(found.front());
  dialog_->menuClick();
  EXPECT_EQ(dialog_->ActivePage(), dialog_->disp_destinos);
  const auto& row = Page().rows[1];
  EXPECT_TRUE(row.ativo->isChecked());
  EXPECT_EQ(row.nome->text(), "Backup");
  EXPECT_EQ(row.url->text(), "rtmp://b.example/live");
  EXPECT_EQ(row.chave->text(), "segredo");
  EXPECT_EQ(row.chave->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(Page().rows[0].ativo->isChecked());
  EXPECT_EQ(Page().ed_pasta_gravacao->text(), "/media/shows");
  EXPECT_EQ(Page().lb_pasta_efetiva->text(), "Grava em: /media/shows");
  EXPECT_TRUE(messages_.errors.empty());
}

TEST_F(DestinationsPageTest, EditsAreWrittenThroughAndAnUnusableUrlSaysWhy) {
  MakeDialog();
  auto& row = Page().rows[0];
  row.ativo->click();
  Type(row.nome, "SRT");
  Type(row.url, "srt://h.example");
  EXPECT_EQ(Stored("destino1", "ativo"), "1");
  EXPECT_EQ(Stored("destino1", "nome"), "SRT");
  EXPECT_EQ(Stored("destino1", "url"), "srt://h.example");
  EXPECT_FALSE(row.problema->isHidden());
  EXPECT_TRUE(row.problema->text().startsWith("falta a porta"));
  Type(row.url, "srt://h.example:9000");
  Type(row.chave, "publish/show");
  EXPECT_TRUE(row.problema->isHidden());
  EXPECT_EQ(Stored("destino1", "chave"), "publish/show");
  Type(Page().ed_pasta_gravacao, "shows");
  EXPECT_EQ(Stored("gravacao", "pasta"), "shows");
  EXPECT_EQ(Page().lb_pasta_efetiva->text().toStdString(),
            "Grava em: " + (ExecutableFolder() / "shows").string());
  EXPECT_EQ(Stored("destino2", "url"), "<missing>");  // untouched rows are not written
}

}  // namespace
}  // namespace vexto::test
