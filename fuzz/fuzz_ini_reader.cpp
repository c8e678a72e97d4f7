// Fuzzes the settings file's parser and editor on arbitrary bytes: reads never fail, and a value
// written into any text reads back unchanged while the other entries stay readable.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/ini_text.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  using vexto::IniFindValue;

  static const char* const kKeys[][2] = {{"cronometro", "alerta_seg"},
                                         {"rtmp", "video_bitrate"},
                                         {"dispositivos", "captura"},
                                         {"Preview", "Playlist-Audio"},
                                         {"a", "k"}};
  for (const auto& key : kKeys) {
    if (const auto value = IniFindValue(text, key[0], key[1])) {
      (void)vexto::IniParseInteger(vexto::IniCutValue(*value), -1);
    }
  }

  // A value taken from the input's last bytes, without line ends (those are cut on writing).
  std::string value(text.substr(size > 16 ? size - 16 : 0));
  for (char& c : value) {
    if (c == '\r' || c == '\n' || c == '\0') c = 'x';
  }
  const std::string edited = vexto::IniSetValue(text, "RTMP", "Chave", value);
  Check(IniFindValue(edited, "rtmp", "chave") == value);
  // Writing twice never adds a second entry: the text keeps its size for the same value.
  Check(vexto::IniSetValue(edited, "rtmp", "CHAVE", value) == edited);
  return 0;
}
