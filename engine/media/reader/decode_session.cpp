#include "engine/media/reader/decode_session.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/media/core/media_types.h"
#include "engine/media/reader/audio_fifo.h"
#include "engine/media/reader/program_timeline.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vexto::media {
namespace {

// A source picture covers a program frame's time when it starts no later than 1 ms after it
// (containers with millisecond time stamps round frame times by up to half a millisecond).
constexpr double kCoverTolerance = 0.001;
// Decoded pictures waiting for their sound before the sound is given up as missing (a badly
// interleaved file); and the sound held while waiting for pictures, in samples.
constexpr size_t kMaxVideoAhead = 24;
constexpr size_t kMaxAudioAhead = 10 * kAudioSampleRate;
// A jump in the sound's time stamps larger than this is a gap, filled with silence.
constexpr int64_t kAudioGapSamples = kAudioSampleRate / 20;
// Decoder threads for the picture (0: as many as FFmpeg sees fit for the machine's cores).
// Under ThreadSanitizer the decoder runs on the decode thread alone: FFmpeg's own threads hand
// buffers over through atomics in code that is not instrumented, which the sanitizer cannot
// follow; the reader's own threads are checked all the same.
#if defined(__SANITIZE_THREAD__)
constexpr int kVideoDecoderThreads = 1;
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
constexpr int kVideoDecoderThreads = 1;
#else
constexpr int kVideoDecoderThreads = 0;
#endif
#else
constexpr int kVideoDecoderThreads = 0;
#endif

int InterruptCallback(void* opaque) {
  return static_cast<std::atomic<bool>*>(opaque)->load(std::memory_order_relaxed) ? 1 : 0;
}

double Seconds(int64_t ts, AVRational tb) {
  return static_cast<double>(ts) * av_q2d(tb);
}

AVCodecContextPtr OpenDecoder(const AVStream* stream, int threads) {
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (codec == nullptr) return nullptr;
  AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) return nullptr;
  if (avcodec_parameters_to_context(ctx.get(), stream->codecpar) < 0) return nullptr;
  ctx->pkt_timebase = stream->time_base;
  ctx->thread_count = threads;
  if (threads != 1) ctx->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return nullptr;
  return ctx;
}

}  // namespace

// The decoding state of one session; every member is touched by the worker thread only
// (after the opening thread hands it over by starting that thread).
class DecodeWorker {
 public:
  explicit DecodeWorker(DecodeSession& session) : s_(session) {}

  bool Open(const std::string& path);
  void Run();

 private:
  struct DecodedPicture {
    double t = 0.0;  // media seconds
    AVFramePtr frame;
  };

  void BeginEpoch(uint64_t epoch, int64_t target);
  void LearnPictureShift();
  void RetrySeek();
  void SetPictureShift(double t);
  void SeekTo(int64_t target, double backoff_seconds);
  bool TryEmit();
  bool Feed();
  void Decode(AVCodecContext* ctx, const AVPacket* packet, bool video);
  void OnVideoFrame(AVFrame* frame);
  void OnAudioFrame(const AVFrame* frame);
  bool EnsureResampler(const AVFrame* frame);
  void Push(ProgramFrame frame);
  void MarkDone();

  DecodeSession& s_;
  AVFormatInputPtr fmt_;
  AVCodecContextPtr vdec_;
  AVCodecContextPtr adec_;
  int vindex_ = -1;
  int aindex_ = -1;
  AVRational vtb_{1, 1};
  AVRational atb_{1, 1};
  double origin_ = 0.0;              // media time 0, in seconds of the container's clock
  double frame_seconds_ = 1.0 / 30;  // one source picture, when time stamps are missing
  // Media time 0 shows the first picture: its time stamp from the start of the file, when
  // the container's start time misses it (decoder delay in files without presentation times).
  double picture_shift_ = 0.0;
  bool shift_known_ = false;
  int64_t container_last_ = -1;  // last program frame by the container's duration

  AVPacketPtr packet_ = MakeAVPacket();
  AVFramePtr decoded_ = MakeAVFrame();

  SwrContextPtr swr_;
  int swr_rate_ = 0;
  int swr_format_ = -1;
  AVChannelLayout swr_layout_{};
  std::vector<int16_t> convert_buffer_;

