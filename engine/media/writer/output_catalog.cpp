#include "engine/media/writer/output_catalog.h"

#include <cctype>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace vexto::media {
namespace {

// Live H.264: fast preset, no frame delay, a key frame every 2 s (RTMP servers keep no GOP
// cache, so a late viewer waits at most that long).
CodecChoice LiveH264() {
  return {"libx264",
          "H.264 (x264)",
          {{"b", "4M"}, {"preset", "superfast"}, {"tune", "zerolatency"}, {"g", "60"}},
          true};
}
CodecChoice FileH264() {
  return {"libx264", "H.264 (x264)", {{"b", "4M"}, {"preset", "veryfast"}, {"g", "60"}}, false};
}
CodecChoice Hevc() {
  return {"libx265",
          "H.265/HEVC (x265)",
          {{"b", "3M"}, {"preset", "ultrafast"}, {"g", "60"}, {"x265-params", "log-level=error"}},
          false};
}
CodecChoice Mpeg2() {
  return {"mpeg2video", "MPEG-2", {{"b", "8M"}, {"g", "15"}}, false};
}
CodecChoice Vp9() {
  return {"libvpx-vp9",
          "VP9 (libvpx)",
          {{"b", "3M"}, {"deadline", "realtime"}, {"cpu-used", "8"}, {"g", "60"}},
          false};
}
CodecChoice Aac() {
  return {"aac", "AAC", {{"b", "128k"}}, false};
}
CodecChoice Mp2() {
  return {"mp2", "MPEG Layer 2", {{"b", "192k"}}, false};
}
CodecChoice Mp3() {
  return {"libmp3lame", "MP3 (LAME)", {{"b", "192k"}}, false};
}
CodecChoice Ac3() {
  return {"ac3", "AC-3", {{"b", "192k"}}, false};
}
CodecChoice Opus() {
  return {"libopus", "Opus", {{"b", "128k"}}, false};
}
CodecChoice Flac() {
  return {"flac", "FLAC", {}, false};
}

bool Usable(const AVOutputFormat* muxer, const CodecChoice& c, AVMediaType type) {
  const AVCodec* codec = avcodec_find_encoder_by_name(c.encoder.c_str());
  return codec != nullptr && codec->type == type &&
         avformat_query_codec(muxer, codec->id, FF_COMPLIANCE_NORMAL) !=
             0;  // < 0: muxer cannot say
}

void AddIfUsable(std::vector<OutputChoice>& out, OutputChoice choice) {
  const AVOutputFormat* muxer = av_guess_format(choice.format.c_str(), nullptr, nullptr);
  if (muxer == nullptr) return;
  std::erase_if(choice.video,
                [&](const CodecChoice& c) { return !Usable(muxer, c, AVMEDIA_TYPE_VIDEO); });
  std::erase_if(choice.audio,
                [&](const CodecChoice& c) { return !Usable(muxer, c, AVMEDIA_TYPE_AUDIO); });
  if (choice.video.empty() || choice.audio.empty()) return;
  out.push_back(std::move(choice));
}

std::vector<OutputChoice> BuildCatalog() {
  std::vector<OutputChoice> out;
  if (HasOutputProtocol("rtmp")) {
    AddIfUsable(out, {"flv", "RTMP Streaming", true, {LiveH264()}, {Aac()}});
  }
  if (HasOutputProtocol("srt")) {
    AddIfUsable(out,
                {"mpegts", "SRT Streaming (MPEG-TS)", true, {LiveH264(), Mpeg2()}, {Aac(), Mp2()}});
  }
  if (HasOutputProtocol("udp")) {
    AddIfUsable(out, {"mpegts", "UDP MPEG-TS", true, {LiveH264(), Mpeg2()}, {Aac(), Mp2()}});
  }
  AddIfUsable(out, {"mp4", "Arquivo MP4", false, {FileH264(), Hevc()}, {Aac(), Mp3()}});
  AddIfUsable(
      out,
      {"matroska", "Arquivo MKV", false, {FileH264(), Hevc(), Vp9()}, {Aac(), Opus(), Flac()}});
  AddIfUsable(
      out,
      {"mpegts", "Arquivo MPEG-TS", false, {FileH264(), Hevc(), Mpeg2()}, {Aac(), Mp2(), Ac3()}});
  return out;
}

}  // namespace

bool HasOutputProtocol(const std::string& protocol) {
  void* opaque = nullptr;
  while (const char* name = avio_enum_protocols(&opaque, 1)) {
    if (protocol == name) return true;
  }
  return false;
}

bool IsNetworkUrl(const std::string& url) {
  return url.find("://") != std::string::npos && !url.starts_with("file:");
}

std::string FormatForUrl(const std::string& url) {
  const size_t colon = url.find("://");
  if (colon == std::string::npos) return {};
  std::string scheme = url.substr(0, colon);
  for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (scheme == "rtmp" || scheme == "rtmps") return "flv";
  if (scheme == "srt" || scheme == "udp") return "mpegts";
  return {};
}

const std::vector<OutputChoice>& OutputCatalog() {
  static const std::vector<OutputChoice> catalog = BuildCatalog();
  return catalog;
}

}  // namespace vexto::media
