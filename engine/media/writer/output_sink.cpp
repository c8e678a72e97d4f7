#include "engine/media/writer/output_sink.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "engine/media/core/media_types.h"
#include "engine/media/writer/failure_text.h"
#include "engine/media/writer/stream_encoders.h"
#include "engine/media/writer/thread_guard.h"

namespace vexto::media {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr milliseconds kConnectTimeout{10000};
constexpr milliseconds kWriteTimeout{5000};
constexpr milliseconds kTrailerTimeout{300};
constexpr double kFirstRetryDelay = 1.0;
constexpr double kLongestRetryDelay = 30.0;
constexpr size_t kMaxHeldAudio = 400;

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch())
      .count();
}

std::string SecondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", seconds);
  std::string out(text);
  std::replace(out.begin(), out.end(), '.', ',');  // Portuguese decimal comma
  return out;
}

bool IsVideo(const AVPacketPtr& p) {
  return p->stream_index == kVideoStream;
}

bool IsKey(const AVPacketPtr& p) {
  return IsVideo(p) && (p->flags & AV_PKT_FLAG_KEY);
}

}  // namespace

OutputSink::OutputSink(SinkOptions options, std::shared_ptr<EncodedStreams> streams)
    : options_(std::move(options)),
      streams_(std::move(streams)),
      where_(options_.network ? RedactedUrl(options_.url) : options_.url),
      pushed_at_start_(streams_->frames_pushed.load()),
      dropped_at_start_(streams_->frames_dropped.load()),
      muxer_(av_guess_format(options_.format.c_str(), nullptr, nullptr)) {}

OutputSink::~OutputSink() {
  // FinishStop joined or detached the thread; an output dropped without it lets it run out.
  if (thread_.joinable()) thread_.detach();
}

int OutputSink::Interrupt(void* opaque) {
  auto* self = static_cast<OutputSink*>(opaque);
  // A file is still closed properly after an abort (its trailer written); only its own
  // deadline interrupts it.
  if (self->abort_.load() && self->options_.network) return 1;
  if (NowNs() > self->io_deadline_ns_.load()) {
    self->deadline_hit_.store(true);
    return 1;
  }
  return 0;
}

void OutputSink::SetIoDeadline(milliseconds from_now) {
  deadline_hit_.store(false);
  io_deadline_ns_.store(NowNs() +
                        std::chrono::duration_cast<std::chrono::nanoseconds>(from_now).count());
}

std::string OutputSink::Prefix() const {
  const std::string what = options_.recording ? "Gravação" : "Streaming";
  return options_.name.empty() ? what : what + " (" + options_.name + ")";
}

void OutputSink::Log(const std::string& line) {
  if (!options_.logger) return;
  // A logger that throws loses its line, never the output.
  (void)GuardedCall([&] { options_.logger(line); });
}

void OutputSink::SetState(eWriterState state, const std::string& reason, double retry_s) {
  std::lock_guard lock(mutex_);
  if (status_.state == eWriterState::Failed || stopped_) return;  // only Stop leaves Failed
  status_.state = state;
  status_.reason = reason;
  status_.retry_delay_s = retry_s;
  retry_at_ = Clock::now() +
              std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(retry_s));
  if (state != eWriterState::Live) status_.bitrate_kbps = 0.0;
}

void OutputSink::Start() {
  if (muxer_ == nullptr) {
    Fail("formato '" + options_.format + "' não existe");
    return;
  }
  SetState(eWriterState::Connecting);
  {
    std::lock_guard lock(mutex_);
    thread_running_ = true;
  }
  auto self = shared_from_this();
  thread_ = std::thread([self] {
    NameThisThread(self->options_.recording ? "vexto-record" : "vexto-send");
    self->SendLoop();
    std::lock_guard lock(self->mutex_);
    self->thread_running_ = false;
    self->wake_cv_.notify_all();
  });
}

