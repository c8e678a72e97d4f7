#include "engine/media/writer/stream_encoders.h"

#include <algorithm>
#include <cstring>

#include "engine/media/core/engine_error.h"
#include "engine/media/core/media_types.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace vexto::media {
namespace {

AVCodecContextPtr NewContext(const std::string& name) {
  const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
  if (codec == nullptr) throw EngineError("codificador '" + name + "' não existe");
  AVCodecContextPtr ctx(avcodec_alloc_context3(codec));
  if (!ctx) throw EngineError("sem memória para o codificador '" + name + "'");
  return ctx;
}

// Sets the options on the context and opens it; names the option the encoder refused.
void OpenWithOptions(AVCodecContext* ctx, const PropertyList& options, const char* kind) {
  AVDictionaryOwner dict;
  for (const auto& [key, value] : options) {
    if (key == "b" || key == "maxrate" || key == "bufsize") {
      if (av_opt_set(ctx, key.c_str(), value.c_str(), 0) < 0) {
        throw EngineError(std::string("o codificador de ") + kind + " recusou o " +
                          (key == "b" ? "bitrate" : key) + " '" + value + "'");
      }
    } else {
      dict.Set(key, value);
    }
  }
  const int ret = avcodec_open2(ctx, ctx->codec, dict.Address());
  if (ret < 0) {
    throw EngineError(std::string("o codificador de ") + kind + " '" + ctx->codec->name +
                      "' recusou a configuração (" + AvErrorText(ret) + ")");
  }
  if (const AVDictionaryEntry* left = av_dict_get(dict.Get(), "", nullptr, AV_DICT_IGNORE_SUFFIX)) {
    throw EngineError(std::string("o codificador de ") + kind + " '" + ctx->codec->name +
                      "' não conhece a opção '" + left->key + "'");
  }
}

void FillBlack(AVFrame* f) {
  for (int y = 0; y < f->height; ++y) std::memset(f->data[0] + y * f->linesize[0], 16, f->width);
  for (int p = 1; p <= 2; ++p) {
    for (int y = 0; y < f->height / 2; ++y) {
      std::memset(f->data[p] + y * f->linesize[p], 128, f->width / 2);
    }
  }
}

}  // namespace

void StreamEncoders::Open(const StreamConfig& config, bool global_header) {
  video_ = NewContext(config.video_codec);
  video_->width = config.width;
  video_->height = config.height;
  video_->pix_fmt = AV_PIX_FMT_YUV420P;
  video_->time_base = {kProgramRateDen, kProgramRateNum};
  video_->framerate = {kProgramRateNum, kProgramRateDen};
  video_->sample_aspect_ratio = {1, 1};
  if (global_header) video_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  OpenWithOptions(video_.get(), config.video_options, "vídeo");

  audio_ = NewContext(config.audio_codec);
  const AVCodec* acodec = audio_->codec;
  if (acodec->supported_samplerates != nullptr) {
    bool ok = false;
    for (const int* r = acodec->supported_samplerates; *r != 0; ++r)
      ok = ok || *r == kAudioSampleRate;
    if (!ok)
      throw EngineError(std::string("o codificador de áudio '") + acodec->name +
                        "' não aceita 48 kHz");
  }
  audio_->sample_rate = kAudioSampleRate;
  audio_->sample_fmt = acodec->sample_fmts != nullptr ? acodec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  av_channel_layout_copy(&audio_->ch_layout, &stereo);
  audio_->time_base = {1, kAudioSampleRate};
  if (global_header) audio_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  OpenWithOptions(audio_.get(), config.audio_options, "áudio");
  audio_block_ = audio_->frame_size > 0 ? audio_->frame_size : 1024;

  SwrContext* swr = nullptr;
  if (swr_alloc_set_opts2(&swr, &audio_->ch_layout, audio_->sample_fmt, kAudioSampleRate, &stereo,
                          AV_SAMPLE_FMT_S16, kAudioSampleRate, 0, nullptr) < 0) {
    throw EngineError("sem memória para o conversor de áudio");
  }
  swr_.reset(swr);
  if (swr_init(swr) < 0) throw EngineError("conversor de áudio recusou o formato do codificador");

  picture_ = MakeAVFrame();
  if (!picture_) throw EngineError("sem memória para a imagem de saída");
  picture_->format = AV_PIX_FMT_YUV420P;
  picture_->width = config.width;
  picture_->height = config.height;
  if (av_frame_get_buffer(picture_.get(), 0) < 0) {
    throw EngineError("sem memória para a imagem de saída");
  }
}

void StreamEncoders::FitPicture(const AVFrame* src, AVFrame* dst) {
  if (src == nullptr || src->width <= 0 || src->height <= 0) {
    FillBlack(dst);
    return;
  }
  const AVRational sar = src->sample_aspect_ratio;
  if (src->width != fit_src_w_ || src->height != fit_src_h_ || src->format != fit_src_fmt_ ||
      av_cmp_q(sar, fit_src_sar_) != 0) {
    fit_src_w_ = src->width;
    fit_src_h_ = src->height;
    fit_src_fmt_ = src->format;
    fit_src_sar_ = sar;
    const double pixel_aspect = (sar.num > 0 && sar.den > 0) ? av_q2d(sar) : 1.0;
    const double aspect = src->width * pixel_aspect / src->height;
    const int W = dst->width;
    const int H = dst->height;
    int w = W;
    int h = static_cast<int>(W / aspect + 0.5);
    if (h > H) {
      h = H;
      w = static_cast<int>(H * aspect + 0.5);
    }
    fit_w_ = std::clamp(w & ~1, 2, W);
    fit_h_ = std::clamp(h & ~1, 2, H);
    fit_x_ = ((W - fit_w_) / 2) & ~1;
    fit_y_ = ((H - fit_h_) / 2) & ~1;
    sws_.reset(sws_getContext(src->width, src->height, static_cast<AVPixelFormat>(src->format),
                              fit_w_, fit_h_, AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr,
                              nullptr));
  }
  if (!sws_) {
    FillBlack(dst);
    return;
  }
  if (fit_w_ != dst->width || fit_h_ != dst->height) FillBlack(dst);
  uint8_t* planes[4] = {dst->data[0] + fit_y_ * dst->linesize[0] + fit_x_,
                        dst->data[1] + (fit_y_ / 2) * dst->linesize[1] + fit_x_ / 2,
                        dst->data[2] + (fit_y_ / 2) * dst->linesize[2] + fit_x_ / 2, nullptr};
  sws_scale(sws_.get(), src->data, src->linesize, 0, src->height, planes, dst->linesize);
}

