#include "core/ini_text.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace vexto {
namespace {

struct FindCase {
  const char* name;
  std::string text;
  const char* section;
  const char* key;
  std::optional<std::string> expected;
};

TEST(IniText, FindValue) {
  const FindCase cases[] = {
      {"plain", "[a]\nk=v\n", "a", "k", "v"},
      {"case of section and key", "[DISPOSITIVOS]\r\nCAPTURA=3\r\n", "dispositivos", "captura",
       "3"},
      {"latin-1 letters fold", "[Seção]\nChave=1\n", "SEÇÃO", "chave", "1"},
      {"missing key", "[a]\nk=v\n", "a", "x", std::nullopt},
      {"missing section", "[a]\nk=v\n", "b", "k", std::nullopt},
      {"key before any section", "k=v\n[a]\n", "a", "k", std::nullopt},
      {"empty value", "[a]\nk=\n", "a", "k", ""},
      {"blanks around name and value", "  [ a ] \n  k  =  v w  \n", "a", "k", "v w"},
      {"quotes stripped once", "[a]\nk=\"\"x\"\"\n", "a", "k", "\"x\""},
      {"first key wins", "[a]\nk=1\nK=2\n", "a", "k", "1"},
      {"first section wins", "[a]\nx=1\n[A]\nk=2\n", "a", "k", std::nullopt},
      {"comments", "[a]\n;k=1\n#k=2\nk=3\n", "a", "k", "3"},
      {"lone CR line ends", "[a]\rk=v\r", "a", "k", "v"},
      {"no final line end", "[a]\nk=v", "a", "k", "v"},
      {"utf-8 mark skipped", "\xEF\xBB\xBF[a]\nk=v\n", "a", "k", "v"},
      {"value holds '='", "[a]\nk=x=y\n", "a", "k", "x=y"},
      {"NUL ends the value", std::string("[a]\nk=ab\0cd\n", 12), "a", "k", "ab"},
      {"unclosed section", "[a\nk=v\n", "a", "k", "v"},
      {"invalid UTF-8 matches itself only", "[\xFF]\nk=v\n", "\xFF", "k", "v"},
      {"invalid UTF-8 is not a letter", "[\xFF]\nk=v\n", "\xDF", "k", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IniFindValue(c.text, c.section, c.key), c.expected) << c.name;
  }
}

struct SetCase {
  const char* name;
  const char* before;
  const char* section;
  const char* key;
  const char* value;
  const char* after;
};

TEST(IniText, SetValueReplacesInPlaceAndNeverAddsASecondEntry) {
  const SetCase cases[] = {
      {"new file", "", "a", "k", "v", "[a]\nk=v\n"},
      {"replace keeps the stored letter case", "[dispositivos]\r\ncaptura=0\r\nlinha=0\r\n",
       "Dispositivos", "Captura", "3", "[dispositivos]\r\ncaptura=3\r\nlinha=0\r\n"},
      {"add after the last entry of the section", "[a]\nx=1\n\n[b]\ny=2\n", "A", "k", "v",
       "[a]\nx=1\nk=v\n\n[b]\ny=2\n"},
      {"add to a last section without line end", "[a]\nx=1", "a", "k", "v", "[a]\nx=1\nk=v\n"},
      {"add to an empty section", "[a]\n[b]\n", "a", "k", "v", "[a]\nk=v\n[b]\n"},
      {"new section at the end", "[a]\nx=1", "b", "k", "v", "[a]\nx=1\n[b]\nk=v\n"},
      {"CR LF kept for new lines", "[a]\r\nx=1\r\n", "b", "k", "v", "[a]\r\nx=1\r\n[b]\r\nk=v\r\n"},
      {"first of duplicate keys", "[a]\nk=1\nk=2\n", "a", "K", "9", "[a]\nk=9\nk=2\n"},
      {"line end cut off", "", "a", "k", "one\ntwo", "[a]\nk=one\n"},
      {"blank edges quoted", "", "a", "k", " x ", "[a]\nk=\" x \"\n"},
      {"utf-8 mark kept", "\xEF\xBB\xBF", "a", "k", "v", "\xEF\xBB\xBF[a]\nk=v\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IniSetValue(c.before, c.section, c.key, c.value), c.after) << c.name;
  }
}

TEST(IniText, EveryWrittenValueReadsBackUnchanged) {
  const std::string values[] = {
      "",         " lead", "trail ", "\"q\"", "\"", "a=b",  "[x]", ";c",
      "#c",       "ação",  "x#y",    "1M",    "\t", "\"\"", "  ",  "rtmp://127.0.0.1/live",
      "-16777201"};
  std::string text = "[other]\nz=1\n";
  for (const auto& v : values) {
    text = IniSetValue(text, "rtmp", "chave", v);
    EXPECT_EQ(IniFindValue(text, "RTMP", "Chave"), v) << "[" << v << "]";
    EXPECT_EQ(IniFindValue(text, "other", "z"), "1");
  }
}

TEST(IniText, ParseInteger) {
  const struct {
    const char* text;
    int32_t expected;
  } cases[] = {
      {"30", 30},
      {"-7", -7},
      {"+7", 7},
      {"0x1E", 30},
      {"0X1e", 30},
      {"$1E", 30},
      {"$1e", 30},
      {"-$10", -16},
      {"abc", -99},
      {"", -99},
      {"0x", -99},
      {"$", -99},
      {"1.5", -99},
      {" 5", -99},
      {"5 ", -99},
      {"2147483647", 2147483647},
      {"-2147483648", INT32_MIN},
      {"2147483648", -99},
      {"$FFFFFFFF", -1},
      {"$FF00000F", -16777201},
      {"$100000000", -99},
      {"99999999999999999999999", -99},
      {"-16777201", -16777201},
  };
  for (const auto& c : cases) EXPECT_EQ(IniParseInteger(c.text, -99), c.expected) << c.text;
}

TEST(IniText, CutAt2047Characters) {
  EXPECT_EQ(IniCutValue(std::string(3000, 'x')).size(), 2047u);
  EXPECT_EQ(IniCutValue(std::string(2047, 'x')).size(), 2047u);
  std::string accents;
  for (int i = 0; i < 3000; ++i) accents += "ç";
  EXPECT_EQ(IniCutValue(accents).size(), 2047u * 2);                // never inside a character
  EXPECT_EQ(IniCutValue(std::string(3000, '\x80')).size(), 2047u);  // stray bytes count one each
}

}  // namespace
}  // namespace vexto
