// The streaming page: service presets, Reset, saving, the change rules and what reaches the
// writer.
#include "streaming/page/category_panel.h"
#include "streaming/page/streaming_page.h"
#include "tests/settings_dialog/dialog_fixture.h"
#include "tests/settings_dialog/fake_engine.h"

namespace vexto::test {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class StreamingPageTest : public DialogTest {
 protected:
  RecordingWriter& Writer() { return static_cast<RecordingWriter&>(*writer_); }
  TStreamingPage& Page() { return *dialog_->disp_streaming; }
};

TEST_F(StreamingPageTest, ListsComeFromTheWriterAndTheStreamingOutputIsChosen) {
  MakeDialog();
  ASSERT_EQ(Page().CapturingOutBox->count(), 3);
  EXPECT_EQ(Page().CapturingOutBox->itemText(1), "RTMP Streaming");
  EXPECT_EQ(Page().CapturingOutBox->currentIndex(), 1);
  EXPECT_EQ(Page().CapturingVideoBox->itemText(0), "H.264");
  EXPECT_EQ(Page().CapturingAudioBox->itemText(1), "MP3");
  EXPECT_EQ(Page().CapturingFormatBox->count(), 31);
  EXPECT_EQ(Page().CapturingFormatBox->itemText(0), "eMVF_NTSC");
  EXPECT_EQ(Page().CapturingFormatBox->itemText(30), "eMVF_4K_UHD_60p");
  EXPECT_EQ(Page().CapturingFormatBox->currentIndex(), 0);
  EXPECT_TRUE(Page().CapturingFormatBox->isHidden());
  EXPECT_EQ(Page().ConfigurationBox->text(), "format=RTMP Streaming video=H.264 b=1M audio=AAC");
  EXPECT_EQ(Page().comboLiveType->currentIndex(), -1);
  EXPECT_EQ(Page().comboLiveType->count(), 4);
  EXPECT_EQ(Page().comboLiveType->itemText(3), "Outros");
}

TEST_F(StreamingPageTest, ChoosingAServiceWithoutSectionEmptiesUrlAndKey) {
  WriteSettings("[rtmp]\nurl_servidor=rtmp://old/live\nchave_streaming=velha\n");
  MakeDialog();
  ASSERT_EQ(server_caption_, "rtmp://old/live");
  Writer().calls.clear();
  Pick(Page().comboLiveType, 1);
  EXPECT_THAT(messages_.errors, IsEmpty());
  EXPECT_EQ(Page().ed_servidor->text(), "");
  EXPECT_EQ(Page().ed_chave->text(), "");
  EXPECT_EQ(fields_.nm_url_servidor, "");
  EXPECT_EQ(fields_.nm_chave_streaming, "");
  EXPECT_EQ(server_caption_, "");
  EXPECT_EQ(Stored("rtmp", "url_servidor"), "");
  EXPECT_EQ(Page().CapturingOutBox->currentIndex(), 0);
  EXPECT_EQ(Writer().calls.front(), (RecordingWriter::Call{media::kChoiceFormat, 0}));
  EXPECT_EQ(Writer().video_props->bitrate, "");
  EXPECT_EQ(Stored("rtmp", "tipo_live"), "1");
  EXPECT_EQ(Stored("Youtube", "url"), "<missing>");  // choosing never writes the section
}

TEST_F(StreamingPageTest, ResetFillsTheServiceDefaults) {
  const struct {
    int service;
    const char* url;
  } cases[] = {
      {0, "rtmps://live-api-s.facebook.com:443/rtmp"},
      {1, "rtmp://a.rtmp.youtube.com/live2"},
      {2, "rtmp://live.twitch.tv/app"},
      {3, ""},
      {-1, "rtmp://kept/live"},
  };
  MakeDialog();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.service);
    if (c.service >= 0) {
      Pick(Page().comboLiveType, c.service);
    } else {
      Page().comboLiveType->setCurrentIndex(-1);
    }
    Type(Page().ed_servidor, "rtmp://kept/live");
    Type(Page().ed_chave, "chave");
    Writer().calls.clear();
    Page().Button3->click();
    EXPECT_EQ(Page().ed_servidor->text().toStdString(), c.url);
    EXPECT_EQ(fields_.nm_url_servidor, c.url);
    EXPECT_EQ(Page().ed_chave->text(), "chave");  // the key is left alone
    EXPECT_EQ(Stored("rtmp", "tipo_live"), std::to_string(c.service));
    // 18, 4 and 2 lie outside this writer's lists: no selection, and the writer's defaults.
    EXPECT_EQ(Page().CapturingOutBox->currentIndex(), -1);
    EXPECT_EQ(Writer().calls.front(), (RecordingWriter::Call{media::kChoiceFormat, -1}));
    EXPECT_EQ(Page().CapturingVideoBox->currentIndex(), -1);
    EXPECT_EQ(Page().CapturingAudioBox->currentIndex(), -1);
    EXPECT_EQ(Page().ed_bitrate->text(), "4M");
    EXPECT_EQ(Writer().video_props->bitrate, "4M");
    EXPECT_EQ(Stored("rtmp", "video_bitrate"), "4M");
    EXPECT_TRUE(Page().StreamingSettingsDirty());
  }
  EXPECT_THAT(messages_.errors, IsEmpty());
}