  // Epoch state.
  uint64_t epoch_ = UINT64_MAX;
  int64_t next_ = 0;    // next program frame to make
  int64_t target_ = 0;  // first program frame of the epoch
  bool finished_ = false;
  bool at_start_ = true;  // the demuxer has not moved since open
  bool demux_eof_ = false;
  bool video_eof_ = false;
  bool audio_eof_ = false;
  bool verify_seek_ = false;
  int seek_attempts_ = 0;
  uint64_t seek_serial_ = 0;  // counts demuxer seeks
  std::deque<DecodedPicture> pictures_;
  AVFramePtr current_picture_;
  double last_picture_t_ = -1.0;
  double content_end_ = -1.0;  // end of the data decoded in this epoch, media seconds
  AudioFifo fifo_;
};

bool DecodeWorker::Open(const std::string& path) {
  AVFormatContext* raw = avformat_alloc_context();
  if (raw == nullptr) return false;
  raw->interrupt_callback.callback = &InterruptCallback;
  raw->interrupt_callback.opaque = &s_.stop_;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return false;
  fmt_.reset(raw);
  if (avformat_find_stream_info(fmt_.get(), nullptr) < 0) return false;

  int v = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (v >= 0 && (fmt_->streams[v]->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) v = -1;
  if (v >= 0) {
    vdec_ = OpenDecoder(fmt_->streams[v], kVideoDecoderThreads);
    if (vdec_ && vdec_->width > 0 && vdec_->height > 0)
      vindex_ = v;
    else
      vdec_.reset();
  }
  const int a = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_AUDIO, -1, v, nullptr, 0);
  if (a >= 0) {
    adec_ = OpenDecoder(fmt_->streams[a], 1);
    if (adec_ && adec_->sample_rate > 0 && adec_->ch_layout.nb_channels > 0)
      aindex_ = a;
    else
      adec_.reset();
  }
  if (vindex_ < 0 && aindex_ < 0) return false;
  for (unsigned i = 0; i < fmt_->nb_streams; ++i) {
    if (static_cast<int>(i) != vindex_ && static_cast<int>(i) != aindex_) {
      fmt_->streams[i]->discard = AVDISCARD_ALL;
    }
  }

  const AVStream* main = fmt_->streams[vindex_ >= 0 ? vindex_ : aindex_];
  if (main->start_time != AV_NOPTS_VALUE) {
    origin_ = Seconds(main->start_time, main->time_base);
  } else if (fmt_->start_time != AV_NOPTS_VALUE) {
    origin_ = static_cast<double>(fmt_->start_time) / AV_TIME_BASE;
  }

  double duration = 0.0;
  if (fmt_->duration != AV_NOPTS_VALUE && fmt_->duration > 0) {
    duration = static_cast<double>(fmt_->duration) / AV_TIME_BASE;
  } else {
    for (int idx : {vindex_, aindex_}) {
      if (idx < 0) continue;
      const AVStream* st = fmt_->streams[idx];
      if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
        duration = std::max(duration, Seconds(st->duration, st->time_base));
      }
    }
  }
  if (!std::isfinite(duration) || duration < 0.0) duration = 0.0;
  s_.duration_seconds_ = duration;
  container_last_ = LastProgramFrameFor(duration);
  s_.last_index_.store(container_last_, std::memory_order_release);

  if (vindex_ >= 0) {
    const AVStream* st = fmt_->streams[vindex_];
    vtb_ = st->time_base;
    AVRational rate = st->avg_frame_rate.num > 0 ? st->avg_frame_rate : st->r_frame_rate;
    if (rate.num > 0 && rate.den > 0) {
      s_.source_rate_ = av_q2d(rate);
      if (s_.source_rate_ > 1.0 && s_.source_rate_ < 1000.0) frame_seconds_ = 1.0 / s_.source_rate_;
    }
    s_.width_ = vdec_->width;
    s_.height_ = vdec_->height;
    s_.has_video_ = true;
  }
  if (aindex_ >= 0) {
    atb_ = fmt_->streams[aindex_]->time_base;
    s_.has_audio_ = true;
  }
  return packet_ && decoded_;
}

