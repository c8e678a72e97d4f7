#include "playlist/playlist_file.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <random>
#include <thread>

#include "core/atomic_file.h"
#include "playlist/playlist_errors.h"
#include "playlist/playlist_format.h"
#include "tests/support/file_helpers.h"
#include "tests/support/test_support.h"

namespace vexto {
namespace {

using test::TempDir;

// Records what the load asks of the window, in order.
class ScriptedView : public IPlaylistView {
 public:
  void listar() override { calls.push_back("listar"); }
  void limparGrid() override { calls.push_back("limparGrid"); }
  void ShowMessage(const std::string& text) override {
    calls.push_back("ShowMessage");
    messages.push_back(text);
  }
  std::vector<std::string> calls;
  std::vector<std::string> messages;
};

using Calls = std::vector<std::string>;

using test::StrayTempFiles;
using test::WaitUntilInsideAWrite;
using test::WriteFileBytes;

class PlaylistFileTest : public ::testing::Test {
 protected:
  // An existing media file (its content does not matter to the playlist).
  std::string Media(const std::string& name) {
    const auto path = dir_ / name;
    WriteFileBytes(path, "m");
    return path.string();
  }
  std::unique_ptr<TMidia> Item(const std::string& path, const std::string& duration, bool pause,
                               bool loop) {
    auto m = std::make_unique<TMidia>(path);
    m->FNome = "ignored";
    m->FDuracao = duration;
    m->FPause = pause;
    m->FLoop = loop;
    m->FStatus = std::string(kStatusReproduzindo);
    return m;
  }
  TempDir dir_;
  ScriptedView view_;
};

TEST_F(PlaylistFileTest, SaveThenLoadKeepsOrderPathsDurationsAndFlags) {
  TMediaList list;
  list.Add(Item(Media("a.mp4"), "00:03:25", false, true));
  list.Add(Item(Media("b c.mov"), "01:00:00", true, false));
  list.Add(Item(Media("ação.avi"), "00:00:01", true, true));
  list.Add(Item(Media("x#y#z.mp4"), "00:00:02", false, false));  // '#' in the name
  list.Add(Item(Media("日本.mpg"), "00:00:03", false, true));    // outside Windows-1252
  const auto file = dir_ / "list.vxt";
  salvarPlaylist(list, file);
  EXPECT_TRUE(ReadWholeFile(file).starts_with("\xEF\xBB\xBF"));

  TMediaList loaded;
  loaded.Add(Item(Media("old.mp4"), "x", false, false));  // replaced by the load
  AbrirPlaylist(loaded, file, view_);
  ASSERT_EQ(loaded.Count(), list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    const TMidia& m = loaded.Items(i);
    EXPECT_EQ(m.FArquivo, list.Items(i).FArquivo);
    EXPECT_EQ(m.FDuracao, list.Items(i).FDuracao);
    EXPECT_EQ(m.FPause, list.Items(i).FPause);
    EXPECT_EQ(m.FLoop, list.Items(i).FLoop);
    EXPECT_EQ(m.FStatus, kStatusPronto);
    EXPECT_EQ(m.FPosicao, 0);
  }
  EXPECT_EQ(loaded.Items(2).FNome, "ação.avi");
  EXPECT_EQ(loaded.Items(3).FNome, "x#y#z.mp4");
  EXPECT_EQ(view_.calls, Calls{"listar"});
}

TEST_F(PlaylistFileTest, CodePageFileWhenEveryPathFits) {
  TMediaList list;
  const std::string path = Media("ação.mp4");
  list.Add(Item(path, "00:00:09", false, false));
  salvarPlaylist(list, dir_ / "l.vxt");
  const std::string bytes = ReadWholeFile(dir_ / "l.vxt");
  EXPECT_EQ(bytes, "0#00:00:09#" + (dir_.path() / "a\xE7\xE3o.mp4").string() + "#0#0\r\n");
  TMediaList loaded;
  AbrirPlaylist(loaded, dir_ / "l.vxt", view_);
  ASSERT_EQ(loaded.Count(), 1);
  EXPECT_EQ(loaded.Items(0).FArquivo, path);
}

TEST_F(PlaylistFileTest, HandWrittenFiles) {
  const std::string a = Media("a.mp4"), b = Media("b.mp4"), c = Media("c.mp4");
  const std::string cp1252_name = Media(
      "v\xC3\xAD"
      "deo.mp4");  // vídeo.mp4 on disk (UTF-8)
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::string> paths;
    std::vector<std::string> durations;
  } cases[] = {
      {"index fields 5, 9, 2 load in line order",
       "5#1#" + c + "#0#0\r\n9#2#" + a + "#0#0\r\n2#3#" + b + "#0#0\r\n",
       {c, a, b},
       {"1", "2", "3"}},
      {"duration shown as written", "0#not a time#" + a + "#0#0\r\n", {a}, {"not a time"}},
      {"LF, CR and no final line end",
       "0#1#" + a + "#0#0\n1#2#" + b + "#0#0\r2#3#" + c + "#0#0",
       {a, b, c},
       {"1", "2", "3"}},
      {"blank lines skipped",
       "\r\n0#1#" + a + "#0#0\r\n  \r\n\r\n1#2#" + b + "#0#0\r\n\r\n",
       {a, b},
       {"1", "2"}},
      {"windows-1252 without a mark",
       "0#1#" +
           (dir_.path() / "v\xED"
                          "deo.mp4")
               .string() +
           "#0#0\r\n",
       {cp1252_name},
       {"1"}},
  };
  for (const auto& tc : cases) {
    WriteFileBytes(dir_ / "h.vxt", tc.bytes);
    TMediaList list;
    ScriptedView view;
    AbrirPlaylist(list, dir_ / "h.vxt", view);
    ASSERT_EQ(list.Count(), int(tc.paths.size())) << tc.name;
    for (int i = 0; i < list.Count(); ++i) {
      EXPECT_EQ(list.Items(i).FArquivo, tc.paths[size_t(i)]) << tc.name;
      EXPECT_EQ(list.Items(i).FDuracao, tc.durations[size_t(i)]) << tc.name;
    }
    EXPECT_EQ(view.calls, Calls{"listar"}) << tc.name;
  }
}

TEST_F(PlaylistFileTest, ByteOrderMarksKeepNonAsciiPaths) {
  const std::string path = Media("vídeo ção.mp4");
  const std::string line = "0#00:00:01#" + path + "#0#-1\r\n";
  auto utf16 = [&](bool big_endian) {
    // Only Latin-1 characters here, so each one is a single code unit.
    std::string out = big_endian ? "\xFE\xFF" : "\xFF\xFE";
    size_t pos = 0;
    while (pos < line.size()) {
      unsigned char c0 = uint8_t(line[pos]);
      char32_t cp = c0;
      if (c0 >= 0xC0) {
        cp = ((c0 & 0x1F) << 6) | (uint8_t(line[pos + 1]) & 0x3F);
        ++pos;
      }
      ++pos;
      const char hi = char(cp >> 8), lo = char(cp & 0xFF);
      out += big_endian ? std::string{hi, lo} : std::string{lo, hi};
    }
    return out;
  };
  for (const std::string& bytes : {"\xEF\xBB\xBF" + line, utf16(false), utf16(true)}) {
    WriteFileBytes(dir_ / "m.vxt", bytes);
    TMediaList list;
    AbrirPlaylist(list, dir_ / "m.vxt", view_);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).FArquivo, path);
    EXPECT_TRUE(list.Items(0).FLoop);
  }
}

