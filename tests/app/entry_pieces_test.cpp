// Pieces of the program entry: the style lookup and the generic error handler.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <stdexcept>

#include "app/glossy_theme.h"
#include "ui/message_service.h"
#include "app/vexto_application.h"

namespace vexto {
namespace {

TEST(Styles, GlossyIsFoundWhateverTheCase) {
  for (const char* name : {"Glossy", "glossy", "GLOSSY", "gLoSsY"})
    EXPECT_NE(FindBuiltInStyle(name), nullptr) << name;
  EXPECT_EQ(FindBuiltInStyle("Glossy2"), nullptr);
  EXPECT_EQ(FindBuiltInStyle(""), nullptr);
}

TEST(Styles, MissingStyleShowsItsNameOnceAndKeepsTheStandardLook) {
  std::vector<std::pair<TMessageService::Kind, std::string>> shown;
  TMessageService::SetScript([&](TMessageService::Kind k, const std::string& t) {
    shown.emplace_back(k, t);
    return false;
  });
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  const QString before = app->styleSheet();
  EXPECT_FALSE(ApplyStyle(*app, "Carbon"));
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].first, TMessageService::Kind::StyleNotFound);
  EXPECT_EQ(shown[0].second, "Style 'Carbon' not found");
  EXPECT_EQ(app->styleSheet(), before);
  EXPECT_TRUE(ApplyStyle(*app, "glossy"));
  EXPECT_FALSE(app->styleSheet().isEmpty());
  app->setStyleSheet(before);
  TMessageService::SetScript(nullptr);
}

TEST(GenericErrorHandler, ShowsTheTextAndTheLoopGoesOn) {
  std::vector<std::string> shown;
  TMessageService::SetScript([&](TMessageService::Kind, const std::string& t) {
    shown.push_back(t);
    return false;
  });
  // notify() of the application in use: the test main's QApplication is not a
  // TVextoApplication, so call the handler the way notify does.
  try {
    throw std::out_of_range("Argument out of range");
  } catch (...) {
    ShowCurrentException();
  }
  EXPECT_EQ(shown, std::vector<std::string>{"Argument out of range"});
  TMessageService::SetScript(nullptr);
}

}  // namespace
}  // namespace vexto
