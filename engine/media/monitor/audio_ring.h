// The monitor's sound on its way from the pump to the audio output: a short FIFO of
// interleaved 48 kHz stereo S16 samples. The pump writes, the audio output's reader takes;
// both only hold the lock for a copy. At most `kMaxBufferedMs` are kept: when the output falls
// behind, the oldest sound is dropped so the delay stays small and steady.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace vexto::media {

class AudioRing {
 public:
  static constexpr int kMaxBufferedMs = 200;

  AudioRing();

  // Any thread.
  void Write(const int16_t* samples, size_t count);
  // Copies up to `count` samples into `out`; returns how many were copied.
  size_t Read(int16_t* out, size_t count);
  void Clear();
  size_t Buffered() const;

 private:
  mutable std::mutex mutex_;
  std::vector<int16_t> data_;  // ring storage
  size_t head_ = 0;            // next sample to read
  size_t size_ = 0;            // samples buffered
};

}  // namespace vexto::media
