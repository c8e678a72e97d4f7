#include "playlist/media_list.h"

#include <gtest/gtest.h>

#include <string>

namespace vexto {
namespace {

TMediaList Make(const std::string& names) {
  TMediaList list;
  for (const char c : names) list.Add(std::make_unique<TMidia>(std::string(1, c)));
  return list;
}

std::string Names(const TMediaList& list) {
  std::string s;
  for (int i = 0; i < list.Count(); ++i) s += list.Items(i).FArquivo;
  return s;
}

TEST(TMidia, ConstructorStoresOnlyThePath) {
  const TMidia m("/clips/a.mp4");
  EXPECT_EQ(m.FArquivo, "/clips/a.mp4");
  EXPECT_EQ(m.FNome, "");
  EXPECT_EQ(m.FStatus, "");
  EXPECT_EQ(m.FDuracao, "");
  EXPECT_EQ(m.FPosicao, 0);
  EXPECT_FALSE(m.FPause);
  EXPECT_FALSE(m.FLoop);
  EXPECT_EQ(kStatusPronto, "Pronto");
  EXPECT_EQ(kStatusPreparado, "Preparado");
  EXPECT_EQ(kStatusReproduzindo, "Reproduzindo");
  EXPECT_EQ(kStatusPausado, "Pausado");
}

TEST(TMediaList, Operations) {
  const struct {
    const char* name;
    void (*op)(TMediaList&);
    const char* after;
  } cases[] = {
      {"insert at 0", [](TMediaList& l) { l.Insert(0, std::make_unique<TMidia>("x")); }, "xabcd"},
      {"insert at count", [](TMediaList& l) { l.Insert(4, std::make_unique<TMidia>("x")); },
       "abcdx"},
      {"insert in the middle", [](TMediaList& l) { l.Insert(2, std::make_unique<TMidia>("x")); },
       "abxcd"},
      {"move down", [](TMediaList& l) { l.Move(0, 2); }, "bcad"},
      {"move up", [](TMediaList& l) { l.Move(3, 1); }, "adbc"},
      {"move to itself", [](TMediaList& l) { l.Move(2, 2); }, "abcd"},
      {"delete first", [](TMediaList& l) { l.Delete(0); }, "bcd"},
      {"delete last", [](TMediaList& l) { l.Delete(3); }, "abc"},
      {"delete all", [](TMediaList& l) { l.Clear(); }, ""},
  };
  for (const auto& c : cases) {
    TMediaList list = Make("abcd");
    c.op(list);
    EXPECT_EQ(Names(list), c.after) << c.name;
  }
}

TEST(TMediaList, BadIndexIsRefusedAndChangesNothing) {
  const struct {
    const char* name;
    void (*op)(TMediaList&);
  } cases[] = {
      {"item -1", [](TMediaList& l) { l.Items(-1); }},
      {"item count", [](TMediaList& l) { l.Items(l.Count()); }},
      {"insert past count", [](TMediaList& l) { l.Insert(5, std::make_unique<TMidia>("x")); }},
      {"insert at -1", [](TMediaList& l) { l.Insert(-1, std::make_unique<TMidia>("x")); }},
      {"move from count", [](TMediaList& l) { l.Move(4, 0); }},
      {"move to -1", [](TMediaList& l) { l.Move(0, -1); }},
      {"delete count", [](TMediaList& l) { l.Delete(4); }},
  };
  for (const auto& c : cases) {
    TMediaList list = Make("abcd");
    try {
      c.op(list);
      ADD_FAILURE() << c.name;
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), "Argument out of range") << c.name;
    }
    EXPECT_EQ(Names(list), "abcd") << c.name;
  }
  TMediaList empty;
  EXPECT_THROW(empty.Items(0), EListError);
  EXPECT_THROW(empty.Delete(0), EListError);
}

}  // namespace
}  // namespace vexto