TEST_F(PlaylistFileTest, FlagTexts) {
  const std::string a = Media("a.mp4");
  for (const char* t : {"True", "true", "1", "-1"}) {
    WriteFileBytes(dir_ / "f.vxt", "0#d#" + a + "#" + t + "#" + t + "\r\n");
    TMediaList list;
    AbrirPlaylist(list, dir_ / "f.vxt", view_);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_TRUE(list.Items(0).FPause && list.Items(0).FLoop) << t;
  }
  for (const char* f : {"0", "FALSE"}) {
    WriteFileBytes(dir_ / "f.vxt", "0#d#" + a + "#" + f + "#" + f + "\r\n");
    TMediaList list;
    AbrirPlaylist(list, dir_ / "f.vxt", view_);
    ASSERT_EQ(list.Count(), 1);
    EXPECT_FALSE(list.Items(0).FPause || list.Items(0).FLoop) << f;
  }
}

TEST_F(PlaylistFileTest, BadFlagStopsTheLoadKeepingEarlierItems) {
  const std::string a = Media("a.mp4");
  WriteFileBytes(dir_ / "f.vxt",
                 "0#d#" + a + "#0#0\r\n1#d#" + a + "#sim#0\r\n2#d#" + a + "#0#0\r\n");
  TMediaList list;
  try {
    AbrirPlaylist(list, dir_ / "f.vxt", view_);
    ADD_FAILURE();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'sim' is not a valid boolean value");
  }
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(view_.calls, Calls{"listar"});
}

