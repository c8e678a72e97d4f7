#include "core/event_log.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <system_error>
#include <thread>

#include "core/atomic_file.h"
#include "tests/support/test_support.h"

namespace vexto {
namespace {

using test::TempDir;

// Log lines are checked under the C locale: dates "%m/%d/%y", times "%H:%M:%S".
class EventLogTest : public ::testing::Test {
 protected:
  void SetUp() override { std::setlocale(LC_TIME, "C"); }
  TempDir dir_;
  TEventLog log_{dir_.path()};
};

TEST_F(EventLogTest, CreateLogFileMakesFolderAndEmptyFileOnce) {
  log_.CreateLogFile("\\vexto.log");
  EXPECT_TRUE(std::filesystem::is_directory(dir_ / "Log"));
  EXPECT_EQ(std::filesystem::file_size(log_.LogFilePath()), 0u);
  log_.logger("Iniciando Vexto");
  const std::string before = ReadWholeFile(log_.LogFilePath());
  log_.CreateLogFile("/vexto.log");  // an existing log is left untouched
  EXPECT_EQ(ReadWholeFile(log_.LogFilePath()), before);
  log_.logger("Iniciando Comunicação Serial");
  const std::string after = ReadWholeFile(log_.LogFilePath());
  EXPECT_EQ(after.substr(0, before.size()), before);
  EXPECT_TRUE(after.ends_with("  -> Iniciando Comunica\xE7\xE3o Serial\r\n"));
}

TEST_F(EventLogTest, CreateLogFileMakesMissingParentFolders) {
  TEventLog nested(dir_ / "a" / "b");
  nested.CreateLogFile("\\vexto.log");
  EXPECT_TRUE(std::filesystem::exists(dir_ / "a" / "b" / "Log" / "vexto.log"));
}

TEST_F(EventLogTest, LineLayout) {
  setenv("TZ", "UTC", 1);
  tzset();
  const std::time_t when = 1765229225;  // 2025-12-08 21:27:05 UTC
  EXPECT_EQ(TEventLog::FormatLine("Iniciando Vexto", when),
            "12/08/25-21:27:05  -> Iniciando Vexto\r\n");
  EXPECT_EQ(TEventLog::FormatLine("two\nlines", when), "12/08/25-21:27:05  -> two\nlines\r\n");

  log_.CreateLogFile("\\vexto.log");
  log_.logger("Iniciando Comunicação Serial");
  log_.logger("seta → fora");
  const std::string bytes = ReadWholeFile(log_.LogFilePath());
  const std::regex line(
      R"(\d\d/\d\d/\d\d-\d\d:\d\d:\d\d  -> Iniciando Comunica\xE7\xE3o Serial\r\n)"
      R"(\d\d/\d\d/\d\d-\d\d:\d\d:\d\d  -> seta \? fora\r\n)");
  EXPECT_TRUE(std::regex_match(bytes, line)) << bytes;
}

TEST_F(EventLogTest, DeletedLogRaisesAndWritesNothing) {
  log_.CreateLogFile("\\vexto.log");
  std::filesystem::remove(log_.LogFilePath());
  try {
    log_.logger("AVThread Finalizado");
    ADD_FAILURE() << "no error";
  } catch (const std::system_error& e) {
    EXPECT_EQ(e.code(), std::errc::no_such_file_or_directory);
  }
  EXPECT_FALSE(std::filesystem::exists(log_.LogFilePath()));
}

TEST_F(EventLogTest, CreateLogFileFailureRaises) {
  std::ofstream(dir_ / "not-a-folder") << "x";
  TEventLog bad(dir_ / "not-a-folder");
  EXPECT_THROW(bad.CreateLogFile("\\vexto.log"), std::system_error);
}

TEST_F(EventLogTest, TwoThreadsNeverInterleave) {
  log_.CreateLogFile("\\vexto.log");
  const int kLines = 400;
  auto writer = [&](const std::string& who) {
    for (int i = 0; i < kLines; ++i) log_.logger(who + std::string(300, 'x') + std::to_string(i));
  };
  std::thread gui(writer, "gui"), pump(writer, "pump");
  gui.join();
  pump.join();
  std::ifstream in(log_.LogFilePath(), std::ios::binary);
  const std::regex shape(R"(\d\d/\d\d/\d\d-\d\d:\d\d:\d\d  -> (gui|pump)x{300}\d+\r)");
  int lines = 0;
  for (std::string l; std::getline(in, l); ++lines) {
    ASSERT_TRUE(std::regex_match(l, shape)) << l;
  }
  EXPECT_EQ(lines, 2 * kLines);
}

}  // namespace
}  // namespace vexto
