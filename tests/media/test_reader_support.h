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

// The source frame number shown by a picture of a counter clip; -1 when unreadable.
int CounterOf(const AVFrame* picture);

// The largest absolute sample of a frame's sound.
int Peak(const std::vector<int16_t>& audio);

std::shared_ptr<media::IMFReader> NewReader();

// PullFrame with throw-away props.
media::IMFFramePtr Pull(media::IMFReader& reader, double position, const std::string& hints = "");

// Program frame index of a frame (rtStartTime over one program frame).
int64_t IndexOf(const media::IMFFramePtr& frame);
bool IsLast(const media::IMFFramePtr& frame);

}  // namespace vexto::test