TEST_F(PlaylistFileTest, ShortLineStopsTheLoadKeepingEarlierItems) {
  const std::string a = Media("a.mp4");
  WriteFileBytes(dir_ / "f.vxt", "0#d#" + a + "#0#0\r\ngarbage\r\n");
  TMediaList list;
  EXPECT_THROW(AbrirPlaylist(list, dir_ / "f.vxt", view_), EPlaylistFormatError);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(view_.calls, Calls{"listar"});
}

TEST_F(PlaylistFileTest, MissingMediaStopsWithTheMessage) {
  const std::string a = Media("a.mp4"), b = Media("b.mp4");
  const std::string missing = (dir_ / "gone.mp4").string();
  WriteFileBytes(dir_ / "f.vxt", "0#d#" + a + "#0#0\r\n1#d#" + b + "#0#0\r\n2#d#" + missing +
                                     "#0#0\r\n3#d#" + a + "#0#0\r\n");
  TMediaList list;
  AbrirPlaylist(list, dir_ / "f.vxt", view_);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(view_.calls, (Calls{"listar", "ShowMessage"}));
  EXPECT_EQ(view_.messages.at(0), "Playlist corrompido: A midia abaixo não existe\r\r" + missing);
}

TEST_F(PlaylistFileTest, FolderIsNotAMediaFile) {
  WriteFileBytes(dir_ / "f.vxt", "0#d#" + dir_.path().string() + "#0#0\r\n");
  TMediaList list;
  AbrirPlaylist(list, dir_ / "f.vxt", view_);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(view_.calls, (Calls{"listar", "ShowMessage"}));
}

TEST_F(PlaylistFileTest, HashInPathWithOldFiveFieldReading) {
  // Written by an older system: the path "/dir/a#b.mp4" in a five-field line cannot be told
  // apart from a six-field line, so it reads as the full path now.
  const std::string hashed = Media("a#b.mp4");
  WriteFileBytes(dir_ / "f.vxt", "0#d#" + hashed + "#0#-1\r\n");
  TMediaList list;
  AbrirPlaylist(list, dir_ / "f.vxt", view_);
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Items(0).FArquivo, hashed);
  EXPECT_EQ(list.Items(0).FNome, "a#b.mp4");
  EXPECT_TRUE(list.Items(0).FLoop);
}

TEST_F(PlaylistFileTest, EmptyFileLeavesOneBlankRow) {
  for (const std::string bytes : {"", "\r\n\r\n", "\xEF\xBB\xBF"}) {
    WriteFileBytes(dir_ / "e.vxt", bytes);
    TMediaList list;
    list.Add(Item(Media("a.mp4"), "d", false, false));
    ScriptedView view;
    AbrirPlaylist(list, dir_ / "e.vxt", view);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(view.calls, (Calls{"listar", "limparGrid"}));
  }
}

TEST_F(PlaylistFileTest, UnreadableFileEmptiesTheListAndRaises) {
  ASSERT_EQ(mkfifo((dir_ / "pipe.vxt").c_str(), 0600), 0);
  for (const auto& path :
       {dir_ / "missing.vxt", dir_.path(), dir_ / "pipe.vxt", std::filesystem::path("/dev/zero")}) {
    TMediaList list;
    list.Add(Item(Media("a.mp4"), "d", false, false));
    ScriptedView view;
    try {
      AbrirPlaylist(list, path, view);
      ADD_FAILURE() << path;
    } catch (const EFOpenError& e) {
      const std::string text = e.what();
      EXPECT_TRUE(text.starts_with("Cannot open file \"" + path.string() + "\". ")) << text;
      EXPECT_GT(text.size(), path.string().size() + 20) << "names the system's reason";
    }
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(view.calls, (Calls{"listar", "limparGrid"}));
  }
}

