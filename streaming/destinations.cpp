#include "streaming/destinations.h"

#include <cctype>

#include "core/ini_file.h"
#include "core/ini_text.h"

namespace vexto {
namespace {

std::string Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return std::string(text);
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// Percent-encoding of everything but the unreserved characters, as a URL query value.
std::string QueryEncoded(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
      out += ch;
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool HasBlankOrControl(std::string_view text) {
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= ' ' || c == 0x7F) return true;
  }
  return false;
}

}  // namespace

std::string StreamingTargetUrl(const std::string& server, const std::string& key) {
  std::string target = server;
  if (target.empty() || target.back() != '/') target += '/';
  return target + key;
}

std::string DestinationSection(int index) {
  return "destino" + std::to_string(index + 1);
}

std::vector<DestinationSettings> ReadDestinations(const SettingReader& read) {
  std::vector<DestinationSettings> out(kMaxDestinations);
  for (int i = 0; i < kMaxDestinations; ++i) {
    const std::string section = DestinationSection(i);
    DestinationSettings& d = out[static_cast<size_t>(i)];
    d.nome = IniCutValue(read(section, "nome").value_or(""));
    d.url = IniCutValue(read(section, "url").value_or(""));
    d.chave = IniCutValue(read(section, "chave").value_or(""));
    d.ativo = IniParseInteger(read(section, "ativo").value_or("0"), 0) != 0;
  }
  return out;
}

std::vector<DestinationSettings> ReadDestinations(const TIniFile& ini) {
  return ReadDestinations(
      [&ini](std::string_view section, std::string_view key) -> std::optional<std::string> {
        static const std::string kMissing = "\x01missing";
        std::string value = ini.ReadString(section, key, kMissing);
        if (value == kMissing) return std::nullopt;
        return value;
      });
}

void WriteDestination(TIniFile& ini, int index, const DestinationSettings& destination) {
  const std::string section = DestinationSection(index);
  ini.WriteString(section, "nome", destination.nome);
  ini.WriteString(section, "url", destination.url);
  ini.WriteString(section, "chave", destination.chave);
  ini.WriteBool(section, "ativo", destination.ativo);
}

std::string DestinationName(const DestinationSettings& destination, int index) {
  std::string name = destination.nome;
  for (char& c : name) {
    if (static_cast<unsigned char>(c) < ' ') c = ' ';  // one line in the log
  }
  name = Trimmed(name);
  return name.empty() ? "Destino " + std::to_string(index + 1) : name;
}

DestinationTarget DestinationTargetOf(const DestinationSettings& destination) {
  const std::string url = Trimmed(destination.url);
  const std::string key = Trimmed(destination.chave);
  if (url.empty()) return {{}, "sem URL"};
  if (HasBlankOrControl(url)) return {{}, "a URL tem espaços ou caracteres de controle"};
  const size_t sep = url.find("://");
  const std::string scheme = sep == std::string::npos ? std::string() : Lower(url.substr(0, sep));
  if (scheme != "rtmp" && scheme != "rtmps" && scheme != "srt") {
    return {{}, "a URL deve começar com rtmp://, rtmps:// ou srt://"};
  }
  const size_t host_start = sep + 3;
  const size_t host_end = url.find_first_of(":/?", host_start);
  const std::string host = url.substr(
      host_start, host_end == std::string::npos ? std::string::npos : host_end - host_start);
  if (host.empty()) return {{}, "falta o servidor na URL"};
  if (scheme == "srt") {
    const bool has_port = host_end != std::string::npos && url[host_end] == ':' &&
                          host_end + 1 < url.size() &&
                          std::isdigit(static_cast<unsigned char>(url[host_end + 1]));
    if (!has_port) return {{}, "falta a porta na URL SRT (srt://servidor:porta)"};
    if (key.empty()) return {url, {}};
    if (url.find("streamid=") != std::string::npos) {
      return {{}, "a URL SRT já tem streamid: deixe a chave vazia"};
    }
    const char join = url.find('?') == std::string::npos ? '?' : '&';
    return {url + join + "streamid=" + QueryEncoded(key), {}};
  }
  if (HasBlankOrControl(key)) return {{}, "a chave tem espaços ou caracteres de controle"};
  if (key.empty()) return {url, {}};
  return {StreamingTargetUrl(url, key), {}};
}

std::filesystem::path RecordingFolder(const std::string& stored,
                                      const std::filesystem::path& program_folder) {
  const std::string folder = Trimmed(stored);
  if (folder.empty()) return program_folder / kDefaultRecordingFolder;
  const std::filesystem::path path(folder);
  return path.is_absolute() ? path : program_folder / path;
}

}  // namespace vexto
