#include "engine/media/monitor/audio_ring.h"

#include <algorithm>

#include "engine/media/core/media_types.h"

namespace vexto::media {

AudioRing::AudioRing()
    : data_(static_cast<size_t>(kAudioSampleRate) * kAudioChannels * kMaxBufferedMs / 1000) {}

void AudioRing::Write(const int16_t* samples, size_t count) {
  std::lock_guard lock(mutex_);
  const size_t cap = data_.size();
  if (count >= cap) {
    // Only the newest fit.
    samples += count - cap;
    count = cap;
  }
  if (size_ + count > cap) {
    // Drop the oldest whole stereo samples to make room.
    const size_t drop = size_ + count - cap;
    head_ = (head_ + drop) % cap;
    size_ -= drop;
  }
  size_t tail = (head_ + size_) % cap;
  for (size_t done = 0; done < count;) {
    const size_t n = std::min(count - done, cap - tail);
    std::copy_n(samples + done, n, data_.begin() + static_cast<ptrdiff_t>(tail));
    done += n;
    tail = (tail + n) % cap;
  }
  size_ += count;
}

size_t AudioRing::Read(int16_t* out, size_t count) {
  std::lock_guard lock(mutex_);
  const size_t cap = data_.size();
  count = std::min(count, size_);
  for (size_t done = 0; done < count;) {
    const size_t n = std::min(count - done, cap - head_);
    std::copy_n(data_.begin() + static_cast<ptrdiff_t>(head_), n, out + done);
    done += n;
    head_ = (head_ + n) % cap;
  }
  size_ -= count;
  return count;
}

void AudioRing::Clear() {
  std::lock_guard lock(mutex_);
  head_ = 0;
  size_ = 0;
}

size_t AudioRing::Buffered() const {
  std::lock_guard lock(mutex_);
  return size_;
}

}  // namespace vexto::media