TEST_F(StreamingPageTest, SavePresetWritesTheSectionInOrderAndChooseReadsItBack) {
  MakeDialog();
  Pick(Page().comboLiveType, 0);
  Type(Page().ed_servidor, "rtmps://ingest.example:443/rtmp");
  Type(Page().ed_chave, "FB-123");
  Pick(Page().CapturingOutBox, 2);
  Pick(Page().CapturingVideoBox, 1);
  Pick(Page().CapturingAudioBox, 1);
  Page().CapturingFormatBox->setCurrentIndex(7);
  Type(Page().ed_bitrate, "3M");
  Page().ed_bitrateExit();
  Page().bt_config_streaming->click();
  EXPECT_FALSE(Page().StreamingSettingsDirty());
  std::vector<std::string> written;
  for (const auto& e : ParseIni(SettingsText())) {
    if (e.section == "Facebook") written.push_back(e.key + "=" + e.value);
  }
  EXPECT_THAT(written, ElementsAre("url=rtmps://ingest.example:443/rtmp", "chave=FB-123", "saida=2",
                                   "codec-video=1", "codec-audio=1", "formato=7", "bitrate=3M"));
  // Another service, then back: the preset returns to the page, the writer and the fields.
  Pick(Page().comboLiveType, 3);
  EXPECT_EQ(fields_.nm_chave_streaming, "");
  Pick(Page().comboLiveType, 0);
  EXPECT_EQ(Page().ed_servidor->text(), "rtmps://ingest.example:443/rtmp");
  EXPECT_EQ(fields_.nm_chave_streaming, "FB-123");
  EXPECT_EQ(Page().CapturingOutBox->currentIndex(), 2);
  EXPECT_EQ(Page().CapturingVideoBox->currentIndex(), 1);
  EXPECT_EQ(Page().CapturingAudioBox->currentIndex(), 1);
  EXPECT_EQ(Page().CapturingFormatBox->currentIndex(), 7);
  EXPECT_EQ(Writer().chosen[media::kChoiceFormat], 2);
  EXPECT_EQ(Writer().chosen[media::kChoiceVideoCodec], 1);
  EXPECT_EQ(Writer().video_props->bitrate, "3M");
}

TEST_F(StreamingPageTest, ConfigurarWithoutServiceWritesNothing) {
  MakeDialog();
  Type(Page().ed_chave, "x");
  const std::string before = SettingsText();
  ASSERT_TRUE(Page().StreamingSettingsDirty());
  Page().bt_config_streaming->click();
  EXPECT_EQ(SettingsText(), before);
  EXPECT_FALSE(Page().StreamingSettingsDirty());
}

TEST_F(StreamingPageTest, KeyIsMaskedOnScreenAndPlainInTheFile) {
  MakeDialog();
  Type(Page().ed_chave, "live_4f2a");
  EXPECT_EQ(Page().ed_chave->echoMode(), QLineEdit::Password);
  EXPECT_EQ(Page().ed_chave->displayText(), "*********");
  EXPECT_EQ(Stored("rtmp", "chave_streaming"), "live_4f2a");
}

