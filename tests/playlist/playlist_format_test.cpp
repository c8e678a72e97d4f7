#include "playlist/playlist_format.h"

#include <gtest/gtest.h>

#include <clocale>

#include "playlist/playlist_errors.h"

namespace vexto {
namespace {

TEST(PlaylistStrToBool, Table) {
  std::setlocale(LC_NUMERIC, "C");
  const struct {
    const char* text;
    bool value;
  } ok[] = {{"True", true}, {"true", true}, {"TRUE", true},   {"1", true},
            {"-1", true},   {"0", false},   {"FALSE", false}, {"false", false},
            {"00", false},  {"0.0", false}, {"1.5", true},    {"+2", true},
            {" -1 ", true}, {"1e3", true},  {".5", true},     {"0e5", false}};
  for (const auto& c : ok) EXPECT_EQ(PlaylistStrToBool(c.text), c.value) << c.text;
  for (const char* bad : {"sim", "", " ", "1,5", "e5", "1e", "-", "T", "yes", "1 1", "0x1"}) {
    try {
      PlaylistStrToBool(bad);
      ADD_FAILURE() << bad;
    } catch (const EConvertError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid boolean value");
    }
  }
}

TEST(ParsePlaylistLine, Fields) {
  const struct {
    const char* line;
    const char* duration;
    const char* path;
    const char* pause;
    const char* loop;
  } cases[] = {
      {"0#00:03:25#D:\\clips\\a.mp4#0#-1", "00:03:25", "D:\\clips\\a.mp4", "0", "-1"},
      {"9#x#/a/b.mp4#True#false", "x", "/a/b.mp4", "True", "false"},
      {"#  #/p##", "  ", "/p", "", ""},
      // A path holding '#': the fields between the duration and the two flags.
      {"1#00:00:05#/clips/a#b#c.mp4#0#-1", "00:00:05", "/clips/a#b#c.mp4", "0", "-1"},
      {"1#00:00:05##lead.mp4#0#0", "00:00:05", "#lead.mp4", "0", "0"},
  };
  for (const auto& c : cases) {
    const auto line = ParsePlaylistLine(c.line, 1);
    ASSERT_TRUE(line.has_value()) << c.line;
    EXPECT_EQ(line->duration, c.duration) << c.line;
    EXPECT_EQ(line->path, c.path) << c.line;
    EXPECT_EQ(line->pause, c.pause) << c.line;
    EXPECT_EQ(line->loop, c.loop) << c.line;
  }
  EXPECT_FALSE(ParsePlaylistLine("", 1).has_value());
  EXPECT_FALSE(ParsePlaylistLine(" \t ", 1).has_value());
  for (const char* shortLine : {"0#00:00:01#/a.mp4#0", "abc", "###"}) {
    try {
      ParsePlaylistLine(shortLine, 7);
      ADD_FAILURE() << shortLine;
    } catch (const EPlaylistFormatError& e) {
      EXPECT_EQ(
          std::string(e.what()),
          "Playlist corrompido: a linha 7 não tem os cinco campos\r\r" + std::string(shortLine));
    }
  }
  // The quoted line is cut to 200 characters.
  try {
    ParsePlaylistLine(std::string(100000, 'x'), 1);
  } catch (const EPlaylistFormatError& e) {
    EXPECT_LT(std::string(e.what()).size(), 300u);
  }
}

TEST(PlaylistLines, AllThreeLineEnds) {
  const std::string text = "a\r\nb\nc\rd\r\n\r\ne";
  std::vector<std::string> lines;
  size_t pos = 0;
  std::string_view line;
  while (NextPlaylistLine(text, pos, line)) lines.emplace_back(line);
  EXPECT_EQ(lines, (std::vector<std::string>{"a", "b", "c", "d", "", "e"}));
  pos = 0;
  int n = 0;
  while (NextPlaylistLine("x\r\n", pos, line)) ++n;
  EXPECT_EQ(n, 1);  // a final line end adds no line
}

TEST(DecodePlaylistBytes, ByteOrderMarks) {
  const struct {
    const char* name;
    std::string bytes;
    const char* text;
  } cases[] = {
      {"utf-8",
       "\xEF\xBB\xBF/v\xC3\xAD"
       "deo.mp4",
       "/vídeo.mp4"},
      {"utf-8 keeps invalid bytes", "\xEF\xBB\xBF/\xFF.mp4", "/\xFF.mp4"},
      {"utf-16 le", std::string("\xFF\xFE/\0\xED\0", 6), "/í"},
      {"utf-16 be", std::string("\xFE\xFF\0/\0\xED", 6), "/í"},
      {"windows-1252",
       "/v\xED"
       "deo\x80.mp4",
       "/vídeo€.mp4"},
  };
  for (const auto& c : cases) EXPECT_EQ(DecodePlaylistBytes(c.bytes), c.text) << c.name;
}

TEST(EncodePlaylist, ExactBytesAndEncodingChoice) {
  TMediaList list;
  EXPECT_EQ(EncodePlaylist(list), "");
  auto a = std::make_unique<TMidia>("D:\\clips\\a.mp4");
  a->FDuracao = "00:03:25";
  a->FLoop = true;
  list.Add(std::move(a));
  auto b = std::make_unique<TMidia>("/clips/ação.mp4");
  b->FDuracao = "00:00:10";
  b->FPause = true;
  list.Add(std::move(b));
  EXPECT_EQ(EncodePlaylist(list),
            "0#00:03:25#D:\\clips\\a.mp4#0#-1\r\n1#00:00:10#/clips/a\xE7\xE3o.mp4#-1#0\r\n");
  // One path outside the code page: the whole file becomes UTF-8 with a byte-order mark.
  list.Add(std::make_unique<TMidia>("/clips/日本.mp4"));
  EXPECT_EQ(EncodePlaylist(list),
            "\xEF\xBB\xBF"
            "0#00:03:25#D:\\clips\\a.mp4#0#-1\r\n1#00:00:10#/clips/ação.mp4#-1#0\r\n"
            "2##/clips/日本.mp4#0#0\r\n");
}

}  // namespace
}  // namespace vexto
