// One run of the stream writer, from StartStreamOutput to StopStreamOutput.
//
// Threads and queues:
//   caller (frame pump) --Push--> frame queue (30 frames, full: the frame is dropped and counted)
//     --> encode thread (StreamEncoders) --> packet queue (about 3 s of video; full: oldest
//     packets dropped) --> send thread (muxer and network: connect, send, reconnect).
// Push only takes a short lock and returns. The send thread reconnects after a failure with a
// delay of 1 s doubling up to 30 s (while retrying is on), restarting each connection on a key
// frame with its timestamps moved to start at zero. Every blocking FFmpeg I/O call carries an
// interrupt callback tied to the stop flag and to a per-operation deadline.
//
// Ownership: the session is held by the writer and by its own two threads (shared_ptr), so a
// thread stuck in a call that cannot be interrupted (a name lookup) may outlive Stop safely.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "engine/media/core/av_ptr.h"
#include "engine/media/core/interfaces.h"
#include "engine/media/writer/stream_config.h"
#include "engine/media/writer/stream_encoders.h"

namespace vexto::media {

struct SessionOptions {
  StreamConfig config;
  std::string url;
  bool keep_retrying = true;  // false: the first failure ends the run (Failed)
  WriterLogger logger;        // may be empty
};

class WriterSession : public std::enable_shared_from_this<WriterSession> {
 public:
  static constexpr size_t kFrameQueueCapacity = 30;
  static constexpr int kMaxQueuedVideoPackets = 90;

  explicit WriterSession(SessionOptions options);
  ~WriterSession();
  WriterSession(const WriterSession&) = delete;
  WriterSession& operator=(const WriterSession&) = delete;

  // Opens the encoders and starts the threads. An encoder that refuses its settings leaves the
  // session Failed (logged), with no thread running.
  void Start();
  // Any thread; never blocks on encoding or the network. Ignored once stopping or failed.
  void Push(const IMFFramePtr& frame);
  // Sends what is queued when the output is live (up to ~0.7 s), then aborts what is left;
  // returns within one second.
  void Stop();
  WriterStatus Status() const;

 private:
  struct ConnectionEnd {
    bool finished = false;  // stream ended cleanly (trailer written)
    bool was_live = false;
    std::string reason;
  };

  void EncodeLoop();
  void SendLoop();
  ConnectionEnd RunConnection();
  void QueuePacket(AVPacketPtr pkt);
  void SetState(eWriterState state, const std::string& reason = {}, double retry_s = 0.0);
  void Log(const std::string& line);
  void ThreadDone();
  void Abort();  // any thread, no lock held
  void SetIoDeadline(std::chrono::milliseconds from_now);
  static int Interrupt(void* opaque);

  const SessionOptions options_;
  bool network_ = true;
  const AVOutputFormat* muxer_ = nullptr;
  StreamEncoders encoders_;  // encode thread only, after Start
  AVCodecParametersPtr video_params_;
  AVCodecParametersPtr audio_params_;
  AVRational video_tb_{1, 1};
  AVRational audio_tb_{1, 1};

  // The frame queue has its own lock, held only to add or take one frame, so Push never waits
  // behind the encoder or the network.
  std::mutex frames_mutex_;
  std::condition_variable frames_cv_;  // frames queued, or stopping
  std::deque<std::pair<IMFFramePtr, int64_t>> frames_;
  int64_t next_index_ = 0;
  std::atomic<bool> accepting_{false};  // Push takes frames
  std::atomic<int64_t> frames_dropped_{0};
  std::atomic<int64_t> frames_sent_{0};

  mutable std::mutex mutex_;            // everything below
  std::condition_variable packets_cv_;  // packets queued, encoder done, or stopping
  std::condition_variable wake_cv_;     // retry wait and Stop's wait for the threads
  std::deque<AVPacketPtr> packets_;
  int queued_video_ = 0;
  bool encoder_done_ = false;
  bool stopping_ = false;
  int threads_running_ = 0;
  WriterStatus status_;
  std::string last_logged_failure_;
  bool failing_ = false;

  std::atomic<bool> abort_{false};
  std::atomic<int64_t> io_deadline_ns_{0};
  std::atomic<bool> deadline_hit_{false};

  std::thread encode_thread_;
  std::thread send_thread_;
};

}  // namespace vexto::media
