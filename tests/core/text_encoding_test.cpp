#include "core/text_encoding.h"

#include <gtest/gtest.h>

namespace vexto {
namespace {

TEST(Cp1252, EncodesPortugueseAndTheHighBlock) {
  const struct {
    const char* utf8;
    const char* cp1252;
    bool exact;
  } cases[] = {
      {"Iniciando Comunicação Serial", "Iniciando Comunica\xE7\xE3o Serial", true},
      {"€ “x” — Ÿ", "\x80 \x93x\x94 \x97 \x9F", true},
      {"ÀÿÇ", "\xC0\xFF\xC7", true},
      {"日本", "??", false},
      {"a→b", "a?b", false},
      {"\xFF\xC3", "??", false},       // invalid UTF-8: one '?' per byte
      {"\xED\xA0\x80", "???", false},  // an encoded surrogate is invalid
      {"\xC0\xAF", "??", false},       // overlong '/'
  };
  for (const auto& c : cases) {
    bool exact = false;
    EXPECT_EQ(Utf8ToCp1252(c.utf8, &exact), c.cp1252) << c.utf8;
    EXPECT_EQ(exact, c.exact) << c.utf8;
    EXPECT_EQ(FitsCp1252(c.utf8), c.exact) << c.utf8;
  }
}

TEST(Cp1252, EveryByteRoundTrips) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(char(b));
  bool exact = false;
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all), &exact), all);
  EXPECT_TRUE(exact);
  EXPECT_EQ(Cp1252ToUtf8("\xE7\x80"), "ç€");
}

TEST(Utf16, DecodesBothByteOrdersAndSurrogates) {
  EXPECT_EQ(Utf16ToUtf8(std::string("a\0\xE7\0", 4), false), "aç");
  EXPECT_EQ(Utf16ToUtf8(std::string("\0a\0\xE7", 4), true), "aç");
  EXPECT_EQ(Utf16ToUtf8(std::string("\x3D\xD8\x00\xDE", 4), false), "😀");
  EXPECT_EQ(Utf16ToUtf8(std::string("\x3D\xD8"
                                    "a\0",
                                    4),
                        false),
            "\xEF\xBF\xBD"
            "a");
  EXPECT_EQ(Utf16ToUtf8(std::string("\x00\xDE", 2), false), "\xEF\xBF\xBD");
  EXPECT_EQ(Utf16ToUtf8(std::string("a\0b", 3), false), "a");  // odd trailing byte dropped
}

}  // namespace
}  // namespace vexto
