#include "core/paths.h"

#include <system_error>

namespace vexto {

std::filesystem::path ExecutablePath() {
  return std::filesystem::read_symlink("/proc/self/exe");
}

std::filesystem::path ExecutableFolder(const std::filesystem::path& exe) {
  return exe.parent_path();
}

std::filesystem::path ChangeFileExt(const std::filesystem::path& path, std::string_view extension) {
  const std::string name = path.filename().string();
  const size_t dot = name.rfind('.');
  // A leading dot names a hidden file, not an extension.
  const std::string stem = (dot == std::string::npos || dot == 0) ? name : name.substr(0, dot);
  return path.parent_path() / (stem + std::string(extension));
}

std::filesystem::path SettingsFilePath(const std::filesystem::path& exe) {
  return ChangeFileExt(exe, ".ini");
}

std::filesystem::path DefaultPlaylistFilePath(const std::filesystem::path& exe) {
  return ChangeFileExt(exe, ".vxt");
}

std::string ExtractFileName(std::string_view path) {
  const size_t sep = path.find_last_of("/\\:");
  return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string ExtractFileExt(std::string_view path) {
  const std::string name = ExtractFileName(path);
  const size_t dot = name.rfind('.');
  return dot == std::string::npos ? std::string() : name.substr(dot);
}

}  // namespace vexto
