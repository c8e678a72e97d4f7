#include "engine/media/reader/file_reader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <mutex>
#include <utility>

#include "engine/media/reader/decode_session.h"
#include "engine/media/reader/program_timeline.h"

namespace vexto::media {
namespace {

using std::chrono::milliseconds;

// A pull that has to wait for decoding (the first one, a seek) gives up after this long.
constexpr milliseconds kSeekWait{2000};
// A seek at most this many frames ahead decodes forward instead of moving the demuxer.
constexpr int64_t kForwardReach = 60;
// The most program frames one pull may advance.
constexpr int64_t kMaxAdvance = 1'000'000;

class FileReader final : public IMFReader {
 public:
  FileReader() = default;
  FileReader(const FileReader&) = delete;
  FileReader& operator=(const FileReader&) = delete;
  ~FileReader() override { Replace(nullptr); }

  void OpenMediaFile(const std::string& path, int /*flags*/) override {
    std::shared_ptr<DecodeSession> next = DecodeSession::Open(path);
    Replace(std::move(next));
  }

  void CloseMediaFile() override { Replace(nullptr); }

  void QueryMediaDuration(double& seconds) override {
    seconds = duration_seconds_.load(std::memory_order_acquire);
  }

  void PullFrame(M_AV_PROPS& props, double position, int /*a*/, int /*b*/, IMFFramePtr& frame,
                 const std::string& hints) override;

 private:
  // What the puller remembers between pulls; guarded by pull_mutex_.
  struct PullState {
    uint64_t epoch = 0;        // the session epoch the pulls follow
    int64_t current = -1;      // program frame index of the last frame returned
    bool have_frame = false;   // a frame was returned since the open
    AVFramePtr picture;        // its picture
    int64_t frames_out = 0;    // frames returned since the open (the sound's count)
    uint64_t sound_epoch = 0;  // epoch and index of the last frame whose sound went out
    int64_t sound_index = -2;
    std::vector<int16_t> carry;  // sound made for earlier frames, not yet handed out
  };

  struct TakeOutcome {
    DecodeSession::TakeResult result;
    IMFFramePtr frame;
  };

  // Installs next (nullptr: none) as the open file and returns after any pull in progress has
  // returned; the previous session is stopped and destroyed on the calling thread.
  void Replace(std::shared_ptr<DecodeSession> next);

  TakeOutcome Take(DecodeSession& s, int64_t want, milliseconds wait);
  IMFFramePtr Forward(DecodeSession& s, int64_t want);
  IMFFramePtr Seek(DecodeSession& s, int64_t target);
  IMFFramePtr Deliver(ProgramFrame& f);
  IMFFramePtr Repeat();
  int64_t NextSoundLength();

  std::mutex session_mutex_;  // guards session_ (held only to copy or swap it)
  std::shared_ptr<DecodeSession> session_;
  std::atomic<double> duration_seconds_{0.0};

