// Whole-file reads and crash-safe whole-file replacement, shared by the settings file and the
// playlist file. Safe on any thread; two writers of the same path in parallel are not ordered
// (the last rename wins, each file stays whole).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace vexto {

// Replaces the file at `path` with `bytes`, durably and atomically: the bytes go to a new
// temporary file in the same folder, which is flushed to disk (fsync), renamed over `path` and
// followed by an fsync of the folder. At every moment `path` names either the whole old file or
// the whole new one, even if the process is killed or the machine loses power; a failure leaves
// the old file untouched and removes the temporary file (a killed process may leave a stray
// ".<name>.tmp-*" file beside it, never a damaged `path`). An existing file keeps its permission
// bits; a new one gets 0666 less the umask. A symbolic link at `path` is followed: its target is
// replaced. Throws std::system_error carrying errno on any failure.
void WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// The whole content of the regular file at `path`. Throws std::system_error carrying errno when
// it cannot be opened or read (ENOENT for a missing file, EISDIR for a folder, EINVAL for a pipe
// or device, which could block or never end).
std::string ReadWholeFile(const std::filesystem::path& path);

}  // namespace vexto