void OutputSink::Offer(const AVPacket* pkt) {
  if (abort_.load()) return;
  AVPacketPtr copy(av_packet_clone(pkt));  // a reference: the data is shared, not copied
  std::lock_guard lock(mutex_);
  if (input_closed_ || !copy) return;
  if (IsVideo(copy)) ++queued_video_;
  packets_.push_back(std::move(copy));
  if (queued_video_ > kMaxQueuedVideoPackets) {
    // Too slow for the program: the oldest packets go, up to the next key frame, so what is
    // sent next decodes cleanly.
    bool dropped_video = false;
    while (!packets_.empty() &&
           (queued_video_ > kMaxQueuedVideoPackets || !dropped_video || !IsKey(packets_.front()))) {
      if (IsVideo(packets_.front())) {
        --queued_video_;
        frames_dropped_.fetch_add(1);
        dropped_video = true;
      }
      packets_.pop_front();
    }
    need_key_ = true;
  }
  packets_cv_.notify_one();
}

void OutputSink::CloseInput() {
  std::lock_guard lock(mutex_);
  input_closed_ = true;
  packets_cv_.notify_all();
}

void OutputSink::Fail(const std::string& reason) {
  SetState(eWriterState::Failed, reason);
  Abort();
}

void OutputSink::BeginStop(bool close_input) {
  bool live = false;
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    if (close_input) input_closed_ = true;
    live = status_.state == eWriterState::Live;
    packets_cv_.notify_all();
    wake_cv_.notify_all();
  }
  if (!live) Abort();
}

void OutputSink::Abort() {
  abort_.store(true);
  std::lock_guard lock(mutex_);  // orders the flag before any waiter's next check
  packets_cv_.notify_all();
  wake_cv_.notify_all();
}

bool OutputSink::FinishStop(Clock::time_point until) {
  bool done = false;
  {
    std::unique_lock lock(mutex_);
    done = wake_cv_.wait_until(lock, until, [&] { return !thread_running_; });
  }
  if (thread_.joinable()) {
    if (done) {
      thread_.join();
    } else {
      thread_.detach();
    }
  }
  std::lock_guard lock(mutex_);
  stopped_ = true;
  // Whatever was pushed and not sent is dropped: the counts add up to the frames pushed.
  const int64_t pushed = streams_->frames_pushed.load() - pushed_at_start_;
  frames_dropped_.store(std::max<int64_t>(0, pushed - frames_sent_.load()));
  status_.state = eWriterState::Stopped;
  status_.reason.clear();
  status_.bitrate_kbps = 0.0;
  status_.retry_delay_s = 0.0;
  return done;
}

void OutputSink::ReconnectNow() {
  std::lock_guard lock(mutex_);
  reconnect_now_ = true;
  wake_cv_.notify_all();
}

WriterStatus OutputSink::Status() const {
  WriterStatus status;
  bool stopped = false;
  {
    std::lock_guard lock(mutex_);
    status = status_;
    stopped = stopped_;
    if (status.state == eWriterState::Retrying) {
      status.retry_in_s =
          std::max(0.0, std::chrono::duration<double>(retry_at_ - Clock::now()).count());
    }
  }
  status.frames_sent = frames_sent_.load();
  status.frames_dropped = frames_dropped_.load();
  status.frames_dropped_by_encode = streams_->frames_dropped.load() - dropped_at_start_;
  if (!stopped) status.frames_dropped += status.frames_dropped_by_encode;
  return status;
}

void OutputSink::SendLoop() {
  double delay = kFirstRetryDelay;
  while (!abort_.load()) {
    SetState(eWriterState::Connecting);
    ConnectionEnd end;
    if (const auto error = GuardedCall([&] { end = RunConnection(); })) {
      // Not a failure the connection knows: said once like any other and retried.
      end = {};
      end.reason = "erro inesperado em " +
                   std::string(options_.recording ? "vexto-record" : "vexto-send") + ": " + *error;
    }
    if (end.finished || abort_.load()) break;
    if (end.was_live && options_.network) {
      delay = kFirstRetryDelay;
      down_since_ = Clock::now();
      Log(Prefix() + ": conexão perdida com " + where_ + " — " + end.reason);
      last_logged_failure_ = end.reason;
    } else if (end.reason != last_logged_failure_ || end.was_live) {
      if (!failing_) down_since_ = Clock::now();
      Log(Prefix() + ": falha em " + where_ + " — " + end.reason);
      last_logged_failure_ = end.reason;
    }
    failing_ = true;
    {
      std::lock_guard lock(mutex_);
      if (stopping_) break;
    }
    if (!options_.keep_retrying || !options_.network) {
      SetState(eWriterState::Failed, end.reason);
      Abort();
      break;
    }
    SetState(eWriterState::Retrying, end.reason, delay);
    const auto until = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                          std::chrono::duration<double>(delay));
    {
      std::unique_lock lock(mutex_);
      wake_cv_.wait_until(lock, until,
                          [&] { return stopping_ || reconnect_now_ || abort_.load(); });
      if (stopping_ || abort_.load()) break;
      if (reconnect_now_) delay = kFirstRetryDelay / 2;  // the operator asked: start over
      reconnect_now_ = false;
    }
    delay = std::min(delay * 2, kLongestRetryDelay);
  }
}

