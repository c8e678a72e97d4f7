#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>

#include "core/unique_fd.h"

namespace vexto {
namespace {

[[noreturn]] void ThrowErrno(int err, const std::string& what) {
  throw std::system_error(err, std::generic_category(), what);
}

std::filesystem::path FollowLink(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(path, ec)) return path;
  const auto target = std::filesystem::weakly_canonical(path, ec);
  return ec ? path : target;
}

void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno, "write");
    }
    bytes.remove_prefix(size_t(n));
  }
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path_in, std::string_view bytes) {
  const std::filesystem::path path = FollowLink(path_in);
  std::filesystem::path folder = path.parent_path();
  if (folder.empty()) folder = ".";

  struct stat old_st {};
  const bool had_file = ::stat(path.c_str(), &old_st) == 0;
  if (had_file && S_ISDIR(old_st.st_mode)) ThrowErrno(EISDIR, path.string());

  // A name no other writer uses: pid and a process-wide counter, retried on a clash.
  static std::atomic<unsigned> counter{0};
  std::filesystem::path temp;
  int raw = -1;
  for (int attempt = 0; attempt < 100 && raw < 0; ++attempt) {
    temp = folder / ("." + path.filename().string() + ".tmp-" + std::to_string(::getpid()) + "-" +
                     std::to_string(counter.fetch_add(1)));
    raw = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (raw < 0 && errno != EEXIST) break;
  }
  if (raw < 0) ThrowErrno(errno, temp.string());
  UniqueFd fd(raw);
  try {
    if (had_file && ::fchmod(fd.get(), old_st.st_mode & 07777) != 0) ThrowErrno(errno, "fchmod");
    WriteAll(fd.get(), bytes);
    if (::fsync(fd.get()) != 0) ThrowErrno(errno, "fsync");
    if (fd.Close() != 0) ThrowErrno(errno, "close");
    if (::rename(temp.c_str(), path.c_str()) != 0) ThrowErrno(errno, path.string());
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  // The rename is durable once the folder's entry is on disk.
  UniqueFd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) ThrowErrno(errno, folder.string());
  if (::fsync(dir.get()) != 0 && errno != EINVAL) ThrowErrno(errno, "fsync");
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  // O_NONBLOCK: opening a named pipe must not wait for a writer (it is refused below).
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (fd.get() < 0) ThrowErrno(errno, path.string());
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) ThrowErrno(errno, path.string());
  if (S_ISDIR(st.st_mode)) ThrowErrno(EISDIR, path.string());
  // Pipes and devices may never end (/dev/zero) or block: only regular files are read.
  if (!S_ISREG(st.st_mode)) ThrowErrno(EINVAL, path.string());
  std::string out;
  if (st.st_size > 0) out.reserve(size_t(st.st_size));
  char buf[65536];
  for (;;) {
    const ssize_t n = ::read(fd.get(), buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ThrowErrno(errno, path.string());
    }
    if (n == 0) break;
    out.append(buf, size_t(n));
  }
  return out;
}

}  // namespace vexto
