// The writer's configuration text: a readable, one-line list of key=value words, e.g.
//   format=flv size=1280x720 video.codec=libx264 video.b=4M video.preset=superfast
//   audio.codec=aac audio.b=128k
// Keys: "format" (FFmpeg muxer), "size" (WIDTHxHEIGHT, even, the one output picture size),
// "video.codec" / "audio.codec" (FFmpeg encoders), "video.<option>" / "audio.<option>" (encoder
// options, handed to the encoder as written). A value holding spaces or quotes is written in
// double quotes with \" and \\ escapes. ReadStreamConfig renders it; StartStreamOutput parses it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/media/writer/output_catalog.h"

namespace vexto::media {

inline constexpr int kDefaultOutputWidth = 1280;
inline constexpr int kDefaultOutputHeight = 720;

struct StreamConfig {
  std::string format;
  int width = kDefaultOutputWidth;
  int height = kDefaultOutputHeight;
  std::string video_codec;
  PropertyList video_options;
  std::string audio_codec;
  PropertyList audio_options;
};

std::string RenderStreamConfig(const StreamConfig& config);

// Raises EngineError naming what is wrong: a word that is not key=value, an unknown key, a
// muxer or encoder this build lacks, an encoder the muxer cannot carry, a bad size, or a
// missing format/codec key.
StreamConfig ParseStreamConfig(const std::string& text);

// Bits per second of a bitrate text as encoders read it ("4M", "2500k", "3000000", "1.5M");
// nullopt when it is not one.
std::optional<int64_t> ParseBitrate(const std::string& text);

}  // namespace vexto::media