TEST_F(PlaylistFileTest, FailedSaveRaisesAndKeepsTheOldFile) {
  TMediaList list;
  list.Add(Item(Media("a.mp4"), "d", false, false));
  WriteFileBytes(dir_ / "keep.vxt", "old");
  for (const auto& path : {dir_ / "no-folder" / "x.vxt", dir_.path()}) {
    try {
      salvarPlaylist(list, path);
      ADD_FAILURE() << path;
    } catch (const EFCreateError& e) {
      EXPECT_TRUE(
          std::string(e.what()).starts_with("Cannot create file \"" + path.string() + "\". "))
          << e.what();
    }
  }
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(ReadWholeFile(dir_ / "keep.vxt"), "old");
}

// Bad files never crash or hang: the load ends with an error or a message, never a bad item.
TEST_F(PlaylistFileTest, BadInput) {
  std::mt19937 rng(7);
  std::string garbage(1 << 20, '\0');
  for (auto& ch : garbage) ch = char(rng());
  const std::string a = Media("a.mp4");
  const struct {
    const char* name;
    std::string bytes;
  } inputs[] = {
      {"garbage", garbage},
      {"1 MB line", std::string(1 << 20, 'x') + "\r\n"},
      {"1 MB of separators", std::string(1 << 20, '#')},
      {"NUL bytes", "0#d#" + a + std::string("\0x#0#0\r\n", 8)},
      {"invalid UTF-8 after a mark",
       "\xEF\xBB\xBF"
       "0#d#/\xC3\x28\xFF#0#0\r\n"},
      {"invalid UTF-16", std::string("\xFF\xFE\x00\xD8\x00\xD8#\0", 8)},
      {"odd UTF-16", std::string("\xFE\xFF\0", 3)},
  };
  for (const auto& input : inputs) {
    WriteFileBytes(dir_ / "bad.vxt", input.bytes);
    TMediaList list;
    ScriptedView view;
    try {
      AbrirPlaylist(list, dir_ / "bad.vxt", view);
    } catch (const EPlaylistFormatError&) {
    } catch (const EConvertError&) {
    }
    EXPECT_EQ(list.Count(), 0) << input.name;
    EXPECT_FALSE(view.calls.empty()) << input.name;
  }
}

TEST_F(PlaylistFileTest, HundredMegabyteFile) {
  const auto path = dir_ / "big.vxt";
  {
    std::ofstream out(path, std::ios::binary);
    const std::string blank(1023, ' ');
    for (int i = 0; i < 100 * 1024; ++i) out << blank << "\n";  // blank lines, then one bad line
    out << "0#d#/nowhere/x.mp4#0#0\r\n";
  }
  TMediaList list;
  AbrirPlaylist(list, path, view_);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(view_.calls, (Calls{"listar", "ShowMessage"}));
}

// A save killed at any moment leaves the previous playlist whole.
TEST_F(PlaylistFileTest, KilledSaveNeverDestroysThePreviousPlaylist) {
  const std::string media = Media(std::string(200, 'm') + ".mp4");
  const auto file = dir_ / "vexto.vxt";
  const int kItems = 40000;  // about 10 MB, so kills land inside saves
  TMediaList list;
  for (int i = 0; i < kItems; ++i)
    list.Add(Item(media, "00:00:0" + std::to_string(i % 10), false, i % 2));
  salvarPlaylist(list, file);
  std::mt19937 rng(99);
  for (int round = 0; round < 8; ++round) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      for (;;) salvarPlaylist(list, file);
    }
    // Even rounds kill inside a write, odd rounds at any moment.
    const int strays = StrayTempFiles(dir_.path(), "vexto.vxt");
    if (round % 2 == 0) {
      WaitUntilInsideAWrite(dir_.path(), "vexto.vxt", strays, rng);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(rng() % 1500));
    }
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    TMediaList loaded;
    ScriptedView view;
    AbrirPlaylist(loaded, file, view);
    ASSERT_EQ(loaded.Count(), kItems) << "round " << round;
    EXPECT_TRUE(loaded.Items(kItems - 1).FLoop);
    EXPECT_EQ(view.calls, Calls{"listar"});
  }
  std::cout << "kills inside a write: " << StrayTempFiles(dir_.path(), "vexto.vxt") << "\n";
}

}  // namespace
}  // namespace vexto
