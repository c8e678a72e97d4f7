// Shared set-up of the settings dialog tests: a temporary settings file read into the settings
// fields, a scripted message service, the real live source (the built-in test source is the only
// capture device on the test machines) and a stream writer.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/settings_fields.h"
#include "engine/media/core/interfaces.h"
#include "settings_dialog/config_dialog.h"
#include "tests/support/test_support.h"
#include "ui/message_service.h"

namespace vexto::test {

// While it lives, the message service answers questions from a script (No when the script is
// empty) and records every text instead of showing a box.
class ScriptedMessages {
 public:
  ScriptedMessages() {
    TMessageService::SetScript([this](TMessageService::Kind kind, const std::string& text) {
      switch (kind) {
        case TMessageService::Kind::AskYesNo:
        case TMessageService::Kind::AskYesNoWarning:
          return AskYesNo(text);
        default:
          errors.push_back(text);
          return false;
      }
    });
  }
  ~ScriptedMessages() { TMessageService::SetScript({}); }
  ScriptedMessages(const ScriptedMessages&) = delete;
  ScriptedMessages& operator=(const ScriptedMessages&) = delete;

  bool AskYesNo(const std::string& text) {
    questions.push_back(text);
    if (answers.empty()) return false;
    const bool yes = answers.front();
    answers.pop_front();
    return yes;
  }

  std::deque<bool> answers;
  std::vector<std::string> questions;
  std::vector<std::string> errors;
};

// Sections and keys of an INI text as written, in order, names kept as spelled.
struct IniEntry {
  std::string section;
  std::string key;
  std::string value;
  bool operator==(const IniEntry&) const = default;
};
std::vector<IniEntry> ParseIni(const std::string& text);

// The operator's actions on controls.
void Type(QLineEdit* edit, const std::string& text);  // replaces the text as typing would
void Pick(QComboBox* box, int position);              // picks an entry from the list

class DialogTest : public ::testing::Test {
 protected:
  DialogTest();
  ~DialogTest() override;

  // Writes `text` as the settings file and reads the fields from it.
  void WriteSettings(const std::string& text);
  void LoadFields();
  // Builds the dialog (creation runs); `live` replaces the real live source when given.
  TForm_Config& MakeDialog(std::shared_ptr<media::IMFLive> live = nullptr);
  std::string SettingsText() const;
  // The stored value or "<missing>".
  std::string Stored(const std::string& section, const std::string& key) const;

  TempDir dir_;
  std::filesystem::path ini_;
  SettingsFields fields_;
  ScriptedMessages messages_;
  std::shared_ptr<media::IMFWriter> writer_;
  std::shared_ptr<media::IMFLive> installed_;
  std::string server_caption_ = "server";
  int verifications_ = 0;
  std::function<void()> on_verify_;  // extra work of verificarEncoder (restart tests)
  std::unique_ptr<TForm_Config> dialog_;
};

}  // namespace vexto::test
