#include "engine/media/live/device_input.h"

#include <mutex>

extern "C" {
#include <libavdevice/avdevice.h>
}

#include "engine/media/core/engine_error.h"

namespace vexto::media {

void RegisterCaptureFormats() {
  static std::once_flag once;
  std::call_once(once, [] { avdevice_register_all(); });
}

DeviceInput::DeviceInput(const std::string& format, const std::string& url,
                         AVDictionaryOwner& options, AVMediaType media_type, StopQuery stop,
                         std::chrono::milliseconds read_timeout)
    : stop_(std::move(stop)), read_timeout_(read_timeout), packet_(MakeAVPacket()) {
  RegisterCaptureFormats();
  const AVInputFormat* fmt = av_find_input_format(format.c_str());
  if (fmt == nullptr) throw EngineError("Capture format not available: " + format);
  AVFormatContext* raw = avformat_alloc_context();
  if (raw == nullptr || !packet_) throw EngineError("Out of memory");
  raw->interrupt_callback.callback = &DeviceInput::Interrupt;
  raw->interrupt_callback.opaque = this;
  deadline_ns_ = (Clock::now() + read_timeout_).time_since_epoch().count();
  // On failure avformat_open_input frees the context itself.
  const int err = avformat_open_input(&raw, url.c_str(), fmt, options.Address());
  if (err < 0) throw EngineError("Cannot open " + url + ": " + AvErrorText(err));
  input_.reset(raw);
  if (avformat_find_stream_info(input_.get(), nullptr) < 0) {
    throw EngineError("Cannot read " + url);
  }
  stream_ = av_find_best_stream(input_.get(), media_type, -1, -1, nullptr, 0);
  if (stream_ < 0) throw EngineError("No stream in " + url);
  const AVCodecParameters* par = input_->streams[stream_]->codecpar;
  const AVCodec* codec = avcodec_find_decoder(par->codec_id);
  if (codec == nullptr) throw EngineError("No decoder for " + url);
  decoder_.reset(avcodec_alloc_context3(codec));
  if (!decoder_ || avcodec_parameters_to_context(decoder_.get(), par) < 0) {
    throw EngineError("Out of memory");
  }
  decoder_->thread_count = 1;
  if (avcodec_open2(decoder_.get(), codec, nullptr) < 0) {
    throw EngineError("Cannot decode " + url);
  }
}

DeviceInput::~DeviceInput() = default;

int DeviceInput::Interrupt(void* opaque) {
  auto* self = static_cast<DeviceInput*>(opaque);
  if (self->stop_ && self->stop_()) return 1;
  return Clock::now().time_since_epoch().count() > self->deadline_ns_.load() ? 1 : 0;
}

AVFramePtr DeviceInput::Next() {
  AVFramePtr frame = MakeAVFrame();
  if (!frame) return nullptr;
  for (;;) {
    const int got = avcodec_receive_frame(decoder_.get(), frame.get());
    if (got == 0) return frame;
    if (got != AVERROR(EAGAIN)) return nullptr;
    deadline_ns_ = (Clock::now() + read_timeout_).time_since_epoch().count();
    if (av_read_frame(input_.get(), packet_.get()) < 0) return nullptr;
    const bool ours = packet_->stream_index == stream_;
    const int sent = ours ? avcodec_send_packet(decoder_.get(), packet_.get()) : 0;
    av_packet_unref(packet_.get());
    if (sent < 0 && sent != AVERROR(EAGAIN)) return nullptr;
  }
}

}  // namespace vexto::media