void DecodeWorker::Run() {
  for (;;) {
    {
      std::unique_lock lock(s_.mutex_);
      s_.work_cv_.wait(lock, [&] {
        return s_.stop_.load(std::memory_order_relaxed) || s_.requested_epoch_ != epoch_ ||
               (!finished_ && s_.queue_.size() < DecodeSession::kQueueDepth);
      });
      if (s_.stop_.load(std::memory_order_relaxed)) return;
      if (s_.requested_epoch_ != epoch_) {
        const uint64_t epoch = s_.requested_epoch_;
        const int64_t target = s_.requested_index_;
        lock.unlock();
        BeginEpoch(epoch, target);
        continue;
      }
    }
    if (TryEmit()) continue;
    if (!Feed()) {
      // Everything is decoded; TryEmit has made the last frame or there is none.
      if (!finished_ && !TryEmit()) MarkDone();
    }
  }
}

void DecodeWorker::BeginEpoch(uint64_t epoch, int64_t target) {
  epoch_ = epoch;
  seek_attempts_ = 0;
  if (at_start_ && target == 0) {
    // Opening position: decode from where the demuxer stands.
    target_ = 0;
    next_ = 0;
    finished_ = false;
    at_start_ = false;
    return;
  }
  if (!shift_known_) LearnPictureShift();
  at_start_ = false;
  SeekTo(target, 0.0);
}

// Decodes the first picture of the file to learn where it starts (seek requests can come
// before normal play has decoded it). Leaves the demuxer anywhere; SeekTo follows.
void DecodeWorker::LearnPictureShift() {
  shift_known_ = true;
  if (vindex_ < 0) return;
  if (!at_start_) {
    const AVStream* st = fmt_->streams[vindex_];
    const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    if (av_seek_frame(fmt_.get(), vindex_, start, AVSEEK_FLAG_BACKWARD) < 0) return;
    avcodec_flush_buffers(vdec_.get());
  }
  for (int packets = 0; packets < 500 && !s_.stop_.load(std::memory_order_relaxed); ++packets) {
    const bool eof = av_read_frame(fmt_.get(), packet_.get()) < 0;
    if (!eof && packet_->stream_index != vindex_) {
      av_packet_unref(packet_.get());
      continue;
    }
    avcodec_send_packet(vdec_.get(), eof ? nullptr : packet_.get());
    av_packet_unref(packet_.get());
    if (avcodec_receive_frame(vdec_.get(), decoded_.get()) == 0) {
      if (decoded_->best_effort_timestamp != AV_NOPTS_VALUE) {
        SetPictureShift(Seconds(decoded_->best_effort_timestamp, vtb_) - origin_);
      }
      av_frame_unref(decoded_.get());
      break;
    }
    if (eof) break;
  }
  avcodec_flush_buffers(vdec_.get());
}

void DecodeWorker::RetrySeek() {
  const int attempts = ++seek_attempts_;
  const double target_t = ProgramFrameSeconds(target_);
  SeekTo(target_, attempts == 1 ? 1.0 : attempts == 2 ? 4.0 : target_t + 1.0);
}

void DecodeWorker::SetPictureShift(double t) {
  shift_known_ = true;
  // Only a small offset is a decoder delay; a real late start stays as it is.
  picture_shift_ = std::fabs(t) < 0.5 ? t : 0.0;
}

void DecodeWorker::SeekTo(int64_t target, double backoff_seconds) {
  ++seek_serial_;
  target_ = target;
  next_ = target;
  finished_ = false;
  demux_eof_ = video_eof_ = audio_eof_ = false;
  pictures_.clear();
  current_picture_.reset();
  last_picture_t_ = -1.0;
  content_end_ = -1.0;
  fifo_.Reset(0);
  fifo_.SetAnchored(false);
  swr_.reset();
  swr_rate_ = 0;

  const int index = vindex_ >= 0 ? vindex_ : aindex_;
  const AVStream* st = fmt_->streams[index];
  const double t = ProgramFrameSeconds(target) - backoff_seconds;
  int r = -1;
  if (t > 0.0) {
    const double shift = index == vindex_ ? picture_shift_ : 0.0;
    const auto ts = static_cast<int64_t>(std::floor((t + origin_ + shift) / av_q2d(st->time_base)));
    r = av_seek_frame(fmt_.get(), index, ts, AVSEEK_FLAG_BACKWARD);
  }
  if (r < 0) {
    // The start of the media (or a seek the demuxer could not do by time stamp).
    const int64_t start = st->start_time != AV_NOPTS_VALUE ? st->start_time : 0;
    r = av_seek_frame(fmt_.get(), index, start, AVSEEK_FLAG_BACKWARD);
    if (r < 0) r = av_seek_frame(fmt_.get(), -1, 0, AVSEEK_FLAG_BYTE);
    if (r < 0) r = avformat_seek_file(fmt_.get(), -1, INT64_MIN, 0, INT64_MAX, 0);
  }
  if (vdec_) avcodec_flush_buffers(vdec_.get());
  if (adec_) avcodec_flush_buffers(adec_.get());
  verify_seek_ = vindex_ >= 0 && t > 0.0;
}

