#include "engine/media/writer/encode_pipeline.h"

#include <algorithm>

#include "engine/media/core/engine_error.h"
#include "engine/media/writer/thread_guard.h"

namespace vexto::media {
namespace {

// Unexpected errors on this many frames in a row end the encode: it is not coming back.
constexpr int kUnexpectedErrorsInARow = 30;

}  // namespace

EncodePipeline::EncodePipeline(StreamConfig config, WriterLogger logger)
    : config_(std::move(config)),
      config_text_(RenderStreamConfig(config_)),
      logger_(std::move(logger)) {}

EncodePipeline::~EncodePipeline() {
  if (thread_.joinable()) thread_.detach();
}

void EncodePipeline::Log(const std::string& line) {
  if (logger_) (void)GuardedCall([&] { logger_(line); });
}

std::string EncodePipeline::FailureReason() const {
  std::lock_guard lock(mutex_);
  return failure_;
}

void EncodePipeline::Start() {
  std::optional<std::string> error = GuardedCall([&] {
    encoders_.Open(config_, true);
    streams_->video.reset(avcodec_parameters_alloc());
    streams_->audio.reset(avcodec_parameters_alloc());
    if (!streams_->video || !streams_->audio ||
        avcodec_parameters_from_context(streams_->video.get(), encoders_.Video()) < 0 ||
        avcodec_parameters_from_context(streams_->audio.get(), encoders_.Audio()) < 0) {
      throw EngineError("sem memória para os parâmetros de saída");
    }
    streams_->video_tb = encoders_.Video()->time_base;
    streams_->audio_tb = encoders_.Audio()->time_base;
  });
  if (error) {
    FailAll(*error);
    Log("Streaming: falha — " + *error);
    return;
  }
  {
    std::lock_guard lock(mutex_);
    thread_running_ = true;
  }
  accepting_.store(true);
  auto self = shared_from_this();
  thread_ = std::thread([self] {
    NameThisThread("vexto-encode");
    self->EncodeLoop();
    std::lock_guard lock(self->mutex_);
    self->thread_running_ = false;
    self->done_cv_.notify_all();
  });
}

void EncodePipeline::Push(const IMFFramePtr& frame) {
  if (!accepting_.load() || abort_.load()) return;
  std::lock_guard lock(frames_mutex_);
  if (!accepting_.load()) return;
  const int64_t index = next_index_++;
  streams_->frames_pushed.fetch_add(1);
  if (frames_.size() >= kFrameQueueCapacity) {
    streams_->frames_dropped.fetch_add(1);
    return;
  }
  frames_.emplace_back(frame, index);
  frames_cv_.notify_one();
}

void EncodePipeline::Attach(const std::shared_ptr<OutputSink>& sink) {
  std::string failure;
  {
    std::lock_guard lock(mutex_);
    failure = failure_;
    if (failure.empty()) sinks_.push_back(sink);
  }
  if (!failure.empty()) {
    sink->Fail(failure);
    return;
  }
  key_frame_wanted_.store(true);
}

void EncodePipeline::Detach(const std::shared_ptr<OutputSink>& sink) {
  std::lock_guard lock(mutex_);
  std::erase(sinks_, sink);
}

void EncodePipeline::CloseInput() {
  std::lock_guard lock(frames_mutex_);
  accepting_.store(false);
  frames_cv_.notify_all();
}

void EncodePipeline::Abort() {
  abort_.store(true);
  std::lock_guard lock(frames_mutex_);  // orders the flag before the encoder's next check
  frames_cv_.notify_all();
}

bool EncodePipeline::FinishStop(std::chrono::steady_clock::time_point until) {
  bool done = false;
  {
    std::unique_lock lock(mutex_);
    done = done_cv_.wait_until(lock, until, [&] { return !thread_running_; });
  }
  if (thread_.joinable()) {
    if (done) {
      thread_.join();
    } else {
      thread_.detach();
    }
  }
  return done;
}

void EncodePipeline::FailAll(const std::string& reason) {
  std::vector<std::shared_ptr<OutputSink>> sinks;
  {
    std::lock_guard lock(mutex_);
    failure_ = reason;
    sinks.swap(sinks_);
  }
  for (const auto& sink : sinks) sink->Fail(reason);
  accepting_.store(false);
}

void EncodePipeline::EncodeLoop() {
  const PacketSink offer = [this](AVPacketPtr pkt) {
    std::lock_guard lock(mutex_);
    for (const auto& sink : sinks_) sink->Offer(pkt.get());
  };
  int64_t pushed = 0;
  int unexpected_in_a_row = 0;
  std::string last_unexpected;
  while (true) {
    std::pair<IMFFramePtr, int64_t> item;
    {
      std::unique_lock lock(frames_mutex_);
      frames_cv_.wait(lock,
                      [&] { return !frames_.empty() || !accepting_.load() || abort_.load(); });
      pushed = next_index_;
      if (abort_.load() || frames_.empty()) break;
      item = std::move(frames_.front());
      frames_.pop_front();
    }
    std::optional<std::string> failure;
    const std::optional<std::string> unexpected = GuardedCall([&] {
      try {
        encoders_.Encode(item.first.get(), item.second, offer, key_frame_wanted_.exchange(false));
      } catch (const EngineError& e) {
        failure = e.what();
      }
    });
    if (failure) {
      FailAll(*failure);
      Log("Streaming: falha — " + *failure);
      abort_.store(true);
      break;
    }
    if (!unexpected) {
      unexpected_in_a_row = 0;
      continue;
    }
    // Not an encoder's failure: this frame is lost (a picture gap, its sound silence), said
    // once, and the next frame is tried.
    streams_->frames_dropped.fetch_add(1);
    if (*unexpected != last_unexpected) {
      Log("Streaming: erro inesperado em vexto-encode — " + *unexpected);
      last_unexpected = *unexpected;
    }
    if (++unexpected_in_a_row >= kUnexpectedErrorsInARow) {
      FailAll("erro inesperado no codificador: " + *unexpected);
      abort_.store(true);
      break;
    }
  }
  if (!abort_.load()) {
    if (const auto error = GuardedCall([&] { encoders_.Flush(pushed, offer); })) {
      Log("Streaming: falha ao terminar a codificação — " + *error);
    }
  }
  {
    std::lock_guard lock(frames_mutex_);
    frames_.clear();
    accepting_.store(false);
  }
  std::lock_guard lock(mutex_);
  for (const auto& sink : sinks_) sink->CloseInput();
}

}  // namespace vexto::media
