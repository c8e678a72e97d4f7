// The stream's further destinations and the recording folder, as the settings file keeps them
// (the "Destinos" page edits them): up to four destinations, each in its own section
// "destino1" .. "destino4" with the keys "nome", "url", "chave" and "ativo" ("1" or "0"), and
// the recording folder in "gravacao" / "pasta" (empty: "Gravacoes" beside the executable).
//
// Qt-free and FFmpeg-free, so the fuzz target reads arbitrary settings text through it.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vexto {

class TIniFile;

inline constexpr int kMaxDestinations = 4;
inline constexpr const char* kRecordingSection = "gravacao";
inline constexpr const char* kRecordingFolderKey = "pasta";
inline constexpr const char* kDefaultRecordingFolder = "Gravacoes";

struct DestinationSettings {
  std::string nome;
  std::string url;
  std::string chave;
  bool ativo = false;
  bool operator==(const DestinationSettings&) const = default;
};

// The server URL, then "/" unless it already ends with one, then the stream key.
std::string StreamingTargetUrl(const std::string& server, const std::string& key);

// "destino1" .. "destino4" for index 0 .. 3.
std::string DestinationSection(int index);

// Reads one stored value: nullopt when the key is missing.
using SettingReader =
    std::function<std::optional<std::string>(std::string_view section, std::string_view key)>;

// Always kMaxDestinations entries; missing keys read empty (and "ativo" as off).
std::vector<DestinationSettings> ReadDestinations(const SettingReader& read);
std::vector<DestinationSettings> ReadDestinations(const TIniFile& ini);
// Writes the four keys of destination `index`; raises the settings file's error when refused.
void WriteDestination(TIniFile& ini, int index, const DestinationSettings& destination);

// The name the status line and the log use: the stored name, or "Destino N".
std::string DestinationName(const DestinationSettings& destination, int index);

// What a destination's URL and key mean: the whole target the writer connects to, or the
// operator's text of what is wrong with them.
struct DestinationTarget {
  std::string url;      // rtmp(s): URL, "/" and the key; srt: URL with "streamid=" the key
  std::string problem;  // empty when usable
};
// rtmp://, rtmps:// (a server name, optional port and path; the key, when given, follows a "/")
// and srt:// (a server name and a port; the key, when given, becomes the streamid, encoded).
DestinationTarget DestinationTargetOf(const DestinationSettings& destination);

// The recording folder: the stored one, or kDefaultRecordingFolder beside the executable;
// a relative folder is taken beside the executable too.
std::filesystem::path RecordingFolder(const std::string& stored,
                                      const std::filesystem::path& program_folder);

}  // namespace vexto