// Makes program frame next_ when the decoded data allows it. Returns true when it made one.
bool DecodeWorker::TryEmit() {
  if (finished_) return false;
  const bool all_eof = demux_eof_ && video_eof_ && audio_eof_;
  int64_t eof_last = -1;
  if (all_eof) {
    eof_last = LastProgramFrameFor(content_end_);
    if (container_last_ >= 0 && eof_last > container_last_) eof_last = container_last_;
    if (next_ > target_) {
      // Frames of this epoch went out already: the one being made now closes the media, so
      // the end is flagged exactly once.
      eof_last = std::max(eof_last, next_);
    } else if (eof_last < 0) {
      return false;  // nothing decodable: the worker marks the epoch done
    } else if (next_ > eof_last) {
      next_ = eof_last;  // a target past the end gives the last frame
    }
  }
  const int64_t k = next_;
  const double t = ProgramFrameSeconds(k);

  bool video_ready = true;
  if (vindex_ >= 0) {
    while (!pictures_.empty() && pictures_.front().t <= t + kCoverTolerance) {
      current_picture_ = std::move(pictures_.front().frame);
      pictures_.pop_front();
    }
    video_ready = video_eof_ || !pictures_.empty();
  }
  bool audio_ready = true;
  if (aindex_ >= 0) {
    audio_ready =
        audio_eof_ || fifo_.End() >= SamplesBefore(k + 1) || pictures_.size() >= kMaxVideoAhead;
    if (!video_ready && fifo_.Frames() > kMaxAudioAhead) video_ready = true;
  }
  if (!video_ready || !audio_ready) return false;

  const bool last = (container_last_ >= 0 && k >= container_last_) || (all_eof && k >= eof_last);
  ProgramFrame out;
  out.epoch = epoch_;
  out.index = k;
  out.last = last;
  if (vindex_ >= 0) {
    const AVFrame* picture = current_picture_.get();
    if (picture == nullptr && !pictures_.empty()) picture = pictures_.front().frame.get();
    out.video = RefAVFrame(picture);
  }
  fifo_.Extract(SamplesBefore(k), SamplesBefore(k + 1), out.audio);
  ++next_;
  if (last) {
    s_.last_index_.store(k, std::memory_order_release);
    finished_ = true;
  }
  Push(std::move(out));
  if (last) MarkDone();
  return true;
}

// Reads and decodes one packet (or drains the decoders at the end of the data). Returns false
// when there is nothing more to decode.
bool DecodeWorker::Feed() {
  if (demux_eof_) return false;
  const int r = av_read_frame(fmt_.get(), packet_.get());
  if (r == AVERROR(EAGAIN)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return true;
  }
  if (r < 0) {
    // End of the data, a read error or a damaged file: finish with what was decoded.
    demux_eof_ = true;
    const uint64_t serial = seek_serial_;
    if (vdec_) Decode(vdec_.get(), nullptr, true);
    if (adec_ && serial == seek_serial_) Decode(adec_.get(), nullptr, false);
    // A seek made while draining (a retried seek) starts over: not the end.
    if (serial != seek_serial_) return true;
    if (verify_seek_ && seek_attempts_ < 3) {
      // The demuxer landed where no picture follows (a seek by time stamp into the last GOP of
      // a stream without an index): go back further.
      RetrySeek();
      return true;
    }
    video_eof_ = audio_eof_ = true;
    return true;
  }
  if (packet_->stream_index == vindex_) {
    Decode(vdec_.get(), packet_.get(), true);
  } else if (packet_->stream_index == aindex_) {
    Decode(adec_.get(), packet_.get(), false);
  }
  av_packet_unref(packet_.get());
  return true;
}