void OutputSink::MarkLive() {
  SetState(eWriterState::Live);
  if (failing_) {
    const double outage = std::chrono::duration<double>(Clock::now() - down_since_).count();
    Log(Prefix() + ": conectado de novo a " + where_ + " depois de " + SecondsText(outage) +
        " s fora do ar");
    failing_ = false;
    last_logged_failure_.clear();
  }
}

OutputSink::ConnectionEnd OutputSink::RunConnection() {
  ConnectionEnd end;
  AVFormatOutputPtr ctx = OpenConnection(end);
  if (!ctx) return end;
  end.was_live = true;
  MarkLive();
  switch (SendPackets(ctx.get(), end)) {
    case eSendEnd::Drained:
      FinishConnection(ctx.get(), end);
      break;
    case eSendEnd::Aborted:
      if (!options_.network) FinishConnection(ctx.get(), end);  // a file keeps what it has
      break;
    case eSendEnd::Failed:
      break;
  }
  return end;
}

AVFormatOutputPtr OutputSink::OpenConnection(ConnectionEnd& end) {
  const bool network = options_.network;
  if (network) {
    if (auto dns = CheckHostResolves(options_.url)) {
      end.reason = *dns;
      return nullptr;
    }
  }
  AVFormatContext* raw = nullptr;
  int ret = avformat_alloc_output_context2(&raw, muxer_, nullptr, options_.url.c_str());
  AVFormatOutputPtr ctx(raw);
  if (ret < 0 || !ctx) {
    end.reason = DescribeOutputFailure(eOutputStage::Connect, ret, false, options_.url, network);
    return nullptr;
  }
  ctx->interrupt_callback = {&OutputSink::Interrupt, this};
  AVStream* vs = avformat_new_stream(ctx.get(), nullptr);
  AVStream* as = avformat_new_stream(ctx.get(), nullptr);
  if (vs == nullptr || as == nullptr ||
      avcodec_parameters_copy(vs->codecpar, streams_->video.get()) < 0 ||
      avcodec_parameters_copy(as->codecpar, streams_->audio.get()) < 0) {
    end.reason = "sem memória para a saída";
    return nullptr;
  }
  vs->time_base = streams_->video_tb;
  vs->avg_frame_rate = {kProgramRateNum, kProgramRateDen};
  vs->r_frame_rate = vs->avg_frame_rate;
  as->time_base = streams_->audio_tb;

  if (!(muxer_->flags & AVFMT_NOFILE)) {
    SetIoDeadline(kConnectTimeout);
    ret = avio_open2(&ctx->pb, options_.url.c_str(), AVIO_FLAG_WRITE, &ctx->interrupt_callback,
                     nullptr);
    if (ret < 0) {
      end.reason = DescribeOutputFailure(eOutputStage::Connect, ret, deadline_hit_.load(),
                                         options_.url, network);
      return nullptr;
    }
  }
  AVDictionaryOwner mux_options;
  if (options_.format == "flv") mux_options.Set("flvflags", "no_duration_filesize");
  if (options_.recording) {
    // Short clusters reach the disk as they close: a killed console loses about a second.
    mux_options.Set("cluster_time_limit", "1000");
    ctx->flags |= AVFMT_FLAG_FLUSH_PACKETS;
  }
  SetIoDeadline(kConnectTimeout);
  ret = avformat_write_header(ctx.get(), mux_options.Address());
  if (ret < 0) {
    end.reason = DescribeOutputFailure(eOutputStage::Header, ret, deadline_hit_.load(),
                                       options_.url, network);
    return nullptr;
  }
  return ctx;
}

