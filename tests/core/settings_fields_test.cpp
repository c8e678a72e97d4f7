#include "core/settings_fields.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/test_support.h"

namespace vexto {
namespace {

using test::TempDir;

struct Applied {
  int calls = 0;
  int32_t list_audio = -9, list_video = -9, live_audio = -9, live_video = -9;
  int32_t disp_at_call = -9;       // proves the seam runs before "dispositivos" is read
  std::string url_at_call = "-9";  // and before the "rtmp" texts
};

SettingsFields Load(const std::filesystem::path& ini, Applied& applied) {
  SettingsFields f;
  f.CreateConfigFile(ini);
  f.carregarVariaveis([&](const SettingsFields& s) {
    ++applied.calls;
    applied.list_audio = s.intPreviewListAudio;
    applied.list_video = s.intPreviewListVideo;
    applied.live_audio = s.intPreviewLiveAudio;
    applied.live_video = s.intPreviewLiveVideo;
    applied.disp_at_call = s.intDisp;
    applied.url_at_call = s.nm_url_servidor;
  });
  return f;
}

TEST(CarregarVariaveis, NoSettingsFileGivesTheDefaults) {
  TempDir dir;
  Applied applied;
  const SettingsFields f = Load(dir / "vexto.ini", applied);
  EXPECT_FALSE(f.bl_confimar_preparar);
  EXPECT_FALSE(f.bl_inserir_pausa);
  EXPECT_FALSE(f.bl_salvar_playlist);
  EXPECT_TRUE(f.bl_alerta);
  EXPECT_TRUE(f.bl_alerta_critico);
  EXPECT_EQ(f.int_alerta_seg, 10);
  EXPECT_EQ(f.int_alerta_critico_seg, 5);
  EXPECT_EQ(f.cl_alerta_cor, 0xFF0000);
  EXPECT_EQ(f.cl_alerta_critico_cor, 0x0000FF);
  EXPECT_EQ(f.int_video_codec, 0);
  EXPECT_EQ(f.int_audio_codec, 0);
  EXPECT_EQ(f.str_video_bitrate, "1M");
  EXPECT_EQ(f.tipo_live, "-1");
  EXPECT_EQ(f.nm_url_servidor, "");
  EXPECT_EQ(f.nm_chave_streaming, "");
  EXPECT_EQ(f.intDisp + f.intLinha + f.intLinhaAudio + f.intFormato, 0);
  EXPECT_EQ(applied.calls, 1);
  EXPECT_EQ(applied.list_audio, 0);
  EXPECT_EQ(applied.list_video, 0);
  EXPECT_EQ(applied.live_audio, 0);
  EXPECT_EQ(applied.live_video, 0);
  EXPECT_FALSE(std::filesystem::exists(dir / "vexto.ini"));  // reading never creates it
}

TEST(CarregarVariaveis, HandEditedValues) {
  TempDir dir;
  std::ofstream(dir / "vexto.ini") << "[cronometro]\r\n"
                                      "alerta=\r\n"
                                      "alerta_critico=2\r\n"
                                      "alerta_seg=abc\r\n"
                                      "alerta_critico_seg=$1E\r\n"
                                      "alerta_cor=-16777201\r\n"
                                      "alerta_critico_cor=0x1e\r\n"
                                      "[PLAYLIST]\r\n"
                                      "Salvar_Playlist=1\r\n"
                                      "inserir_pausa=0\r\n"
                                      "[rtmp]\r\n"
                                      "video_bitrate=\r\n"
                                      "url_servidor=rtmp://127.0.0.1/live\r\n"
                                      "chave_streaming=abc#123\r\n"
                                      "tipo_live=2\r\n"
                                      "[Preview]\r\n"
                                      "Playlist-Audio=2\r\n"
                                      "Live-Video=1\r\n"
                                      "[DISPOSITIVOS]\r\n"
                                      "CAPTURA=3\r\n"
                                      "Linha-Audio=4\r\n";
  Applied applied;
  const SettingsFields f = Load(dir / "vexto.ini", applied);
  EXPECT_TRUE(f.bl_alerta);  // key present, empty value: the default
  EXPECT_TRUE(f.bl_alerta_critico);
  EXPECT_EQ(f.int_alerta_seg, 10);
  EXPECT_EQ(f.int_alerta_critico_seg, 30);
  EXPECT_EQ(f.cl_alerta_cor, -16777201);  // a system colour, unchanged
  EXPECT_EQ(f.cl_alerta_critico_cor, 30);
  EXPECT_TRUE(f.bl_salvar_playlist);
  EXPECT_FALSE(f.bl_inserir_pausa);
  EXPECT_EQ(f.str_video_bitrate, "");  // present and empty: not the default
  EXPECT_EQ(f.nm_url_servidor, "rtmp://127.0.0.1/live");
  EXPECT_EQ(f.nm_chave_streaming, "abc#123");
  EXPECT_EQ(f.tipo_live, "2");
  EXPECT_EQ(f.intDisp, 3);
  EXPECT_EQ(f.intLinhaAudio, 4);
  EXPECT_EQ(applied.list_audio, 2);  // the monitor gets the integer as read
  EXPECT_EQ(applied.live_video, 1);
  EXPECT_EQ(applied.disp_at_call, 0);
  EXPECT_EQ(applied.url_at_call, "");
}

TEST(CarregarVariaveis, ErrorInTheMonitorStepEndsTheLoad) {
  TempDir dir;
  std::ofstream(dir / "vexto.ini") << "[dispositivos]\ncaptura=3\n";
  SettingsFields f;
  f.CreateConfigFile(dir / "vexto.ini");
  EXPECT_THROW(f.carregarVariaveis([](const SettingsFields&) { throw std::runtime_error("x"); }),
               std::runtime_error);
  EXPECT_EQ(f.intDisp, 0);
  f.carregarVariaveis({});  // an empty seam is allowed
  EXPECT_EQ(f.intDisp, 3);
}

}  // namespace
}  // namespace vexto