TEST_F(StreamingPageTest, OutputChangeRefillsCodecsAndTellsTheWriterOnlyTheOutput) {
  MakeDialog();
  Pick(Page().CapturingVideoBox, 1);
  Writer().calls.clear();
  verifications_ = 0;
  Pick(Page().CapturingOutBox, 0);
  EXPECT_THAT(Writer().calls, ElementsAre(RecordingWriter::Call{media::kChoiceFormat, 0}));
  EXPECT_EQ(Page().CapturingVideoBox->currentIndex(), 0);
  EXPECT_EQ(Page().CapturingAudioBox->currentIndex(), 0);
  EXPECT_EQ(Stored("rtmp", "formato"), "0");
  EXPECT_EQ(verifications_, 1);
}

TEST_F(StreamingPageTest, ChangesAffectingTheStreamCallVerificarEncoder) {
  WriteSettings("[Facebook]\nurl=rtmps://a/rtmp\nchave=k\nsaida=2\nbitrate=2M\n");
  MakeDialog();
  const struct {
    const char* what;
    std::function<void()> act;
    int calls;
  } cases[] = {
      {"service", [&] { Pick(Page().comboLiveType, 0); }, 4},  // URL, key, output, video codec
      {"same service again", [&] { Pick(Page().comboLiveType, 0); }, 2},  // output, video codec
      {"url", [&] { Type(Page().ed_servidor, "rtmp://b/live"); }, 1},
      {"key", [&] { Type(Page().ed_chave, "k2"); }, 1},
      {"video codec", [&] { Pick(Page().CapturingVideoBox, 1); }, 1},
      {"audio codec", [&] { Pick(Page().CapturingAudioBox, 1); }, 1},
      {"bitrate typed", [&] { Type(Page().ed_bitrate, "5M"); }, 0},
      {"bitrate applied", [&] { Page().ed_bitrateExit(); }, 1},
      {"configuration text typed", [&] { Type(Page().ConfigurationBox, "x"); }, 0},
  };
  for (const auto& c : cases) {
    verifications_ = 0;
    Page().ClearStreamingSettingsDirty();
    c.act();
    EXPECT_EQ(verifications_, c.calls) << c.what;
    EXPECT_TRUE(Page().StreamingSettingsDirty()) << c.what;
  }
}

// verificarEncoder restarts the stream from the fields and the writer's choices as they are when
// it is called, so every change must already be in place by then.
TEST_F(StreamingPageTest, VerificarEncoderSeesEachChangeAlreadyInPlace) {
  WriteSettings(
      "[Twitch]\nurl=rtmp://127.0.0.1/app\nchave=tw\nsaida=2\ncodec-video=1\nbitrate=6M\n");
  MakeDialog();
  std::vector<std::string> seen;
  on_verify_ = [&] {
    std::string text, config;
    writer_->ReadStreamConfig(text, config);
    seen.push_back(fields_.nm_url_servidor + "/" + fields_.nm_chave_streaming + " " + config);
  };
  Pick(Page().comboLiveType, 2);
  EXPECT_THAT(
      seen, ElementsAre("rtmp://127.0.0.1/app/ format=RTMP Streaming video=H.264 b=1M audio=AAC",
                        "rtmp://127.0.0.1/app/tw format=RTMP Streaming video=H.264 b=1M audio=AAC",
                        "rtmp://127.0.0.1/app/tw format=FLV File video=H.264 b=1M audio=AAC",
                        "rtmp://127.0.0.1/app/tw format=FLV File video=MPEG-4 Part 2 b=6M "
                        "audio=AAC"));
  EXPECT_EQ(server_caption_, "rtmp://127.0.0.1/app");
}

TEST_F(StreamingPageTest, AdvancedPanelFoldsAndUnfolds) {
  MakeDialog();
  CategoryPanel& panel = *Page().CategoryPanel1;
  EXPECT_EQ(panel.caption(), QString::fromUtf8("Avançado"));
  EXPECT_TRUE(panel.IsCollapsed());
  EXPECT_TRUE(panel.content()->isHidden());
  panel.SetCollapsed(false);
  EXPECT_FALSE(panel.content()->isHidden());
}

}  // namespace
}  // namespace vexto::test
