#include "engine/media/writer/writer_session.h"

#include <algorithm>
#include <vector>

#include "engine/media/core/engine_error.h"
#include "engine/media/writer/failure_text.h"

namespace vexto::media {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kConnectTimeout{10000};
constexpr milliseconds kWriteTimeout{5000};
constexpr milliseconds kTrailerTimeout{300};
constexpr milliseconds kGracefulStop{700};
constexpr milliseconds kStopBudget{950};
constexpr double kFirstRetryDelay = 1.0;
constexpr double kLongestRetryDelay = 30.0;
constexpr size_t kMaxHeldAudio = 400;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

}  // namespace

WriterSession::WriterSession(SessionOptions options) : options_(std::move(options)) {}

WriterSession::~WriterSession() {
  // Stop joined or detached the threads; a session dropped without Stop lets them run out.
  if (encode_thread_.joinable()) encode_thread_.detach();
  if (send_thread_.joinable()) send_thread_.detach();
}

int WriterSession::Interrupt(void* opaque) {
  auto* self = static_cast<WriterSession*>(opaque);
  if (self->abort_.load()) return 1;
  if (NowNs() > self->io_deadline_ns_.load()) {
    self->deadline_hit_.store(true);
    return 1;
  }
  return 0;
}

void WriterSession::SetIoDeadline(milliseconds from_now) {
  deadline_hit_.store(false);
  io_deadline_ns_.store(NowNs() +
                        std::chrono::duration_cast<std::chrono::nanoseconds>(from_now).count());
}

void WriterSession::Log(const std::string& line) {
  if (options_.logger) options_.logger(line);
}

void WriterSession::SetState(eWriterState state, const std::string& reason, double retry_s) {
  std::lock_guard lock(mutex_);
  if (status_.state == eWriterState::Failed) return;  // only Stop leaves Failed
  status_.state = state;
  status_.reason = reason;
  status_.retry_delay_s = retry_s;
  if (state != eWriterState::Live) status_.bitrate_kbps = 0.0;
}

void WriterSession::Start() {
  muxer_ = av_guess_format(options_.config.format.c_str(), nullptr, nullptr);
  network_ = options_.url.find("://") != std::string::npos && !options_.url.starts_with("file:");
  try {
    if (muxer_ == nullptr) throw EngineError("formato '" + options_.config.format + "' não existe");
    encoders_.Open(options_.config, (muxer_->flags & AVFMT_GLOBALHEADER) != 0);
    video_params_.reset(avcodec_parameters_alloc());
    audio_params_.reset(avcodec_parameters_alloc());
    if (!video_params_ || !audio_params_ ||
        avcodec_parameters_from_context(video_params_.get(), encoders_.Video()) < 0 ||
        avcodec_parameters_from_context(audio_params_.get(), encoders_.Audio()) < 0) {
      throw EngineError("sem memória para os parâmetros de saída");
    }
    video_tb_ = encoders_.Video()->time_base;
    audio_tb_ = encoders_.Audio()->time_base;
  } catch (const EngineError& e) {
    SetState(eWriterState::Failed, e.what());
    abort_.store(true);
    Log(std::string("Streaming: falha — ") + e.what());
    return;
  }
  SetState(eWriterState::Connecting);
  {
    std::lock_guard lock(mutex_);
    threads_running_ = 2;
  }
  accepting_.store(true);
  auto self = shared_from_this();
  encode_thread_ = std::thread([self] { self->EncodeLoop(); });
  send_thread_ = std::thread([self] { self->SendLoop(); });
}

void WriterSession::Push(const IMFFramePtr& frame) {
  if (!accepting_.load() || abort_.load()) return;
  std::lock_guard lock(frames_mutex_);
  if (!accepting_.load()) return;
  const int64_t index = next_index_++;
  if (frames_.size() >= kFrameQueueCapacity) {
    frames_dropped_.fetch_add(1);
    return;
  }
  frames_.emplace_back(frame, index);
  frames_cv_.notify_one();
}

void WriterSession::Stop() {
  const auto start = Clock::now();
  bool live = false;
  {
    std::lock_guard lock(frames_mutex_);
    accepting_.store(false);
  }
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    live = status_.state == eWriterState::Live;
  }
  if (!live) Abort();
  frames_cv_.notify_all();
  packets_cv_.notify_all();
  wake_cv_.notify_all();
  bool done = false;
  {
    std::unique_lock lock(mutex_);
    done = wake_cv_.wait_until(lock, start + kGracefulStop, [&] { return threads_running_ == 0; });
  }
  if (!done) {
    Abort();
    std::unique_lock lock(mutex_);
    done = wake_cv_.wait_until(lock, start + kStopBudget, [&] { return threads_running_ == 0; });
  }
  if (done) {
    if (encode_thread_.joinable()) encode_thread_.join();
    if (send_thread_.joinable()) send_thread_.join();
  } else {
    if (encode_thread_.joinable()) encode_thread_.detach();
    if (send_thread_.joinable()) send_thread_.detach();
  }
  std::lock_guard lock(mutex_);
  status_.state = eWriterState::Stopped;
  status_.reason.clear();
  status_.bitrate_kbps = 0.0;
  status_.retry_delay_s = 0.0;
}

