// One encode of the program, shared by every output that carries it (the streaming
// destinations and the recording).
//
//   caller (frame pump) --Push--> frame queue (30 frames; full: the frame is dropped, counted)
//     --> encode thread (StreamEncoders) --Offer--> each attached OutputSink's packet queue
//
// Push only takes a short lock and returns; Offer never waits on an output, so a slow output
// never slows the encode or its neighbours. Outputs may be attached and detached while it runs;
// an output attached later gets a key frame at once.
//
// The encoders are opened with codec headers out of band (global headers), which every
// container the outputs use takes: FLV, Matroska and MP4 want them so, and the MPEG-TS muxer
// repeats them before each key frame itself.
//
// Ownership: held by the writer and by its own encode thread (shared_ptr), as the outputs are.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/media/core/interfaces.h"
#include "engine/media/writer/output_sink.h"
#include "engine/media/writer/stream_config.h"
#include "engine/media/writer/stream_encoders.h"

namespace vexto::media {

class EncodePipeline : public std::enable_shared_from_this<EncodePipeline> {
 public:
  static constexpr size_t kFrameQueueCapacity = 30;

  EncodePipeline(StreamConfig config, WriterLogger logger);
  ~EncodePipeline();
  EncodePipeline(const EncodePipeline&) = delete;
  EncodePipeline& operator=(const EncodePipeline&) = delete;

  // Opens the encoders and starts the encode thread. An encoder that refuses its settings
  // leaves the pipeline failed (logged once), with no thread running: see FailureReason.
  void Start();
  // The reason the encode failed; empty while it works.
  std::string FailureReason() const;
  bool Running() const { return accepting_.load(); }
  const std::string& ConfigText() const { return config_text_; }
  // The encoders' parameters and the encode's counts, for outputs made for this pipeline.
  std::shared_ptr<EncodedStreams> Streams() const { return streams_; }

  // Any thread; never blocks on encoding or an output. Ignored once stopping or failed.
  void Push(const IMFFramePtr& frame);
  // The output receives every packet from the next key frame on (one is asked for now); an
  // output attached to a failed pipeline fails with its reason.
  void Attach(const std::shared_ptr<OutputSink>& sink);
  // The output receives nothing more (the caller then stops it).
  void Detach(const std::shared_ptr<OutputSink>& sink);

  // Stops taking frames: the encode thread encodes what is queued, drains the encoders into
  // the outputs and closes their input.
  void CloseInput();
  // Ends the encode thread at once.
  void Abort();
  // Waits for the encode thread until `until`; joins it when it ended, otherwise lets it run out.
  bool FinishStop(std::chrono::steady_clock::time_point until);

 private:
  void EncodeLoop();
  void FailAll(const std::string& reason);
  void Log(const std::string& line);

  const StreamConfig config_;
  const std::string config_text_;
  const WriterLogger logger_;
  const std::shared_ptr<EncodedStreams> streams_ = std::make_shared<EncodedStreams>();
  StreamEncoders encoders_;  // encode thread only, after Start

  // The frame queue has its own lock, held only to add or take one frame, so Push never waits
  // behind the encoder.
  std::mutex frames_mutex_;
  std::condition_variable frames_cv_;  // frames queued, input closed, or aborting
  std::deque<std::pair<IMFFramePtr, int64_t>> frames_;
  int64_t next_index_ = 0;
  std::atomic<bool> accepting_{false};
  std::atomic<bool> abort_{false};
  std::atomic<bool> key_frame_wanted_{false};

  mutable std::mutex mutex_;  // everything below
  std::condition_variable done_cv_;
  std::vector<std::shared_ptr<OutputSink>> sinks_;
  std::string failure_;
  bool thread_running_ = false;

  std::thread thread_;
};

}  // namespace vexto::media