  std::mutex pull_mutex_;  // held for a whole pull, and by Replace while it swaps
  PullState pull_;
};

void FileReader::Replace(std::shared_ptr<DecodeSession> next) {
  std::shared_ptr<DecodeSession> old;
  {
    std::lock_guard lock(session_mutex_);
    old = session_;
  }
  if (old) old->Abort();  // a pull waiting on it returns at once
  {
    std::scoped_lock lock(pull_mutex_, session_mutex_);
    old = std::exchange(session_, std::move(next));
    pull_ = PullState{};
    duration_seconds_.store(session_ ? session_->DurationSeconds() : 0.0,
                            std::memory_order_release);
  }
  if (old) old->Abort();
  old.reset();  // joins its decode thread
}

void FileReader::PullFrame(M_AV_PROPS& props, double position, int /*a*/, int /*b*/,
                           IMFFramePtr& frame, const std::string& hints) {
  frame = nullptr;
  std::lock_guard pull_lock(pull_mutex_);
  std::shared_ptr<DecodeSession> session;
  {
    std::lock_guard lock(session_mutex_);
    session = session_;
  }
  if (!session) return;
  DecodeSession& s = *session;
  s.Start();

  props.nWidth = s.Width();
  props.nHeight = s.Height();
  props.dblRate = s.SourceRate();
  props.nSampleRate = kAudioSampleRate;
  props.nChannels = kAudioChannels;

  const bool pause = hints.find("pause=true") != std::string::npos;
  const bool reverse = hints.find("reverse=true") != std::string::npos;
  if (std::isfinite(position) && position >= 0.0) {
    frame = Seek(s, ProgramFrameAt(position));
  } else if (!pull_.have_frame) {
    frame = Take(s, pull_.current + 1, kSeekWait).frame;
  } else if (pause) {
    frame = Repeat();
  } else if (reverse) {
    frame = Seek(s, std::max<int64_t>(pull_.current - 1, 0));
  } else {
    int64_t advance = 1;
    if (std::isfinite(position) && position <= -1.0) {
      advance = static_cast<int64_t>(std::min(-position, static_cast<double>(kMaxAdvance)));
    }
    frame = Forward(s, pull_.current + advance);
  }
}

FileReader::TakeOutcome FileReader::Take(DecodeSession& s, int64_t want, milliseconds wait) {
  ProgramFrame f;
  const DecodeSession::TakeResult r = s.Take(pull_.epoch, want, wait, f);
  if (r == DecodeSession::TakeResult::kFrame) return {r, Deliver(f)};
  return {r, nullptr};
}

// Normal play: never waits for the decoder.
IMFFramePtr FileReader::Forward(DecodeSession& s, int64_t want) {
  TakeOutcome got = Take(s, want, milliseconds(0));
  if (got.frame) return got.frame;
  if (got.result == DecodeSession::TakeResult::kAborted) return nullptr;
  // Decoding is behind (kEmpty) or the media has ended (kDone): the last frame again.
  return Repeat();
}

IMFFramePtr FileReader::Seek(DecodeSession& s, int64_t target) {
  const int64_t last = s.LastIndex();
  if (last >= 0 && target > last) target = last;
  if (pull_.have_frame && target > pull_.current && target - pull_.current <= kForwardReach) {
    // Close ahead in the running epoch: decode forward to it.
    TakeOutcome got = Take(s, target, kSeekWait);
    if (got.frame || got.result != DecodeSession::TakeResult::kDone) return got.frame;
  }
  pull_.epoch = s.RequestSeek(target);
  pull_.current = target - 1;
  return Take(s, target, kSeekWait).frame;
}

int64_t FileReader::NextSoundLength() {
  const int64_t n = pull_.frames_out++;
  return SamplesBefore(n + 1) - SamplesBefore(n);
}

IMFFramePtr FileReader::Deliver(ProgramFrame& f) {
  const auto need = static_cast<size_t>(NextSoundLength()) * kAudioChannels;
  std::vector<int16_t>& carry = pull_.carry;
  const bool contiguous = f.epoch == pull_.sound_epoch && f.index == pull_.sound_index + 1;
  if (!contiguous) carry.clear();
  carry.insert(carry.end(), f.audio.begin(), f.audio.end());
  std::vector<int16_t> audio(need, 0);
  const size_t take = std::min(need, carry.size());
  std::copy_n(carry.begin(), take, audio.begin());
  // The program's and the media's frame lengths differ by a sample now and then: a missing
  // sample repeats the one before it.
  for (size_t i = take; i < need && i >= kAudioChannels; ++i) audio[i] = audio[i - kAudioChannels];
  carry.erase(carry.begin(), carry.begin() + static_cast<std::ptrdiff_t>(take));
  if (carry.size() > 4 * kAudioChannels) carry.clear();
  pull_.sound_epoch = f.epoch;
  pull_.sound_index = f.index;

  M_TIME time;
  time.rtStartTime = ProgramFrameStart100ns(f.index);
  time.rtEndTime = ProgramFrameStart100ns(f.index + 1);
  time.eFFlags = f.last ? eMFF_EndOfMedia : 0;
  pull_.epoch = f.epoch;
  pull_.current = f.index;
  pull_.have_frame = true;
  pull_.picture = std::move(f.video);
  return IMFFrame::Make(RefAVFrame(pull_.picture.get()), std::move(audio), time);
}

IMFFramePtr FileReader::Repeat() {
  if (!pull_.have_frame) return nullptr;
  std::vector<int16_t> silence(static_cast<size_t>(NextSoundLength()) * kAudioChannels, 0);
  M_TIME time;
  time.rtStartTime = ProgramFrameStart100ns(pull_.current);
  time.rtEndTime = ProgramFrameStart100ns(pull_.current + 1);
  return IMFFrame::Make(RefAVFrame(pull_.picture.get()), std::move(silence), time);
}

}  // namespace

EngineObjectPtr MakeFileReader() {
  return std::make_shared<FileReader>();
}

}  // namespace vexto::media
