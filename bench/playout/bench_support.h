// Pieces shared by the playback benchmarks: a view that shows nothing, monitors that keep the
// last frame like a real one, clip generation and small statistics.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "playout/av_thread.h"
#include "playout/playback_runtime.h"
#include "tests/support/test_support.h"

namespace vexto::bench {

class NullView final : public IPlaybackView {
 public:
  void listar() override {}
  void limparGrid() override {}
  void SetGridStatusCell(int, const std::string&) override {}
  int GridSelectedRow() const override { return selected_row; }
  void SetGridSelectedRow(int row) override { selected_row = row; }
  void SetClockText(const std::string&) override {}
  void SetClockColor(TColor) override {}
  void SetElapsedText(const std::string&) override {}
  void SetProgressMax(int) override {}
  void SetProgressPosition(int) override {}
  void ShowSeekBarPosition(int) override {}
  void PGMPaintPlay() override {}
  void PGMPaintPause() override {}
  void SetUpdateTimerEnabled(bool) override {}
  void ShowMessage(const std::string&) override {}
  bool AskYesNoWarning(const std::string&) override { return true; }
  void SetMonitorMenuChecked(eMonitorAV, bool) override {}
  void SetProgressivoChecked(bool) override {}
  int selected_row = 0;
};

// Keeps the last frame pushed (as a monitor does) and calls an optional hook on every push.
class HoldingMonitor final : public media::IMFPreview, public media::IMFWriter {
 public:
  void PushFrame(const media::IMFFramePtr& frame, int, int, int) override {
    if (hook) hook(frame);
    std::lock_guard l(mutex_);
    last_ = frame;
  }
  void BindMonitorWindow(const std::string&, int64_t) override {}
  void SetMonitorAudioVideo(const std::string&, int, int) override {}
  void CountOutputChoices(int, int& n) override { n = 0; }
  void GetOutputChoice(int, int, std::string&, std::string&) override {}
  void ChooseOutputChoice(int, int, media::IMFPropertySetPtr&) override {}
  void GetChosenOutputChoice(int, std::string&, media::IMFPropertySetPtr&) override {}
  void ReadStreamConfig(std::string&, std::string&) override {}
  void StartStreamOutput(const std::string&, int, const std::string&) override {}
  void StopStreamOutput(int) override {}
  media::WriterStatus GetStatus() const override { return {}; }
  std::function<void(const media::IMFFramePtr&)> hook;  // set before the pump starts

 private:
  std::mutex mutex_;
  media::IMFFramePtr last_;
};

// A runtime with real readers and live test source, three holding monitors and a holding
// stream writer; `files` become playlist items.
struct BenchRig {
  NullView view;
  std::shared_ptr<HoldingMonitor> playlist = std::make_shared<HoldingMonitor>();
  std::shared_ptr<HoldingMonitor> camera = std::make_shared<HoldingMonitor>();
  std::shared_ptr<HoldingMonitor> program = std::make_shared<HoldingMonitor>();
  std::shared_ptr<HoldingMonitor> writer = std::make_shared<HoldingMonitor>();
  SettingsFields settings;
  std::unique_ptr<TPlaybackRuntime> rt;
  explicit BenchRig(const std::vector<std::string>& files);
  ~BenchRig();
  void CueAndPlay(int row);
};

// Makes a clip with the ffmpeg tool; exits the program when it fails.
void MakeClip(const std::string& path, const std::string& video_source, double seconds,
              const std::string& preset = "ultrafast");

double ProcessCpuSeconds();
double Percentile(std::vector<double> v, double p);
// Processes Qt events for `seconds`.
void RunFor(double seconds);
double EnvDouble(const char* name, double fallback);

}  // namespace vexto::bench
