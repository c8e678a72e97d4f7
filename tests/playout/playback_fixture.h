// Shared pieces of the playback tests: a recording view, recording monitors and stream writer,
// generated clips and a runtime wired to the real file readers and live source.
#pragma once

#include <QTimer>

#include <atomic>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "playout/av_thread.h"
#include "playout/playback_runtime.h"
#include "tests/support/test_support.h"

namespace vexto::test {

// The view as a recorder. GUI thread only, like the real one.
class RecordingView final : public IPlaybackView {
 public:
  void listar() override { ++listar_calls; }
  void limparGrid() override { ++limpar_calls; }
  void SetGridStatusCell(int row, const std::string& status) override { cells[row] = status; }
  int GridSelectedRow() const override { return selected_row; }
  void SetGridSelectedRow(int row) override { selected_row = row; }
  void SetClockText(const std::string& text) override { clock_text = text; }
  void SetClockColor(TColor color) override {
    clock_color = color;
    ++color_calls;
  }
  void SetElapsedText(const std::string& text) override { elapsed_text = text; }
  void SetProgressMax(int max) override { progress_max = max; }
  void SetProgressPosition(int position) override { progress_position = position; }
  void ShowSeekBarPosition(int position) override { seek_bar_shown = position; }
  void PGMPaintPlay() override { button = "Play"; }
  void PGMPaintPause() override { button = "Pause"; }
  void SetUpdateTimerEnabled(bool enabled) override;
  void ShowMessage(const std::string& text) override { messages.push_back(text); }
  bool AskYesNoWarning(const std::string& text) override {
    questions.push_back(text);
    return answer_yes;
  }
  void SetMonitorMenuChecked(eMonitorAV setting, bool checked) override {
    menu[static_cast<int>(setting)] = checked;
  }
  void SetProgressivoChecked(bool checked) override { progressivo = checked; }

  // The 30 ms clock timer calls this runtime's UpdateUI_PGMTimer while enabled.
  void AttachTimer(TPlaybackRuntime* runtime);

  int listar_calls = 0;
  int limpar_calls = 0;
  std::map<int, std::string> cells;
  int selected_row = 0;
  std::string clock_text = "00:00:00:00";
  TColor clock_color = clWhite;
  int color_calls = 0;
  std::string elapsed_text = "00:00:00";
  int progress_max = 0;
  int progress_position = 0;
  int seek_bar_shown = 0;
  std::string button = "Play";
  bool timer_enabled = false;
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  bool answer_yes = true;
  bool menu[4] = {false, false, false, false};
  bool progressivo = false;

 private:
  std::unique_ptr<QTimer> timer_;
};

// What one push carried.
struct PushRecord {
  bool nil = true;
  int width = 0;
  int64_t t = 0;           // rtStartTime
  uint32_t flags = 0;      // eFFlags
  int sig[3] = {0, 0, 0};  // Y, U, V of the first pixel
  int a = 0, b = 0;
};

// A monitor (or stream writer) that records every frame pushed into it. Any thread.
class RecordingMonitor : public virtual media::IMFPreview {
 public:
  void PushFrame(const media::IMFFramePtr& frame, int a, int b, int c) override;
  void BindMonitorWindow(const std::string&, int64_t window) override { bound = window; }
  void SetMonitorAudioVideo(const std::string&, int audio, int video) override {
    std::lock_guard l(mutex_);
    av.emplace_back(audio, video);
  }
  std::vector<PushRecord> Records() const {
    std::lock_guard l(mutex_);
    return records_;
  }
  size_t Count() const {
    std::lock_guard l(mutex_);
    return records_.size();
  }
  std::vector<std::pair<int, int>> AV() const {
    std::lock_guard l(mutex_);
    return av;
  }
  void Clear() {
    std::lock_guard l(mutex_);
    records_.clear();
  }
  std::atomic<int64_t> bound{0};

 protected:
  mutable std::mutex mutex_;
  std::vector<PushRecord> records_;
  std::vector<std::pair<int, int>> av;
};

class RecordingWriter final : public media::IMFWriter {
 public:
  void PushFrame(const media::IMFFramePtr& frame, int, int, int) override;
  void CountOutputChoices(int, int& count) override { count = 0; }
  void GetOutputChoice(int, int, std::string&, std::string&) override {}
  void ChooseOutputChoice(int, int, media::IMFPropertySetPtr&) override {}
  void GetChosenOutputChoice(int, std::string&, media::IMFPropertySetPtr&) override {}
  void ReadStreamConfig(std::string&, std::string&) override {}
  void StartStreamOutput(const std::string&, int, const std::string&) override {}
  void StopStreamOutput(int) override {}
  media::WriterStatus GetStatus() const override { return {}; }
  size_t Count() const {
    std::lock_guard l(mutex_);
    return records_.size();
  }
  std::vector<PushRecord> Records() const {
    std::lock_guard l(mutex_);
    return records_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<PushRecord> records_;
};

PushRecord Describe(const media::IMFFramePtr& frame);

// Clips made once per test program: three 2 s items of distinct solid colours with a tone
// (160x120); long60() and short1234() (a 60 s and a 12.34 s item) are made on first use.
struct Clips {
  std::string red, green, blue;
  int sig[3][3];  // first-pixel signature of red, green, blue
  std::string long60() const;
  std::string short1234() const;
};
const Clips& TestClips();

// Which of the three coloured clips a record shows: 0 red, 1 green, 2 blue, -1 none.
int ClipOf(const PushRecord& r);
// Frame index of a record on the program timeline.
int64_t FrameIndex(const PushRecord& r);

// Processes Qt events until pred holds or timeout; returns pred().
bool RunUntil(const std::function<bool()>& pred, std::chrono::milliseconds timeout);
// Processes Qt events for a while.
void RunFor(std::chrono::milliseconds duration);

// A factor for timeouts (larger under sanitizers).
int SlowFactor();

// A clock running `speedup` times faster than the program rate (absolute deadlines too).
class FastClock final : public IProgramClock {
 public:
  explicit FastClock(int speedup) : speedup_(speedup) {}
  void Start() override;
  void WaitNextTick() override;
  int64_t LatePasses() const override { return 0; }
  int64_t DroppedTicks() const override { return 0; }

 private:
  int speedup_;
  int64_t start_ = 0;
  int64_t tick_ = 0;
};

// The runtime with real readers (through the factory), the real live source on its test
// source, recording monitors and writer. The pump is not started.
struct Rig {
  RecordingView view;
  std::vector<std::string> log;
  std::mutex log_mutex;
  std::shared_ptr<RecordingMonitor> playlist_monitor = std::make_shared<RecordingMonitor>();
  std::shared_ptr<RecordingMonitor> camera_monitor = std::make_shared<RecordingMonitor>();
  std::shared_ptr<RecordingMonitor> program_monitor = std::make_shared<RecordingMonitor>();
  std::shared_ptr<RecordingWriter> writer = std::make_shared<RecordingWriter>();
  SettingsFields settings;
  std::unique_ptr<TPlaybackRuntime> rt;

  explicit Rig(bool with_camera = true);
  ~Rig();
  std::vector<std::string> Log();
  // Adds items with these files (status "Pronto") and refreshes the snapshot.
  void AddItems(const std::vector<std::string>& files);
  // The operator's cue of `row` (no wait).
  void Cue(int row);
  TMidia& Item(int i) { return rt->MediaList.Items(i); }
};

}  // namespace vexto::test
