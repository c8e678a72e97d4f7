// The writer's encoders: turn program frames into video and audio packets of one fixed
// configuration. Owned and used by one thread (the writer's encode thread) after Open.
//
// Timing: frame n of a stream is shown at n * 1001/30000 s (its video pts is n in the encoder's
// 1001/30000 time base) and its sound starts at sample SamplesBefore(n); a frame carrying more
// or fewer samples than its share is cut or padded with silence, and frames that never arrived
// (dropped before encoding) become silence, so sound and picture never drift apart.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/media/core/av_ptr.h"
#include "engine/media/core/frame.h"
#include "engine/media/writer/stream_config.h"

namespace vexto::media {

inline constexpr int kVideoStream = 0;
inline constexpr int kAudioStream = 1;

// Receives each encoded packet: stream_index is kVideoStream or kAudioStream, timestamps are in
// that encoder's time base.
using PacketSink = std::function<void(AVPacketPtr)>;

class StreamEncoders {
 public:
  // Opens both encoders; global_header: the muxer wants codec headers out of band
  // (AVFMT_GLOBALHEADER). Raises EngineError with the operator's text when an encoder refuses
  // its settings (for one, "o codificador recusou o bitrate 'x'").
  void Open(const StreamConfig& config, bool global_header);

  const AVCodecContext* Video() const { return video_.get(); }
  const AVCodecContext* Audio() const { return audio_.get(); }

  // Encodes program frame `index` (nullptr: black and silence). Indexes only grow; skipped
  // indexes become silence. key_frame: the picture is made a key frame (a new output joins).
  // Raises EngineError when an encoder fails.
  void Encode(const IMFFrame* frame, int64_t index, const PacketSink& sink, bool key_frame = false);
  // Drains both encoders (the last partial sound block included); the sound runs to the end
  // of frame total_frames - 1 (silence for frames dropped at the end).
  void Flush(int64_t total_frames, const PacketSink& sink);

 private:
  void FitPicture(const AVFrame* src, AVFrame* dst);
  void AppendSound(const IMFFrame* frame, int64_t index);
  void EncodeSoundBlocks(const PacketSink& sink, bool final_block);
  void Drain(AVCodecContext* ctx, int stream, const PacketSink& sink);
  void Send(AVCodecContext* ctx, const AVFrame* frame, int stream, const PacketSink& sink);

  AVCodecContextPtr video_;
  AVCodecContextPtr audio_;
  AVFramePtr picture_;
  SwsContextPtr sws_;
  SwrContextPtr swr_;
  int fit_src_w_ = 0, fit_src_h_ = 0, fit_src_fmt_ = -1;
  AVRational fit_src_sar_{0, 1};
  int fit_x_ = 0, fit_y_ = 0, fit_w_ = 0, fit_h_ = 0;
  int audio_block_ = 1024;
  std::vector<int16_t> sound_;  // interleaved stereo not yet encoded
  int64_t sound_frames_ = 0;    // program frames whose sound is in sound_ or encoded
  int64_t audio_pts_ = 0;       // samples handed to the audio encoder
};

}  // namespace vexto::media
