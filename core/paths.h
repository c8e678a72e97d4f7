// Where the console keeps its files: beside its executable (vexto.ini, vexto.vxt, Log/), and the
// file-name rules for paths that may come from playlists written on other systems. Pure
// functions except ExecutablePath, which asks the kernel; safe on any thread.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vexto {

// The running executable's full path (/proc/self/exe). Throws std::system_error when the kernel
// cannot say.
std::filesystem::path ExecutablePath();

// The folder of `exe` (by default the running executable).
std::filesystem::path ExecutableFolder(const std::filesystem::path& exe = ExecutablePath());

// `path` with the extension of its file name replaced by `extension` (which starts with '.'),
// or `extension` appended when there is none: "/opt/vexto/vexto" gives "/opt/vexto/vexto.ini".
std::filesystem::path ChangeFileExt(const std::filesystem::path& path, std::string_view extension);

// The settings file, "<executable>.ini", and the default playlist, "<executable>.vxt".
std::filesystem::path SettingsFilePath(const std::filesystem::path& exe = ExecutablePath());
std::filesystem::path DefaultPlaylistFilePath(const std::filesystem::path& exe = ExecutablePath());

// The file-name part of `path`: the text after the last '/', '\' or ':' (folders removed,
// extension kept), so paths written on other systems give their names too.
std::string ExtractFileName(std::string_view path);

// The extension of the file-name part, with its dot ("" when there is none): "a\b.c\d" has none.
std::string ExtractFileExt(std::string_view path);

}  // namespace vexto
