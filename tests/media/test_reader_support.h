// Helpers of the file reader tests: clips whose pictures tell their own frame number, and
// short ways to pull from a reader.
#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/media/core/interfaces.h"

namespace vexto::test {

// A clip whose pictures show their source frame number in three base-8 digits (left third:
// lowest), each a flat luma level, with a 1 kHz tone when audio_codec is not empty. rate is an
// ffmpeg rate ("30000/1001", "25"); video_codec empty: no picture (the tone alone). extra: more
// output options (container flags, pixel format).
bool MakeCounterClip(const std::filesystem::path& out, const std::string& rate, double seconds,
                     const std::string& video_codec, const std::string& audio_codec,
                     const std::vector<std::string>& extra = {},
                     const std::string& size = "320x240");

// MakeCounterClip made once per machine and kept in a cache folder under the temporary folder
// (named after its arguments, written under a temporary name and renamed, so test processes
// running side by side share it safely). ext: ".mp4" and so on. Empty path on failure.
std::filesystem::path CounterClip(const std::string& ext, const std::string& rate, double seconds,
                                  const std::string& video_codec, const std::string& audio_codec,
                                  const std::vector<std::string>& extra = {},
                                  const std::string& size = "320x240");

// The source frame number shown by a picture of a counter clip; -1 when unreadable.
int CounterOf(const AVFrame* picture);

// The largest absolute sample of a frame's sound.
int Peak(const std::vector<int16_t>& audio);

std::shared_ptr<media::IMFReader> NewReader();

// PullFrame with throw-away props.
media::IMFFramePtr Pull(media::IMFReader& reader, double position, const std::string& hints = "");

// Pull that tries again while it gives nil, for up to 10 s: a seek (or the first pull) gives
// nil when its frame takes more than 2 s to decode, which a loaded machine running sanitizers
// can reach. The second try continues the same seek.
media::IMFFramePtr PullWaiting(media::IMFReader& reader, double position,
                               const std::string& hints = "");

// Program frame index of a frame (rtStartTime over one program frame).
int64_t IndexOf(const media::IMFFramePtr& frame);
bool IsLast(const media::IMFFramePtr& frame);

}  // namespace vexto::test
