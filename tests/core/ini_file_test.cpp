#include "core/ini_file.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <thread>

#include "core/atomic_file.h"
#include "tests/support/file_helpers.h"
#include "tests/support/test_support.h"

namespace vexto {
namespace {

using test::TempDir;

using test::StrayTempFiles;
using test::WaitUntilInsideAWrite;
using test::WriteFileBytes;

std::string ReadBytes(const std::filesystem::path& path) {
  return ReadWholeFile(path);
}

TEST(TIniFile, MissingFileGivesDefaultsAndFirstWriteCreatesIt) {
  TempDir dir;
  TIniFile ini(dir / "vexto.ini");
  EXPECT_EQ(ini.ReadString("rtmp", "video_bitrate", "1M"), "1M");
  EXPECT_EQ(ini.ReadInteger("cronometro", "alerta_seg", 10), 10);
  EXPECT_TRUE(ini.ReadBool("cronometro", "alerta", true));
  EXPECT_FALSE(std::filesystem::exists(dir / "vexto.ini"));
  ini.WriteBool("cronometro", "alerta", false);
  ini.WriteInteger("cronometro", "alerta_cor", -16777201);
  ini.WriteString("rtmp", "video_bitrate", "");
  EXPECT_EQ(ReadBytes(dir / "vexto.ini"),
            "[cronometro]\nalerta=0\nalerta_cor=-16777201\n[rtmp]\nvideo_bitrate=\n");
  EXPECT_FALSE(ini.ReadBool("cronometro", "alerta", true));
  EXPECT_EQ(ini.ReadInteger("cronometro", "alerta_cor", 0), -16777201);
  EXPECT_EQ(ini.ReadString("rtmp", "video_bitrate", "1M"), "");
}

TEST(TIniFile, BooleansReadAsIntegers) {
  TempDir dir;
  WriteFileBytes(dir / "s.ini", "[c]\ntwo=2\nzero=0\nempty=\nword=yes\nneg=-1\n");
  TIniFile ini(dir / "s.ini");
  EXPECT_TRUE(ini.ReadBool("c", "two", false));
  EXPECT_FALSE(ini.ReadBool("c", "zero", true));
  EXPECT_TRUE(ini.ReadBool("c", "empty", true));
  EXPECT_FALSE(ini.ReadBool("c", "empty", false));
  EXPECT_TRUE(ini.ReadBool("c", "word", true));
  EXPECT_TRUE(ini.ReadBool("c", "neg", false));
}

TEST(TIniFile, WriteInAnyCaseReplacesTheEntry) {
  TempDir dir;
  WriteFileBytes(dir / "s.ini", "[dispositivos]\r\ncaptura=0\r\n");
  TIniFile ini(dir / "s.ini");
  ini.WriteInteger("Dispositivos", "Captura", 3);
  EXPECT_EQ(ReadBytes(dir / "s.ini"), "[dispositivos]\r\ncaptura=3\r\n");
  EXPECT_EQ(ini.ReadInteger("dispositivos", "captura", 0), 3);
}

TEST(TIniFile, LongValuesComeBackCut) {
  TempDir dir;
  TIniFile ini(dir / "s.ini");
  ini.WriteString("rtmp", "chave_streaming", std::string(5000, 'k'));
  EXPECT_EQ(ini.ReadString("rtmp", "chave_streaming", "").size(), 2047u);
  ini.WriteString("rtmp", "x", std::string(10, '7'));
  EXPECT_EQ(ini.ReadInteger("rtmp", "x", 4), 4);  // out of range: default
}

TEST(TIniFile, EditsByOtherProgramsAreSeen) {
  TempDir dir;
  const auto path = dir / "s.ini";
  WriteFileBytes(path, "[a]\nk=1\n");
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("a", "k", 0), 1);
  WriteFileBytes(path, "[a]\nk=2\n");  // same size, same tick
  EXPECT_EQ(ini.ReadInteger("a", "k", 0), 2);
  // An old file is cached; a rewrite gives it a new stamp and is seen too.
  const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
  std::filesystem::last_write_time(path, old);
  EXPECT_EQ(ini.ReadInteger("a", "k", 0), 2);
  EXPECT_EQ(ini.ReadInteger("a", "k", 0), 2);
  WriteFileBytes(path, "[a]\nk=3\n");
  EXPECT_EQ(ini.ReadInteger("a", "k", 0), 3);
  std::filesystem::remove(path);
  EXPECT_EQ(ini.ReadInteger("a", "k", 0), 0);
}

TEST(TIniFile, RefusedWriteRaisesWithThePathAndKeepsTheFile) {
  TempDir dir;
  WriteFileBytes(dir / "plain", "x");
  const std::filesystem::path refused[] = {
      dir / "missing-folder" / "s.ini",  // ENOENT
      dir / "plain" / "s.ini",           // ENOTDIR
      dir.path(),                        // a folder
  };
  for (const auto& path : refused) {
    TIniFile ini(path);
    try {
      ini.WriteString("a", "k", "v");
      ADD_FAILURE() << "no error for " << path;
    } catch (const EIniFileException& e) {
      EXPECT_EQ(std::string(e.what()), "Unable to write to " + path.string());
    }
    EXPECT_EQ(ini.ReadString("a", "k", "d"), "d");
  }
  EXPECT_EQ(ReadBytes(dir / "plain"), "x");
}

TEST(TIniFile, WriteKeepsPermissionsAndFollowsSymlinks) {
  TempDir dir;
  WriteFileBytes(dir / "real.ini", "[a]\nk=1\n");
  std::filesystem::permissions(dir / "real.ini", std::filesystem::perms(0640));
  std::filesystem::create_symlink(dir / "real.ini", dir / "link.ini");
  TIniFile ini(dir / "link.ini");
  ini.WriteInteger("a", "k", 2);
  EXPECT_TRUE(std::filesystem::is_symlink(dir / "link.ini"));
  EXPECT_EQ(ReadBytes(dir / "real.ini"), "[a]\nk=2\n");
  EXPECT_EQ(std::filesystem::status(dir / "real.ini").permissions(), std::filesystem::perms(0640));
  // No temporary files are left behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++entries;
  EXPECT_EQ(entries, 2);
}

// Bad input never crashes or hangs; readers fall back to their defaults and writes still work.
TEST(TIniFile, BadInput) {
  TempDir dir;
  std::mt19937 rng(1234);
  std::string garbage(1 << 20, '\0');
  for (auto& c : garbage) c = char(rng());
  std::string long_lines =
      "[a]\nk=" + std::string(1 << 20, 'v') + "\n" + std::string(1 << 20, '[') + "\nn=5\n";
  std::string nul_bytes("[a\0]\nk\0=1\n[b]\nk=\0\n", 18);
  const struct {
    const char* name;
    std::string bytes;
  } inputs[] = {
      {"garbage", garbage},
      {"1 MB lines", long_lines},
      {"NUL bytes", nul_bytes},
      {"invalid UTF-8", "[\xC3\x28]\n\xE2\x82=\xF0\x9F\n[\xED\xA0\x80]\nk=\xFF\xFE\n"},
      {"UTF-16 text", std::string("\xFF\xFE[\0a\0]\0\n\0k\0=\0001\0", 16)},
  };
  for (const auto& input : inputs) {
    const auto path = dir / "bad.ini";
    WriteFileBytes(path, input.bytes);
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("rtmp", "video_codec", 7), 7) << input.name;
    EXPECT_EQ(ini.ReadString("zz", "k", "d"), "d") << input.name;
    ini.WriteInteger("rtmp", "video_codec", 2);
    EXPECT_EQ(ini.ReadInteger("rtmp", "video_codec", 7), 2) << input.name;
  }
  WriteFileBytes(dir / "long.ini", long_lines);
  TIniFile ini(dir / "long.ini");
  EXPECT_EQ(ini.ReadString("a", "k", "").size(), 2047u);
  for (const char* device : {"/dev/zero", "/dev/urandom"}) {
    EXPECT_EQ(TIniFile(device).ReadInteger("a", "k", 6), 6) << device;
  }
  WriteFileBytes(dir / "nul.ini", nul_bytes);
  EXPECT_EQ(TIniFile(dir / "nul.ini").ReadString("b", "k", "d"), "");
}