void DecodeWorker::Decode(AVCodecContext* ctx, const AVPacket* packet, bool video) {
  int r = avcodec_send_packet(ctx, packet);
  for (int round = 0; round < 2; ++round) {
    // Damaged data is skipped: a failed send or receive only loses that packet's frames.
    while (avcodec_receive_frame(ctx, decoded_.get()) == 0) {
      if (video) {
        OnVideoFrame(decoded_.get());
      } else {
        OnAudioFrame(decoded_.get());
      }
      av_frame_unref(decoded_.get());
    }
    if (r != AVERROR(EAGAIN)) break;
    r = avcodec_send_packet(ctx, packet);
  }
}

void DecodeWorker::OnVideoFrame(AVFrame* frame) {
  double t = last_picture_t_ < 0.0 ? 0.0 : last_picture_t_ + frame_seconds_;
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
    t = Seconds(frame->best_effort_timestamp, vtb_) - origin_;
    if (!shift_known_) SetPictureShift(t);  // the first picture of normal play from the start
    t -= picture_shift_;
  }
  if (verify_seek_) {
    verify_seek_ = false;
    const double target_t = ProgramFrameSeconds(target_);
    if (t > target_t + kCoverTolerance && seek_attempts_ < 3) {
      // The demuxer landed after the target: go back further and try again.
      RetrySeek();
      return;
    }
  }
  last_picture_t_ = t;
  content_end_ = std::max(content_end_, t + frame_seconds_);
  if (t <= ProgramFrameSeconds(next_) + kCoverTolerance) {
    // Before the frame being made: it only matters as the newest picture so far.
    current_picture_ = MakeAVFrame();
    if (current_picture_) av_frame_move_ref(current_picture_.get(), frame);
    return;
  }
  DecodedPicture p;
  p.t = t;
  p.frame = MakeAVFrame();
  if (!p.frame) return;
  av_frame_move_ref(p.frame.get(), frame);
  pictures_.push_back(std::move(p));
}

bool DecodeWorker::EnsureResampler(const AVFrame* frame) {
  AVChannelLayout in_layout{};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0) {
    av_channel_layout_default(&in_layout, frame->ch_layout.nb_channels > 0
                                              ? frame->ch_layout.nb_channels
                                              : adec_->ch_layout.nb_channels);
  } else if (av_channel_layout_copy(&in_layout, &frame->ch_layout) < 0) {
    return false;
  }
  const bool same = swr_ && swr_rate_ == frame->sample_rate && swr_format_ == frame->format &&
                    av_channel_layout_compare(&swr_layout_, &in_layout) == 0;
  if (same) {
    av_channel_layout_uninit(&in_layout);
    return true;
  }
  swr_.reset();
  av_channel_layout_uninit(&swr_layout_);
  swr_layout_ = in_layout;  // takes over in_layout's allocation, if any
  swr_rate_ = frame->sample_rate;
  swr_format_ = frame->format;
  AVChannelLayout out_layout = AV_CHANNEL_LAYOUT_STEREO;
  SwrContext* raw = nullptr;
  if (swr_alloc_set_opts2(&raw, &out_layout, AV_SAMPLE_FMT_S16, kAudioSampleRate, &swr_layout_,
                          static_cast<AVSampleFormat>(frame->format), frame->sample_rate, 0,
                          nullptr) < 0) {
    return false;
  }
  swr_.reset(raw);
  if (swr_init(swr_.get()) < 0) {
    swr_.reset();
    return false;
  }
  return true;
}

