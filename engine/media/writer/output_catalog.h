// The stream writer's output choices: the output targets this FFmpeg build can write, and for
// each target the video and audio encoders it can carry, streaming defaults first. Entries whose
// muxer, protocol or encoder is missing from the build are left out, so every listed entry works.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace vexto::media {

using PropertyList = std::vector<std::pair<std::string, std::string>>;

struct CodecChoice {
  std::string encoder;    // FFmpeg encoder name, e.g. "libx264"
  std::string name;       // shown in the settings page, e.g. "H.264 (x264)"
  PropertyList defaults;  // encoder options set when the choice is made, e.g. {"b", "4M"}
  // Rate control capped for live sending: maxrate = b and bufsize = 2 b unless set.
  bool live_rate_cap = false;
};

struct OutputChoice {
  std::string format;              // FFmpeg muxer name, e.g. "flv"
  std::string name;                // shown in the settings page, e.g. "RTMP Streaming"
  bool network = false;            // the URL names a server; false: the URL is a file path
  std::vector<CodecChoice> video;  // never empty
  std::vector<CodecChoice> audio;  // never empty
};

// Built once (thread-safe); position 0 is "RTMP Streaming", the default output.
const std::vector<OutputChoice>& OutputCatalog();

// Whether the build can write to URLs of this protocol ("srt", "rtmps"...).
bool HasOutputProtocol(const std::string& protocol);

// Whether the target names a server (scheme://...) rather than a file.
bool IsNetworkUrl(const std::string& url);

// The muxer a streaming URL's scheme calls for: "flv" for rtmp and rtmps, "mpegts" for srt and
// udp; empty for any other.
std::string FormatForUrl(const std::string& url);

}  // namespace vexto::media