WriterStatus WriterSession::Status() const {
  WriterStatus status;
  {
    std::lock_guard lock(mutex_);
    status = status_;
  }
  status.frames_sent = frames_sent_.load();
  status.frames_dropped = frames_dropped_.load();
  return status;
}

void WriterSession::Abort() {
  abort_.store(true);
  // Taking each lock once orders the flag before any waiter's next check.
  { std::lock_guard lock(frames_mutex_); }
  { std::lock_guard lock(mutex_); }
  frames_cv_.notify_all();
  packets_cv_.notify_all();
  wake_cv_.notify_all();
}

void WriterSession::ThreadDone() {
  std::lock_guard lock(mutex_);
  --threads_running_;
  wake_cv_.notify_all();
}

void WriterSession::QueuePacket(AVPacketPtr pkt) {
  std::lock_guard lock(mutex_);
  if (pkt->stream_index == kVideoStream) ++queued_video_;
  packets_.push_back(std::move(pkt));
  while (queued_video_ > kMaxQueuedVideoPackets && !packets_.empty()) {
    if (packets_.front()->stream_index == kVideoStream) {
      --queued_video_;
      frames_dropped_.fetch_add(1);
    }
    packets_.pop_front();
  }
  packets_cv_.notify_one();
}

void WriterSession::EncodeLoop() {
  const PacketSink sink = [this](AVPacketPtr pkt) { QueuePacket(std::move(pkt)); };
  try {
    int64_t pushed = 0;
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
      encoders_.Encode(item.first.get(), item.second, sink);
    }
    if (!abort_.load()) encoders_.Flush(pushed, sink);
  } catch (const EngineError& e) {
    SetState(eWriterState::Failed, e.what());
    Log(std::string("Streaming: falha — ") + e.what());
    Abort();
  }
  {
    std::lock_guard lock(frames_mutex_);
    frames_.clear();
  }
  {
    std::lock_guard lock(mutex_);
    encoder_done_ = true;
  }
  packets_cv_.notify_all();
  ThreadDone();
}

void WriterSession::SendLoop() {
  double delay = kFirstRetryDelay;
  const std::string where = RedactedUrl(options_.url);
  while (!abort_.load()) {
    SetState(eWriterState::Connecting);
    const ConnectionEnd end = RunConnection();
    if (end.finished || abort_.load()) break;
    if (end.was_live) delay = kFirstRetryDelay;
    if (end.reason != last_logged_failure_) {
      Log("Streaming: falha em " + where + " — " + end.reason);
      last_logged_failure_ = end.reason;
    }
    failing_ = true;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) break;
    }
    if (!options_.keep_retrying || !network_) {
      SetState(eWriterState::Failed, end.reason);
      Abort();
      break;
    }
    SetState(eWriterState::Retrying, end.reason, delay);
    const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(delay));
    {
      std::unique_lock lock(mutex_);
      wake_cv_.wait_until(lock, until, [&] { return stopping_ || abort_.load(); });
      if (stopping_ || abort_.load()) break;
    }
    delay = std::min(delay * 2, kLongestRetryDelay);
  }
  ThreadDone();
}