void StreamEncoders::AppendSound(const IMFFrame* frame, int64_t index) {
  // Silence for frames that never reached the encoder.
  if (index > sound_frames_) {
    const int64_t missing = SamplesBefore(index) - SamplesBefore(sound_frames_);
    sound_.insert(sound_.end(), static_cast<size_t>(missing * kAudioChannels), 0);
    sound_frames_ = index;
  }
  const int64_t share = SamplesBefore(index + 1) - SamplesBefore(index);
  const size_t want = static_cast<size_t>(share * kAudioChannels);
  const size_t start = sound_.size();
  sound_.resize(start + want, 0);
  if (frame != nullptr) {
    const size_t have = std::min(want, frame->Audio().size());
    std::copy_n(frame->Audio().begin(), have, sound_.begin() + static_cast<ptrdiff_t>(start));
  }
  sound_frames_ = index + 1;
}

void StreamEncoders::EncodeSoundBlocks(const PacketSink& sink, bool final_block) {
  size_t offset = 0;
  const size_t block = static_cast<size_t>(audio_block_) * kAudioChannels;
  while (sound_.size() - offset >= block || (final_block && sound_.size() > offset)) {
    const size_t take = std::min(block, sound_.size() - offset);
    const int samples = static_cast<int>(take / kAudioChannels);
    const bool small_ok = (audio_->codec->capabilities &
                           (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE)) != 0;
    const int nb = (samples < audio_block_ && !small_ok) ? audio_block_ : samples;
    AVFramePtr f = MakeAVFrame();
    f->nb_samples = nb;
    f->format = audio_->sample_fmt;
    f->sample_rate = kAudioSampleRate;
    av_channel_layout_copy(&f->ch_layout, &audio_->ch_layout);
    if (av_frame_get_buffer(f.get(), 0) < 0) throw EngineError("sem memória para o áudio");
    std::vector<int16_t> padded;
    const int16_t* src = sound_.data() + offset;
    if (nb > samples) {
      padded.assign(static_cast<size_t>(nb) * kAudioChannels, 0);
      std::copy_n(src, take, padded.begin());
      src = padded.data();
    }
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(src)};
    if (swr_convert(swr_.get(), f->data, nb, in, nb) < 0) {
      throw EngineError("o conversor de áudio falhou");
    }
    f->pts = audio_pts_;
    audio_pts_ += nb;
    Send(audio_.get(), f.get(), kAudioStream, sink);
    offset += take;
  }
  sound_.erase(sound_.begin(), sound_.begin() + static_cast<ptrdiff_t>(offset));
}

void StreamEncoders::Send(AVCodecContext* ctx, const AVFrame* frame, int stream,
                          const PacketSink& sink) {
  const int ret = avcodec_send_frame(ctx, frame);
  if (ret < 0 && ret != AVERROR_EOF) {
    throw EngineError(std::string("o codificador '") + ctx->codec->name + "' falhou (" +
                      AvErrorText(ret) + ")");
  }
  Drain(ctx, stream, sink);
}

void StreamEncoders::Drain(AVCodecContext* ctx, int stream, const PacketSink& sink) {
  while (true) {
    AVPacketPtr pkt = MakeAVPacket();
    const int ret = avcodec_receive_packet(ctx, pkt.get());
    if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return;
    if (ret < 0) {
      throw EngineError(std::string("o codificador '") + ctx->codec->name + "' falhou (" +
                        AvErrorText(ret) + ")");
    }
    pkt->stream_index = stream;
    sink(std::move(pkt));
  }
}

void StreamEncoders::Encode(const IMFFrame* frame, int64_t index, const PacketSink& sink,
                            bool key_frame) {
  if (av_frame_make_writable(picture_.get()) < 0) throw EngineError("sem memória para a imagem");
  FitPicture(frame != nullptr ? frame->Video() : nullptr, picture_.get());
  picture_->pts = index;
  picture_->pict_type = key_frame ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
  Send(video_.get(), picture_.get(), kVideoStream, sink);
  AppendSound(frame, index);
  EncodeSoundBlocks(sink, false);
}

void StreamEncoders::Flush(int64_t total_frames, const PacketSink& sink) {
  if (total_frames > sound_frames_) {
    const int64_t missing = SamplesBefore(total_frames) - SamplesBefore(sound_frames_);
    sound_.insert(sound_.end(), static_cast<size_t>(missing * kAudioChannels), 0);
    sound_frames_ = total_frames;
  }
  EncodeSoundBlocks(sink, true);
  Send(video_.get(), nullptr, kVideoStream, sink);
  Send(audio_.get(), nullptr, kAudioStream, sink);
}

}  // namespace vexto::media
