// The settings fields of the main window and the settings file object they are read from.
//
// Owned by the main window. Threads: every field here is read and written on the GUI thread only
// (the settings dialog, the monitor menus, the clock timer); the frame pump never reads these
// fields. Whatever the pump needs from them is copied into atomics by the playback runtime.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/colour.h"
#include "core/ini_file.h"

namespace vexto {

struct SettingsFields {
  std::unique_ptr<TIniFile> ConfigFile;

  bool bl_confimar_preparar = false;
  bool bl_inserir_pausa = false;
  bool bl_salvar_playlist = false;
  bool bl_alerta = true;
  bool bl_alerta_critico = true;
  int32_t int_alerta_seg = 10;
  int32_t int_alerta_critico_seg = 5;
  TColor cl_alerta_cor = 16711680;     // FF0000: pure blue
  TColor cl_alerta_critico_cor = 255;  // 0000FF: pure red
  int32_t int_video_codec = 0;
  int32_t int_audio_codec = 0;
  std::string str_video_bitrate = "1M";
  int32_t intPreviewLiveAudio = 0;
  int32_t intPreviewLiveVideo = 0;
  int32_t intPreviewListAudio = 0;
  int32_t intPreviewListVideo = 0;
  std::string nm_url_servidor;
  std::string tipo_live = "-1";  // a whole number as text; turned into one by the settings dialog
  std::string nm_chave_streaming;
  int32_t intDisp = 0;
  int32_t intLinha = 0;
  int32_t intLinhaAudio = 0;
  int32_t intFormato = 0;

  // Stores a new settings file object for `path` in ConfigFile. Never fails: a missing file is
  // not an error (the first write creates it).
  void CreateConfigFile(const std::filesystem::path& path);

  // Reads the settings into the fields, in this order: "playlist" flags; "cronometro" alerts,
  // thresholds and colours; "rtmp" codecs and bitrate; the four "Preview" values; then calls
  // `apply_monitor_choices` (the start-up application of the monitor audio/video choices: menu
  // check marks and the playlist and camera monitors, filled in by the playback runtime; may be
  // empty) right after the "Preview" values are loaded and before anything else is read; then the
  // four "dispositivos" positions; then "rtmp" server URL, stream key and service as text.
  // An exception from `apply_monitor_choices` ends the load there. Requires ConfigFile.
  void carregarVariaveis(const std::function<void(const SettingsFields&)>& apply_monitor_choices);
};

}  // namespace vexto
