// The writer's lists, defaults, properties and configuration text.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "engine/media/core/engine_error.h"
#include "engine/media/core/interfaces.h"
#include "engine/media/writer/output_catalog.h"
#include "engine/media/writer/stream_config.h"
#include "engine/media/writer/stream_writer.h"

namespace vexto::media {
namespace {

std::shared_ptr<IMFWriter> NewWriter() {
  return std::dynamic_pointer_cast<IMFWriter>(MakeStreamWriter());
}

std::string Config(IMFWriter& w) {
  std::string text, config;
  w.ReadStreamConfig(text, config);
  return config;
}

std::string ChosenName(IMFWriter& w, int kind) {
  std::string name;
  IMFPropertySetPtr props;
  w.GetChosenOutputChoice(kind, name, props);
  return name;
}

TEST(WriterChoices, OutputListHoldsOnlyWorkingTargetsRtmpFirst) {
  auto w = NewWriter();
  int count = 0;
  w->CountOutputChoices(kChoiceFormat, count);
  ASSERT_GT(count, 0);
  std::set<std::string> names;
  for (int i = 0; i < count; ++i) {
    std::string text, name;
    w->GetOutputChoice(kChoiceFormat, i, text, name);
    EXPECT_FALSE(text.empty());
    EXPECT_TRUE(names.insert(name).second) << "duplicate entry " << name;
  }
  std::string text, name;
  w->GetOutputChoice(kChoiceFormat, 0, text, name);
  EXPECT_EQ(name, "RTMP Streaming");
  EXPECT_EQ(text, "flv");
  for (const char* expected : {"UDP MPEG-TS", "Arquivo MP4", "Arquivo MKV", "Arquivo MPEG-TS"}) {
    EXPECT_TRUE(names.count(expected)) << expected;
  }
  EXPECT_EQ(names.count("SRT Streaming (MPEG-TS)") == 1, HasOutputProtocol("srt"));
  w->GetOutputChoice(kChoiceFormat, count, text, name);
  EXPECT_EQ(name, "");
  w->GetOutputChoice(kChoiceFormat, -1, text, name);
  EXPECT_EQ(text, "");
}

TEST(WriterChoices, EveryOutputListsItsCodecsStreamingDefaultsFirst) {
  auto w = NewWriter();
  int outputs = 0;
  w->CountOutputChoices(kChoiceFormat, outputs);
  for (int o = 0; o < outputs; ++o) {
    IMFPropertySetPtr props;
    w->ChooseOutputChoice(kChoiceFormat, o, props);
    ASSERT_NE(props, nullptr);
    int videos = 0, audios = 0;
    w->CountOutputChoices(kChoiceVideoCodec, videos);
    w->CountOutputChoices(kChoiceAudioCodec, audios);
    EXPECT_GT(videos, 0);
    EXPECT_GT(audios, 0);
    std::string text, name;
    w->GetOutputChoice(kChoiceVideoCodec, 0, text, name);
    EXPECT_EQ(text, "libx264") << o;
    w->GetOutputChoice(kChoiceAudioCodec, 0, text, name);
    EXPECT_EQ(text, "aac") << o;
    // Every listed combination renders a configuration that parses.
    for (int v = 0; v < videos; ++v) {
      w->ChooseOutputChoice(kChoiceVideoCodec, v, props);
      EXPECT_NO_THROW(ParseStreamConfig(Config(*w))) << Config(*w);
    }
    for (int a = 0; a < audios; ++a) {
      w->ChooseOutputChoice(kChoiceAudioCodec, a, props);
      EXPECT_NO_THROW(ParseStreamConfig(Config(*w))) << Config(*w);
    }
  }
}

TEST(WriterChoices, PositionsOutsideTheListsChooseTheStreamingDefaults) {
  // Fresh settings (0s), "Reset" (18, 4, 2), nothing selected (-1): always RTMP, H.264, AAC.
  const int cases[][3] = {{0, 0, 0}, {18, 4, 2}, {-1, -1, -1}, {1000, 1000, 1000}};
  for (const auto& c : cases) {
    auto w = NewWriter();
    IMFPropertySetPtr props;
    w->ChooseOutputChoice(kChoiceFormat, c[0], props);
    w->ChooseOutputChoice(kChoiceVideoCodec, c[1], props);
    w->ChooseOutputChoice(kChoiceAudioCodec, c[2], props);
    EXPECT_EQ(ChosenName(*w, kChoiceFormat), "RTMP Streaming");
    EXPECT_EQ(ChosenName(*w, kChoiceVideoCodec), "H.264 (x264)");
    EXPECT_EQ(ChosenName(*w, kChoiceAudioCodec), "AAC");
    const StreamConfig parsed = ParseStreamConfig(Config(*w));
    EXPECT_EQ(parsed.format, "flv");
    EXPECT_EQ(parsed.video_codec, "libx264");
    EXPECT_EQ(parsed.audio_codec, "aac");
    EXPECT_EQ(parsed.width, 1280);
    EXPECT_EQ(parsed.height, 720);
  }
}

TEST(WriterChoices, FreshWriterConfigurationIsALiveRtmpSetUp) {
  auto w = NewWriter();
  std::string text, config;
  w->ReadStreamConfig(text, config);
  EXPECT_EQ(config,
            "format=flv size=1280x720 video.codec=libx264 video.b=4M video.preset=superfast "
            "video.tune=zerolatency video.g=60 video.maxrate=4M video.bufsize=8M audio.codec=aac "
            "audio.b=128k");
  EXPECT_EQ(text, "RTMP Streaming: H.264 (x264) 4M, AAC 128k, 1280x720");
}

TEST(WriterChoices, BitrateSetOnTheChosenCodecSurvivesChoosingItAgain) {
  struct Case {
    const char* bitrate;
    const char* expected;
  };
  const Case cases[] = {
      {"4M",
       "video.b=4M video.preset=superfast video.tune=zerolatency video.g=60 "
       "video.maxrate=4M video.bufsize=8M"},
      {"2500k",
       "video.b=2500k video.preset=superfast video.tune=zerolatency video.g=60 "
       "video.maxrate=2500k video.bufsize=5M"},
      {"3000000",
       "video.b=3000000 video.preset=superfast video.tune=zerolatency video.g=60 "
       "video.maxrate=3M video.bufsize=6M"},
      // Not a bitrate: passed on as typed, no rate cap derived from it.
      {"abc", "video.b=abc video.preset=superfast video.tune=zerolatency video.g=60 audio"},
      // Empty: not set at all.
      {"", "video.codec=libx264 video.preset=superfast"},
  };
  for (const Case& c : cases) {
    auto w = NewWriter();
    IMFPropertySetPtr props;
    w->ChooseOutputChoice(kChoiceFormat, 18, props);  // "Reset"
    std::string name;
    IMFPropertySetPtr video;
    w->GetChosenOutputChoice(kChoiceVideoCodec, name, video);
    ASSERT_NE(video, nullptr);
    video->SetPropertyValue("b", c.bitrate);
    IMFPropertySetPtr again;
    w->ChooseOutputChoice(kChoiceVideoCodec, 4, again);
    EXPECT_EQ(again, video);
    EXPECT_EQ(again->GetPropertyValue("b"), c.bitrate);
    EXPECT_NE(Config(*w).find(c.expected), std::string::npos) << Config(*w);
  }
}

TEST(WriterChoices, ChoosingAnOutputPutsItsFirstCodecsBack) {
  auto w = NewWriter();
  int outputs = 0;
  w->CountOutputChoices(kChoiceFormat, outputs);
  int mkv = -1;
  for (int i = 0; i < outputs; ++i) {
    std::string text, name;
    w->GetOutputChoice(kChoiceFormat, i, text, name);
    if (name == "Arquivo MKV") mkv = i;
  }
  ASSERT_GE(mkv, 0);
  IMFPropertySetPtr props;
  w->ChooseOutputChoice(kChoiceFormat, mkv, props);
  props->SetPropertyValue("size", "640x360");
  w->ChooseOutputChoice(kChoiceVideoCodec, 1, props);
  w->ChooseOutputChoice(kChoiceAudioCodec, 1, props);
  EXPECT_NE(ChosenName(*w, kChoiceVideoCodec), "H.264 (x264)");
  EXPECT_NE(Config(*w).find("size=640x360"), std::string::npos);
  w->ChooseOutputChoice(kChoiceFormat, mkv, props);
  EXPECT_EQ(ChosenName(*w, kChoiceVideoCodec), "H.264 (x264)");
  EXPECT_EQ(ChosenName(*w, kChoiceAudioCodec), "AAC");
  EXPECT_EQ(props->GetPropertyValue("size"), "640x360");
}

TEST(StreamConfigText, RendersAndParsesBack) {
  StreamConfig c;
  c.format = "matroska";
  c.width = 640;
  c.height = 360;
  c.video_codec = "libx264";
  c.video_options = {{"b", "2500k"}, {"x264-params", "keyint=60:scenecut=0"}, {"title", "a \"b\""}};
  c.audio_codec = "aac";
  c.audio_options = {{"b", "96k"}};
  const std::string text = RenderStreamConfig(c);
  EXPECT_EQ(text,
            "format=matroska size=640x360 video.codec=libx264 video.b=2500k "
            "video.x264-params=keyint=60:scenecut=0 video.title=\"a \\\"b\\\"\" audio.codec=aac "
            "audio.b=96k");
  const StreamConfig back = ParseStreamConfig(text);
  EXPECT_EQ(back.format, c.format);
  EXPECT_EQ(back.width, 640);
  EXPECT_EQ(back.height, 360);
  EXPECT_EQ(back.video_options, c.video_options);
  EXPECT_EQ(back.audio_options, c.audio_options);
  // Size is optional and spacing is free.
  const StreamConfig loose =
      ParseStreamConfig("  format=flv\tvideo.codec=libx264  audio.codec=aac ");
  EXPECT_EQ(loose.width, 1280);
  EXPECT_EQ(loose.height, 720);
}

TEST(StreamConfigText, TextsThatDoNotParseAreRefusedWithTheReason) {
  struct Case {
    const char* text;
    const char* reason;
  };
  const Case cases[] = {
      {"", "falta format"},
      {"format=flv audio.codec=aac", "falta video.codec"},
      {"format=flv video.codec=libx264", "falta audio.codec"},
      {"rtmp://server/key", "não está na forma chave=valor"},
      {"format=flv video.codec=libx264 audio.codec=aac bogus", "'bogus' não está na forma"},
      {"format=flv size=1280x720 extra=1 video.codec=libx264 audio.codec=aac",
       "chave desconhecida 'extra'"},
      {"format=nosuchmuxer video.codec=libx264 audio.codec=aac", "formato de saída 'nosuchmuxer'"},
      {"format=flv video.codec=nosuch audio.codec=aac", "codificador de vídeo 'nosuch'"},
      {"format=flv video.codec=aac audio.codec=aac", "codificador de vídeo 'aac'"},
      {"format=flv video.codec=libx264 audio.codec=libx264", "codificador de áudio 'libx264'"},
      {"format=flv video.codec=libvpx-vp9 audio.codec=aac", "não leva o codec 'libvpx-vp9'"},
      {"format=flv size=1281x720 video.codec=libx264 audio.codec=aac", "tamanho '1281x720'"},
      {"format=flv size=big video.codec=libx264 audio.codec=aac", "tamanho 'big'"},
      {"format=flv size=8x8 video.codec=libx264 audio.codec=aac", "tamanho '8x8'"},
      {"format=flv video.codec=libx264 video.tune=\"zero audio.codec=aac", "aspas sem fechamento"},
  };
  for (const Case& c : cases) {
    try {
      ParseStreamConfig(c.text);
      ADD_FAILURE() << "accepted: " << c.text;
    } catch (const EngineError& e) {
      EXPECT_NE(std::string(e.what()).find("Configuração de streaming inválida"),
                std::string::npos);
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos)
          << c.text << " -> " << e.what();
    }
  }
}

TEST(StreamConfigText, BitrateTexts) {
  EXPECT_EQ(ParseBitrate("4M"), 4000000);
  EXPECT_EQ(ParseBitrate("2500k"), 2500000);
  EXPECT_EQ(ParseBitrate("3000000"), 3000000);
  EXPECT_EQ(ParseBitrate("1.5M"), 1500000);
  for (const char* bad : {"", "abc", "4X", "-1", "0", "M"}) EXPECT_FALSE(ParseBitrate(bad)) << bad;
}

TEST(WriterChoices, StartWithAnUnparsableConfigurationStartsNothing) {
  auto w = NewWriter();
  EXPECT_THROW(w->StartStreamOutput("/tmp/never-written.flv", 1, "format=flv video.codec=x"),
               EngineError);
  EXPECT_EQ(w->GetStatus().state, eWriterState::Stopped);
  EXPECT_FALSE(std::filesystem::exists("/tmp/never-written.flv"));
}

}  // namespace
}  // namespace vexto::media