WriterSession::ConnectionEnd WriterSession::RunConnection() {
  ConnectionEnd end;
  if (network_) {
    if (auto dns = CheckHostResolves(options_.url)) {
      end.reason = *dns;
      return end;
    }
  }
  AVFormatContext* raw = nullptr;
  int ret = avformat_alloc_output_context2(&raw, muxer_, nullptr, options_.url.c_str());
  AVFormatOutputPtr ctx(raw);
  if (ret < 0 || !ctx) {
    end.reason = DescribeOutputFailure(eOutputStage::Connect, ret, false, options_.url, network_);
    return end;
  }
  ctx->interrupt_callback = {&WriterSession::Interrupt, this};
  AVStream* vs = avformat_new_stream(ctx.get(), nullptr);
  AVStream* as = avformat_new_stream(ctx.get(), nullptr);
  if (vs == nullptr || as == nullptr ||
      avcodec_parameters_copy(vs->codecpar, video_params_.get()) < 0 ||
      avcodec_parameters_copy(as->codecpar, audio_params_.get()) < 0) {
    end.reason = "sem memória para a saída";
    return end;
  }
  vs->time_base = video_tb_;
  vs->avg_frame_rate = {kProgramRateNum, kProgramRateDen};
  vs->r_frame_rate = vs->avg_frame_rate;
  as->time_base = audio_tb_;

  if (!(muxer_->flags & AVFMT_NOFILE)) {
    SetIoDeadline(kConnectTimeout);
    ret = avio_open2(&ctx->pb, options_.url.c_str(), AVIO_FLAG_WRITE, &ctx->interrupt_callback,
                     nullptr);
    if (ret < 0) {
      end.reason = DescribeOutputFailure(eOutputStage::Connect, ret, deadline_hit_.load(),
                                         options_.url, network_);
      return end;
    }
  }
  AVDictionaryOwner mux_options;
  if (options_.config.format == "flv") mux_options.Set("flvflags", "no_duration_filesize");
  SetIoDeadline(kConnectTimeout);
  ret = avformat_write_header(ctx.get(), mux_options.Address());
  if (ret < 0) {
    end.reason = DescribeOutputFailure(eOutputStage::Header, ret, deadline_hit_.load(),
                                       options_.url, network_);
    return end;
  }
  end.was_live = true;
  SetState(eWriterState::Live);
  if (failing_) {
    Log("Streaming: conectado de novo a " + RedactedUrl(options_.url));
    failing_ = false;
    last_logged_failure_.clear();
  }

  // A new connection starts at the newest queued key frame (live outputs).
  if (network_) {
    std::lock_guard lock(mutex_);
    auto newest_key = packets_.end();
    for (auto it = packets_.begin(); it != packets_.end(); ++it) {
      if ((*it)->stream_index == kVideoStream && ((*it)->flags & AV_PKT_FLAG_KEY)) newest_key = it;
    }
    if (newest_key != packets_.end()) {
      for (auto it = packets_.begin(); it != newest_key; ++it) {
        if ((*it)->stream_index == kVideoStream) {
          --queued_video_;
          frames_dropped_.fetch_add(1);
        }
      }
      packets_.erase(packets_.begin(), newest_key);
    }
  }

  bool started = false;
  int64_t video_offset = 0;
  int64_t audio_offset = 0;
  std::vector<AVPacketPtr> held_audio;
  int64_t window_bytes = 0;
  auto window_start = Clock::now();

  auto write = [&](AVPacketPtr pkt) -> int {
    const bool video = pkt->stream_index == kVideoStream;
    const int64_t offset = video ? video_offset : audio_offset;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= offset;
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts -= offset;
    av_packet_rescale_ts(pkt.get(), video ? video_tb_ : audio_tb_,
                         ctx->streams[pkt->stream_index]->time_base);
    window_bytes += pkt->size;
    SetIoDeadline(kWriteTimeout);
    const int rc = av_interleaved_write_frame(ctx.get(), pkt.get());
    if (rc >= 0) {
      if (video) frames_sent_.fetch_add(1);
      std::lock_guard lock(mutex_);
      const double seconds = std::chrono::duration<double>(Clock::now() - window_start).count();
      if (seconds >= 1.0) {
        status_.bitrate_kbps = window_bytes * 8.0 / seconds / 1000.0;
        window_bytes = 0;
        window_start = Clock::now();
      }
    }
    return rc;
  };

  while (true) {
    AVPacketPtr pkt;
    {
      std::unique_lock lock(mutex_);
      packets_cv_.wait(lock, [&] { return !packets_.empty() || encoder_done_ || abort_.load(); });
      if (abort_.load()) return end;
      if (packets_.empty()) break;  // encoder finished and everything is sent
      pkt = std::move(packets_.front());
      packets_.pop_front();
      if (pkt->stream_index == kVideoStream) --queued_video_;
    }
    if (!started) {
      if (pkt->stream_index == kAudioStream) {
        if (held_audio.size() < kMaxHeldAudio) held_audio.push_back(std::move(pkt));
        continue;
      }
      if (!(pkt->flags & AV_PKT_FLAG_KEY)) {
        frames_dropped_.fetch_add(1);
        continue;
      }
      started = true;
      video_offset = pkt->pts;
      audio_offset = av_rescale_q(video_offset, video_tb_, audio_tb_);
      ret = write(std::move(pkt));
      for (AVPacketPtr& a : held_audio) {
        if (ret < 0) break;
        if (a->pts >= audio_offset) ret = write(std::move(a));
      }
      held_audio.clear();
    } else if (pkt->stream_index == kAudioStream && pkt->pts < audio_offset) {
      continue;
    } else {
      ret = write(std::move(pkt));
    }
    if (ret < 0) {
      if (abort_.load()) return end;
      end.reason = DescribeOutputFailure(eOutputStage::Send, ret, deadline_hit_.load(),
                                         options_.url, network_);
      return end;
    }
  }
  SetIoDeadline(kTrailerTimeout);
  ret = av_write_trailer(ctx.get());
  if (ret < 0 && !network_) {
    end.reason = DescribeOutputFailure(eOutputStage::Finish, ret, false, options_.url, network_);
    Log("Streaming: " + end.reason);
  }
  end.finished = true;
  return end;
}

}  // namespace vexto::media