void DecodeWorker::OnAudioFrame(const AVFrame* frame) {
  if (frame->nb_samples <= 0 || frame->sample_rate <= 0) return;
  if (!EnsureResampler(frame)) return;
  if (frame->best_effort_timestamp != AV_NOPTS_VALUE) {
    const double t = Seconds(frame->best_effort_timestamp, atb_) - origin_;
    const auto pos = static_cast<int64_t>(std::llround(t * kAudioSampleRate));
    if (!fifo_.Anchored()) {
      fifo_.Reset(pos);
      fifo_.SetAnchored(true);
    } else if (pos - fifo_.End() > kAudioGapSamples) {
      fifo_.AppendSilence(static_cast<size_t>(pos - fifo_.End()));
    } else if (fifo_.End() - pos > kAudioGapSamples) {
      // The sound's clock went back: the first frame after a seek into a stream without an
      // index can carry a later packet's time. Its time stamps from here on are believed.
      fifo_.Reset(pos);
    }
  } else if (!fifo_.Anchored()) {
    fifo_.Reset(SamplesBefore(next_));
    fifo_.SetAnchored(true);
  }
  const int capacity = swr_get_out_samples(swr_.get(), frame->nb_samples);
  if (capacity <= 0) return;
  convert_buffer_.resize(static_cast<size_t>(capacity) * kAudioChannels);
  auto* out = reinterpret_cast<uint8_t*>(convert_buffer_.data());
  const int got = swr_convert(swr_.get(), &out, capacity,
                              const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
  if (got <= 0) return;
  fifo_.Append(convert_buffer_.data(), static_cast<size_t>(got));
  content_end_ = std::max(content_end_, static_cast<double>(fifo_.End()) / kAudioSampleRate);
  // Sound before the frame being made is never needed again.
  fifo_.DropBefore(SamplesBefore(next_));
}

void DecodeWorker::Push(ProgramFrame frame) {
  {
    std::lock_guard lock(s_.mutex_);
    if (s_.requested_epoch_ != epoch_) return;  // a seek came in meanwhile: nobody wants it
    s_.queue_.push_back(std::move(frame));
  }
  s_.frames_cv_.notify_all();
}

void DecodeWorker::MarkDone() {
  finished_ = true;
  {
    std::lock_guard lock(s_.mutex_);
    s_.done_epoch_ = epoch_;
  }
  s_.frames_cv_.notify_all();
}

// ---------------------------------------------------------------------------------------------

std::unique_ptr<DecodeSession> DecodeSession::Open(const std::string& path) {
  std::unique_ptr<DecodeSession> session(new DecodeSession());
  session->worker_ = std::make_unique<DecodeWorker>(*session);
  if (!session->worker_->Open(path)) return nullptr;
  return session;
}

DecodeSession::~DecodeSession() {
  Abort();
  if (thread_.joinable()) thread_.join();
}

void DecodeSession::Start() {
  {
    std::lock_guard lock(mutex_);
    if (started_) return;
    started_ = true;
    requested_epoch_ = 0;
    requested_index_ = 0;
  }
  thread_ = std::thread([this] { worker_->Run(); });
}

void DecodeSession::Abort() {
  {
    std::lock_guard lock(mutex_);
    stop_.store(true, std::memory_order_relaxed);
  }
  frames_cv_.notify_all();
  work_cv_.notify_all();
}

uint64_t DecodeSession::RequestSeek(int64_t index) {
  uint64_t epoch = 0;
  {
    std::lock_guard lock(mutex_);
    epoch = ++requested_epoch_;
    requested_index_ = index;
    queue_.clear();
  }
  work_cv_.notify_all();
  return epoch;
}

DecodeSession::TakeResult DecodeSession::Take(uint64_t epoch, int64_t want,
                                              std::chrono::milliseconds wait, ProgramFrame& out) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  std::unique_lock lock(mutex_);
  for (;;) {
    if (stop_.load(std::memory_order_relaxed)) return TakeResult::kAborted;
    bool popped = false;
    while (!queue_.empty()) {
      ProgramFrame& front = queue_.front();
      if (front.epoch == epoch && (front.index >= want || front.last)) {
        out = std::move(front);
        queue_.pop_front();
        lock.unlock();
        work_cv_.notify_all();
        return TakeResult::kFrame;
      }
      queue_.pop_front();
      popped = true;
    }
    if (popped) work_cv_.notify_all();
    if (done_epoch_ == epoch) return TakeResult::kDone;
    if (frames_cv_.wait_until(lock, deadline) == std::cv_status::timeout && queue_.empty() &&
        done_epoch_ != epoch) {
      return stop_.load(std::memory_order_relaxed) ? TakeResult::kAborted : TakeResult::kEmpty;
    }
  }
}

}  // namespace vexto::media
