#include "core/settings_fields.h"

#include <stdexcept>

namespace vexto {

void SettingsFields::CreateConfigFile(const std::filesystem::path& path) {
  ConfigFile = std::make_unique<TIniFile>(path);
}

void SettingsFields::carregarVariaveis(
    const std::function<void(const SettingsFields&)>& apply_monitor_choices) {
  if (!ConfigFile) throw std::logic_error("carregarVariaveis before CreateConfigFile");
  const TIniFile& ini = *ConfigFile;

  bl_confimar_preparar = ini.ReadBool("playlist", "confirmar_preparar", false);
  bl_inserir_pausa = ini.ReadBool("playlist", "inserir_pausa", false);
  bl_salvar_playlist = ini.ReadBool("playlist", "salvar_playlist", false);

  bl_alerta = ini.ReadBool("cronometro", "alerta", true);
  bl_alerta_critico = ini.ReadBool("cronometro", "alerta_critico", true);
  int_alerta_seg = ini.ReadInteger("cronometro", "alerta_seg", 10);
  int_alerta_critico_seg = ini.ReadInteger("cronometro", "alerta_critico_seg", 5);
  cl_alerta_cor = ini.ReadInteger("cronometro", "alerta_cor", 16711680);
  cl_alerta_critico_cor = ini.ReadInteger("cronometro", "alerta_critico_cor", 255);

  int_video_codec = ini.ReadInteger("rtmp", "video_codec", 0);
  int_audio_codec = ini.ReadInteger("rtmp", "audio_codec", 0);
  str_video_bitrate = ini.ReadString("rtmp", "video_bitrate", "1M");

  intPreviewLiveAudio = ini.ReadInteger("Preview", "Live-Audio", 0);
  intPreviewLiveVideo = ini.ReadInteger("Preview", "Live-Video", 0);
  intPreviewListAudio = ini.ReadInteger("Preview", "Playlist-Audio", 0);
  intPreviewListVideo = ini.ReadInteger("Preview", "Playlist-Video", 0);

  if (apply_monitor_choices) apply_monitor_choices(*this);

  intDisp = ini.ReadInteger("dispositivos", "captura", 0);
  intLinha = ini.ReadInteger("dispositivos", "linha", 0);
  intLinhaAudio = ini.ReadInteger("dispositivos", "linha-audio", 0);
  intFormato = ini.ReadInteger("dispositivos", "formato", 0);

  nm_url_servidor = ini.ReadString("rtmp", "url_servidor", "");
  nm_chave_streaming = ini.ReadString("rtmp", "chave_streaming", "");
  tipo_live = ini.ReadString("rtmp", "tipo_live", "-1");
}

}  // namespace vexto
