// RAII owners for every FFmpeg handle the engine touches. These deleters are the only
// place in the project that frees FFmpeg objects; everything else holds one of these.
#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavfilter/avfilter.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace vexto::media {

struct AVFrameDeleter {
  void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct AVPacketDeleter {
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct AVCodecContextDeleter {
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
// An input context opened with avformat_open_input.
struct AVFormatInputDeleter {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
// An output context from avformat_alloc_output_context2; closes its AVIO if the muxer owns one.
struct AVFormatOutputDeleter {
  void operator()(AVFormatContext* c) const {
    if (c == nullptr) return;
    if (c->oformat != nullptr && !(c->oformat->flags & AVFMT_NOFILE) && c->pb != nullptr) {
      avio_closep(&c->pb);
    }
    avformat_free_context(c);
  }
};
struct SwsContextDeleter {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};
struct SwrContextDeleter {
  void operator()(SwrContext* s) const { swr_free(&s); }
};
struct AVFilterGraphDeleter {
  void operator()(AVFilterGraph* g) const { avfilter_graph_free(&g); }
};
struct AVCodecParametersDeleter {
  void operator()(AVCodecParameters* p) const { avcodec_parameters_free(&p); }
};
struct AVDictionaryDeleter {
  void operator()(AVDictionary* d) const { av_dict_free(&d); }
};

using AVFramePtr = std::unique_ptr<AVFrame, AVFrameDeleter>;
using AVPacketPtr = std::unique_ptr<AVPacket, AVPacketDeleter>;
using AVCodecContextPtr = std::unique_ptr<AVCodecContext, AVCodecContextDeleter>;
using AVFormatInputPtr = std::unique_ptr<AVFormatContext, AVFormatInputDeleter>;
using AVFormatOutputPtr = std::unique_ptr<AVFormatContext, AVFormatOutputDeleter>;
using SwsContextPtr = std::unique_ptr<SwsContext, SwsContextDeleter>;
using SwrContextPtr = std::unique_ptr<SwrContext, SwrContextDeleter>;
using AVFilterGraphPtr = std::unique_ptr<AVFilterGraph, AVFilterGraphDeleter>;
using AVCodecParametersPtr = std::unique_ptr<AVCodecParameters, AVCodecParametersDeleter>;

// A dictionary that options are set on and then handed to FFmpeg by address.
class AVDictionaryOwner {
 public:
  AVDictionaryOwner() = default;
  AVDictionaryOwner(const AVDictionaryOwner&) = delete;
  AVDictionaryOwner& operator=(const AVDictionaryOwner&) = delete;
  ~AVDictionaryOwner() { av_dict_free(&dict_); }
  void Set(const std::string& key, const std::string& value) {
    av_dict_set(&dict_, key.c_str(), value.c_str(), 0);
  }
  AVDictionary** Address() { return &dict_; }
  AVDictionary* Get() const { return dict_; }

 private:
  AVDictionary* dict_ = nullptr;
};

inline AVFramePtr MakeAVFrame() {
  return AVFramePtr(av_frame_alloc());
}
inline AVPacketPtr MakeAVPacket() {
  return AVPacketPtr(av_packet_alloc());
}

// A new reference to the same buffers (nullptr in, nullptr out).
inline AVFramePtr RefAVFrame(const AVFrame* src) {
  if (src == nullptr) return nullptr;
  AVFramePtr f = MakeAVFrame();
  if (!f || av_frame_ref(f.get(), src) < 0) return nullptr;
  return f;
}

// FFmpeg's text for an error code.
inline std::string AvErrorText(int err) {
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(err, buf, sizeof buf);
  return buf;
}

}  // namespace vexto::media
