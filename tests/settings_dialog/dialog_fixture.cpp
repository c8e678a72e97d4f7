#include "tests/settings_dialog/dialog_fixture.h"

#include <fstream>
#include <sstream>

#include "core/atomic_file.h"
#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/live/live_source.h"
#include "tests/settings_dialog/fake_engine.h"

namespace vexto::test {

std::vector<IniEntry> ParseIni(const std::string& text) {
  std::vector<IniEntry> entries;
  std::istringstream in(text);
  std::string line;
  std::string section;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    if (line.front() == '[') {
      section = line.substr(1, line.find(']') - 1);
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) continue;
    entries.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
  }
  return entries;
}

void Type(QLineEdit* edit, const std::string& text) {
  edit->setText(QString::fromStdString(text));
  emit edit->textEdited(edit->text());
}

void Pick(QComboBox* box, int position) {
  box->setCurrentIndex(position);
  emit box->activated(position);
}

DialogTest::DialogTest() : ini_(dir_ / "vexto.ini") {
  fields_.CreateConfigFile(ini_);
  LoadFields();
  writer_ = std::make_shared<RecordingWriter>();
}

DialogTest::~DialogTest() {
  dialog_.reset();
}

void DialogTest::WriteSettings(const std::string& text) {
  WriteFileAtomically(ini_, text);
  LoadFields();
}

void DialogTest::LoadFields() {
  fields_.carregarVariaveis({});
}

TForm_Config& DialogTest::MakeDialog(std::shared_ptr<media::IMFLive> live) {
  ConfigDialogContext context{
      .fields = fields_,
      .make_live_source = [live]() -> std::shared_ptr<media::IMFLive> {
        if (live) return live;
        return media::QueryEngineInterface<media::IMFLive>(media::MakeLiveSource(),
                                                           media::CLSID_MFLive);
      },
      .install_camera_source =
          [this](std::shared_ptr<media::IMFLive> source) { installed_ = std::move(source); },
      .StreamWriter = writer_,
      .verificarEncoder =
          [this] {
            ++verifications_;
            if (on_verify_) on_verify_();
          },
      .set_server_caption = [this](const std::string& text) { server_caption_ = text; },
  };
  dialog_ = std::make_unique<TForm_Config>(std::move(context));
  return *dialog_;
}

std::string DialogTest::SettingsText() const {
  std::ifstream in(ini_, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string DialogTest::Stored(const std::string& section, const std::string& key) const {
  const auto value = fields_.ConfigFile->ReadString(section, key, "<missing>");
  return value;
}

}  // namespace vexto::test
