// One output of an encode: a streaming destination or the recording file. Each has its own
// packet queue, send thread, connection, retry delay and status, so a slow, refused or dead
// output never delays the encoder or another output.
//
//   encode thread --Offer--> packet queue (about 3 s of video; full: the oldest packets go, up
//     to the next key frame, counted) --> send thread: connect (open, header), send, finish
//     (trailer); after a failure it waits 1 s doubling to 30 s (while retrying is on) and
//     connects again, each connection starting on a key frame with its clock at zero.
//
// Offer takes one short lock and returns. Every blocking FFmpeg call carries an interrupt
// callback tied to the abort flag (network outputs only: a file is always closed whole) and
// to a per-operation deadline (10 s to connect, 5 s per write).
//
// Ownership: held by the encode pipeline while attached, by the writer, and by its own send
// thread (shared_ptr), so a thread stuck in a call that cannot be interrupted (a name lookup)
// may outlive Stop safely.
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

namespace vexto::media {

// What every output of one encode shares: the encoders' parameters and time bases, and the
// encode's counts of frames pushed and dropped before encoding. Made by the pipeline once its
// encoders are open; read-only afterwards except for the atomic counts.
struct EncodedStreams {
  AVCodecParametersPtr video;
  AVCodecParametersPtr audio;
  AVRational video_tb{1, 1};
  AVRational audio_tb{1, 1};
  std::atomic<int64_t> frames_pushed{0};
  std::atomic<int64_t> frames_dropped{0};  // the frame queue was full
};

struct SinkOptions {
  std::string name;     // the destination's name, empty for the lone server or a file
  std::string url;      // network target or file path
  std::string format;   // FFmpeg muxer
  bool network = true;  // false: a file (never retried, always closed whole)
  bool keep_retrying = true;
  bool recording = false;  // Matroska in clusters of about a second, flushed as written
  WriterLogger logger;     // may be empty; called on the send thread
};

class OutputSink : public std::enable_shared_from_this<OutputSink> {
 public:
  static constexpr int kMaxQueuedVideoPackets = 90;

  OutputSink(SinkOptions options, std::shared_ptr<EncodedStreams> streams);
  ~OutputSink();
  OutputSink(const OutputSink&) = delete;
  OutputSink& operator=(const OutputSink&) = delete;

  const SinkOptions& options() const { return options_; }

  // Starts the send thread.
  void Start();
  // Encode thread: queues a reference to the packet; never waits on the network.
  void Offer(const AVPacket* pkt);
  // No more packets will come: send what is queued, finish and end.
  void CloseInput();
  // The encode failed: the output ends Failed with the reason.
  void Fail(const std::string& reason);
  // Stops retrying. A live output sends what it has queued (and, unless close_input is false,
  // what its encode still hands it until CloseInput) first; any other is aborted.
  void BeginStop(bool close_input);
  // Aborts whatever is under way (any thread, no lock held).
  void Abort();
  // Waits for the send thread until `until`; joins it when it ended, otherwise lets it run out.
  // Then the status reads Stopped with the run's counts.
  bool FinishStop(std::chrono::steady_clock::time_point until);
  // Retrying: the wait ends now.
  void ReconnectNow();
  WriterStatus Status() const;

 private:
  enum class eSendEnd { Drained, Aborted, Failed };
  struct ConnectionEnd {
    bool finished = false;  // ended cleanly (trailer written)
    bool was_live = false;
    std::string reason;
  };

  void SendLoop();
  ConnectionEnd RunConnection();
  // The three steps of a connection.
  AVFormatOutputPtr OpenConnection(ConnectionEnd& end);
  eSendEnd SendPackets(AVFormatContext* ctx, ConnectionEnd& end);
  void FinishConnection(AVFormatContext* ctx, ConnectionEnd& end);
  void MarkLive();
  void DropToNewestKeyFrame();  // mutex_ held
  void SetState(eWriterState state, const std::string& reason = {}, double retry_s = 0.0);
  void Log(const std::string& line);
  std::string Prefix() const;
  void SetIoDeadline(std::chrono::milliseconds from_now);
  static int Interrupt(void* opaque);

  const SinkOptions options_;
  const std::shared_ptr<EncodedStreams> streams_;
  const std::string where_;        // the URL with its key hidden
  const int64_t pushed_at_start_;  // the encode's counts when this output joined
  const int64_t dropped_at_start_;
  const AVOutputFormat* muxer_ = nullptr;

  mutable std::mutex mutex_;            // everything below
  std::condition_variable packets_cv_;  // packets queued, input closed, or aborting
  std::condition_variable wake_cv_;     // the retry wait and FinishStop's wait
  std::deque<AVPacketPtr> packets_;
  int queued_video_ = 0;
  bool need_key_ = false;  // packets were dropped: the next video sent is a key frame
  bool input_closed_ = false;
  bool stopping_ = false;
  bool reconnect_now_ = false;
  bool thread_running_ = false;
  bool stopped_ = false;
  WriterStatus status_;
  std::chrono::steady_clock::time_point retry_at_;

  // The send thread's own.
  std::string last_logged_failure_;
  bool failing_ = false;
  std::chrono::steady_clock::time_point down_since_;

  std::atomic<bool> abort_{false};
  std::atomic<int64_t> io_deadline_ns_{0};
  std::atomic<bool> deadline_hit_{false};
  std::atomic<int64_t> frames_sent_{0};
  std::atomic<int64_t> frames_dropped_{0};  // dropped here (queue full, waiting for a key)

  std::thread thread_;
};

}  // namespace vexto::media