TEST(TIniFile, HundredMegabyteFile) {
  TempDir dir;
  const auto path = dir / "big.ini";
  {
    std::ofstream out(path, std::ios::binary);
    const std::string line = "filler=" + std::string(1017, 'x') + "\n";  // 1 KB lines
    out << "[big]\n";
    for (int i = 0; i < 100 * 1024; ++i) out << line;
    out << "[cronometro]\nalerta_seg=0x1E\n";
  }
  TIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("cronometro", "alerta_seg", 10), 30);
  EXPECT_EQ(ini.ReadInteger("missing", "k", 4), 4);
  EXPECT_EQ(ini.ReadString("big", "filler", "").size(), 1017u);
  // (Writes into large files are covered by the kill test; a 100 MB fsync only costs time.)
}

// A writer killed at any moment leaves the previous settings file whole.
TEST(TIniFile, KilledWriterNeverDamagesTheFile) {
  TempDir dir;
  const auto path = dir / "vexto.ini";
  // A large file makes each write take a while, so kills land inside writes.
  std::string base = "[big]\n";
  for (int i = 0; i < 8 * 1024; ++i)
    base += "k" + std::to_string(i) + "=" + std::string(1000, 'x') + "\n";
  base += "[rtmp]\ncounter=0\n[end]\nlast=1\n";
  WriteFileBytes(path, base);
  std::mt19937 rng(42);
  int last_seen = 0;
  for (int round = 0; round < 8; ++round) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      TIniFile ini(path);
      for (int i = 1;; ++i) ini.WriteInteger("rtmp", "counter", last_seen * 1000 + i);
    }
    // Even rounds kill inside a write, odd rounds at any moment.
    const int strays = StrayTempFiles(dir.path(), "vexto.ini");
    if (round % 2 == 0) {
      WaitUntilInsideAWrite(dir.path(), "vexto.ini", strays, rng);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 1500));
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    TIniFile ini(path);
    EXPECT_EQ(ini.ReadInteger("end", "last", 0), 1) << "round " << round;
    EXPECT_EQ(ini.ReadString("big", "k8191", "").size(), 1000u);
    const int counter = ini.ReadInteger("rtmp", "counter", -1);
    EXPECT_GE(counter, last_seen * 1000) << "round " << round;
    EXPECT_EQ(std::filesystem::file_size(path) >= base.size(), true);
    last_seen = round + 1;
    ini.WriteInteger("rtmp", "counter", last_seen * 1000);
  }
  std::cout << "kills inside a write: " << StrayTempFiles(dir.path(), "vexto.ini") << "\n";
}

}  // namespace
}  // namespace vexto
