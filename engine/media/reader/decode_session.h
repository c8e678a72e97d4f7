// One opened media file and the worker thread that decodes it ahead into program frames.
//
// Ownership and threads: a DecodeSession is made by FileReader::OpenMediaFile on the caller's
// thread (which opens the container and the decoders), then its worker thread, started by the
// first Start(), owns the demuxer, the decoders and the resampler. The puller (FileReader,
// serialised by its own lock) only talks to the session through the queue methods below,
// which are guarded by the session's mutex. Abort() may be called from any thread; the
// destructor stops and joins the worker.
//
// The worker produces the program frames of one "epoch" at a time: an epoch starts at a target
// program frame (0 at open, or the frame of a seek) and runs forward in order. A new seek
// request starts a new epoch; frames of older epochs are dropped. The queue holds at most
// kQueueDepth frames, so the worker stays a few frames ahead of the puller.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/media/core/av_ptr.h"

namespace vexto::media {

// One program frame as the worker made it.
struct ProgramFrame {
  uint64_t epoch = 0;
  int64_t index = 0;  // program frame index: media time index * 1001/30000 s
  AVFramePtr video;   // the source picture covering that time (nullptr: no picture)
  // The media's sound for [SamplesBefore(index), SamplesBefore(index + 1)), 48 kHz stereo S16.
  std::vector<int16_t> audio;
  bool last = false;  // the last program frame of the media
};

class DecodeWorker;

class DecodeSession {
 public:
  static constexpr size_t kQueueDepth = 4;

  // Opens the file; nullptr when it cannot be opened or holds no usable audio or video.
  // Never raises.
  static std::unique_ptr<DecodeSession> Open(const std::string& path);

  DecodeSession(const DecodeSession&) = delete;
  DecodeSession& operator=(const DecodeSession&) = delete;
  ~DecodeSession();

  // Seconds of media as the container (or the longest stream) says; 0 when unknown.
  double DurationSeconds() const { return duration_seconds_; }
  // What the source says of itself (picture size and rate, 0 when there is no picture).
  int Width() const { return width_; }
  int Height() const { return height_; }
  double SourceRate() const { return source_rate_; }
  bool HasVideo() const { return has_video_; }
  bool HasAudio() const { return has_audio_; }

  // Index of the last program frame when known (from the container's duration, made exact
  // when the worker reaches the end of the data); -1 while unknown.
  int64_t LastIndex() const { return last_index_.load(std::memory_order_acquire); }

  // Starts the worker on epoch 0 at program frame 0 (no effect after the first call).
  void Start();
  // Wakes every waiting Take and makes the worker stop soon. Any thread.
  void Abort();

  // Starts a new epoch at program frame `index`; returns its number.
  uint64_t RequestSeek(int64_t index);

  enum class TakeResult { kFrame, kEmpty, kDone, kAborted };
  // Takes the first frame of `epoch` with index >= want (or the last frame of the media,
  // whatever its index), dropping older ones. Waits up to `wait` for one to arrive.
  // kEmpty: none yet (timed out); kDone: the worker has made all frames of that epoch and
  // none is left; kAborted: the session is being closed.
  TakeResult Take(uint64_t epoch, int64_t want, std::chrono::milliseconds wait, ProgramFrame& out);

 private:
  friend class DecodeWorker;
  DecodeSession() = default;

  // Set at open, read-only afterwards.
  double duration_seconds_ = 0.0;
  int width_ = 0;
  int height_ = 0;
  double source_rate_ = 0.0;
  bool has_video_ = false;
  bool has_audio_ = false;

  std::atomic<int64_t> last_index_{-1};
  std::atomic<bool> stop_{false};  // also read by the demuxer's interrupt callback

  // Guarded by mutex_: the queue and the epoch handshake.
  std::mutex mutex_;
  std::condition_variable frames_cv_;  // the puller waits here for frames
  std::condition_variable work_cv_;    // the worker waits here for room or a new epoch
  std::deque<ProgramFrame> queue_;
  uint64_t requested_epoch_ = 0;
  int64_t requested_index_ = 0;
  uint64_t done_epoch_ = UINT64_MAX;  // epoch whose frames are all made
  bool started_ = false;

  std::unique_ptr<DecodeWorker> worker_;  // owns the FFmpeg state; runs on thread_
  std::thread thread_;
};

}  // namespace vexto::media
