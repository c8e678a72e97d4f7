// The safety recording through the streaming logic and the real writer: a folder that cannot be
// written ends the recording with its reason on the status line and one log line, while the
// stream to nginx goes on.
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>

#include "core/ini_file.h"
#include "engine/media/writer/stream_writer.h"
#include "streaming/streaming_control.h"
#include "tests/support/nginx_rtmp.h"
#include "tests/support/test_support.h"
#include "tests/writer/program_pump.h"
#include "tests/writer/writer_test_helpers.h"

extern "C" {
#include <libavutil/log.h>
}

namespace vexto {
namespace {

using namespace std::chrono_literals;
using media::eWriterState;

const int kQuietLibraries = (av_log_set_level(AV_LOG_FATAL), 0);

// Root writes anywhere; without these capabilities it meets the folder's modes like anyone. Only
// the calling thread (and the threads it starts afterwards) is changed.
void DropFilePermissionOverrides() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[2]{};
  ASSERT_EQ(syscall(SYS_capget, &header, data), 0);
  for (const int cap : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER}) {
    data[cap / 32].effective &= ~(1u << (cap % 32));
  }
  ASSERT_EQ(syscall(SYS_capset, &header, data), 0);
}

class View final : public IStreamingView {
 public:
  std::string status;
  bool recording_checked = false;
  void SetStreamingButtonCaption(const std::string&) override {}
  void SetServerCaption(const std::string&) override {}
  void ShowStreamingPage() override {}
  void ShowStreamingPageModal() override {}
  bool AskYesNo(const std::string&) override { return false; }
  void SetStreamingStatus(const std::string& text, bool) override { status = text; }
  void SetRecordingChecked(bool checked) override { recording_checked = checked; }
};

TEST(RecordingFolder, AFolderThatCannotBeWrittenEndsTheRecordingWhileTheStreamGoesOn) {
  DropFilePermissionOverrides();
  test::NginxRtmp nginx;
  test::TempDir dir;
  const auto folder = dir / "somente-leitura";
  std::filesystem::create_directories(folder);
  std::filesystem::permissions(
      folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec |
                  std::filesystem::perms::group_read | std::filesystem::perms::others_read);
  TIniFile ini(dir / "vexto.ini");
  ini.WriteString(kRecordingSection, kRecordingFolderKey, folder.string());
  auto writer = std::dynamic_pointer_cast<media::IMFWriter>(media::MakeStreamWriter());
  test::LogLines log;
  writer->SetWriterLogger(log.Hook());
  std::atomic<bool> is_streaming{false};
  View view;
  StreamingControl control(
      writer, is_streaming, view,
      StreamingTargetFields{[&] { return nginx.ServerUrl(); }, [] { return std::string("show"); },
                            [&] { return &ini; }, dir.path()});
  control.bot_StreamingClick();
  test::Pump pump(*writer);
  ASSERT_TRUE(test::WaitFor([&] { return writer->GetStatus().state == eWriterState::Live; }, 5s));
  control.ToggleRecording();
  EXPECT_TRUE(view.recording_checked);
  ASSERT_TRUE(test::WaitFor(
      [&] {
        control.RefreshStatus();
        return !control.IsRecording();
      },
      5s));
  EXPECT_FALSE(view.recording_checked);
  EXPECT_NE(view.status.find("Gravação parada: sem permissão para gravar na pasta"),
            std::string::npos)
      << view.status;
  EXPECT_TRUE(view.status.starts_with("No ar")) << view.status;
  const int64_t sent = writer->GetStatus().frames_sent;
  ASSERT_TRUE(test::WaitFor([&] { return writer->GetStatus().frames_sent > sent + 30; }, 10s));
  EXPECT_TRUE(is_streaming.load());
  int recording_lines = 0;
  for (const auto& line : log.Get()) {
    if (line.starts_with("Gravação: falha em " + folder.string())) ++recording_lines;
  }
  EXPECT_EQ(recording_lines, 1);
  EXPECT_TRUE(std::filesystem::is_empty(folder));
  pump.Stop();
  control.bot_StreamingClick();
}

}  // namespace
}  // namespace vexto