void OutputSink::DropToNewestKeyFrame() {
  auto newest_key = packets_.end();
  for (auto it = packets_.begin(); it != packets_.end(); ++it) {
    if (IsKey(*it)) newest_key = it;
  }
  if (newest_key == packets_.end()) return;
  for (auto it = packets_.begin(); it != newest_key; ++it) {
    if (IsVideo(*it)) {
      --queued_video_;
      frames_dropped_.fetch_add(1);
    }
  }
  packets_.erase(packets_.begin(), newest_key);
}

OutputSink::eSendEnd OutputSink::SendPackets(AVFormatContext* ctx, ConnectionEnd& end) {
  // A new network connection starts at the newest queued key frame.
  if (options_.network) {
    std::lock_guard lock(mutex_);
    DropToNewestKeyFrame();
  }
  const AVRational video_tb = streams_->video_tb;
  const AVRational audio_tb = streams_->audio_tb;
  bool started = false;
  int64_t video_offset = 0;
  int64_t audio_offset = 0;
  std::vector<AVPacketPtr> held_audio;
  int64_t window_bytes = 0;
  auto window_start = Clock::now();

  auto write = [&](AVPacketPtr pkt) -> int {
    const bool video = IsVideo(pkt);
    const int64_t offset = video ? video_offset : audio_offset;
    if (pkt->pts != AV_NOPTS_VALUE) pkt->pts -= offset;
    if (pkt->dts != AV_NOPTS_VALUE) pkt->dts -= offset;
    av_packet_rescale_ts(pkt.get(), video ? video_tb : audio_tb,
                         ctx->streams[pkt->stream_index]->time_base);
    window_bytes += pkt->size;
    SetIoDeadline(kWriteTimeout);
    const int rc = av_interleaved_write_frame(ctx, pkt.get());
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
      packets_cv_.wait(lock, [&] { return !packets_.empty() || input_closed_ || abort_.load(); });
      if (abort_.load()) return eSendEnd::Aborted;
      if (packets_.empty()) return eSendEnd::Drained;  // input closed and everything is sent
      pkt = std::move(packets_.front());
      packets_.pop_front();
      if (IsVideo(pkt)) {
        --queued_video_;
        if (need_key_ && started) {
          if (!IsKey(pkt)) {
            frames_dropped_.fetch_add(1);
            continue;
          }
          need_key_ = false;
        }
      }
    }
    int ret = 0;
    if (!started) {
      if (!IsVideo(pkt)) {
        if (held_audio.size() < kMaxHeldAudio) held_audio.push_back(std::move(pkt));
        continue;
      }
      if (!(pkt->flags & AV_PKT_FLAG_KEY)) {
        frames_dropped_.fetch_add(1);
        continue;
      }
      started = true;
      {
        std::lock_guard lock(mutex_);
        need_key_ = false;
      }
      video_offset = pkt->pts;
      audio_offset = av_rescale_q(video_offset, video_tb, audio_tb);
      ret = write(std::move(pkt));
      for (AVPacketPtr& a : held_audio) {
        if (ret < 0) break;
        if (a->pts >= audio_offset) ret = write(std::move(a));
      }
      held_audio.clear();
    } else if (!IsVideo(pkt) && pkt->pts < audio_offset) {
      continue;
    } else {
      ret = write(std::move(pkt));
    }
    if (ret < 0) {
      if (abort_.load()) return eSendEnd::Aborted;
      end.reason = DescribeOutputFailure(eOutputStage::Send, ret, deadline_hit_.load(),
                                         options_.url, options_.network);
      return eSendEnd::Failed;
    }
  }
}

void OutputSink::FinishConnection(AVFormatContext* ctx, ConnectionEnd& end) {
  SetIoDeadline(kTrailerTimeout);
  const int ret = av_write_trailer(ctx);
  if (ret < 0 && !options_.network) {
    end.reason = DescribeOutputFailure(eOutputStage::Finish, ret, false, options_.url, false);
    Log(Prefix() + ": " + end.reason);
  }
  end.finished = true;
}

}  // namespace vexto::media
