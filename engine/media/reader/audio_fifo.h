// Decoded program sound (48 kHz stereo S16) placed on the media's sample timeline: sample
// position p is media time p / 48000 s. Used by one thread only (the decode worker).
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/media/core/media_types.h"

namespace vexto::media {

class AudioFifo {
 public:
  // Empties the fifo; the next sample appended lands at position `pos`.
  void Reset(int64_t pos) {
    data_.clear();
    offset_ = 0;
    end_ = pos;
  }
  bool Anchored() const { return anchored_; }
  void SetAnchored(bool anchored) { anchored_ = anchored; }

  // The fifo holds positions [Begin(), End()); the next sample appended lands at End().
  int64_t Begin() const { return end_ - static_cast<int64_t>(Frames()); }
  int64_t End() const { return end_; }
  size_t Frames() const { return (data_.size() - offset_) / kAudioChannels; }

  void Append(const int16_t* samples, size_t frames) {
    data_.insert(data_.end(), samples, samples + frames * kAudioChannels);
    end_ += static_cast<int64_t>(frames);
  }
  void AppendSilence(size_t frames) {
    data_.resize(data_.size() + frames * kAudioChannels, 0);
    end_ += static_cast<int64_t>(frames);
  }

  // Copies positions [a, b) into out (silence where the fifo has nothing) and drops all
  // positions before b.
  void Extract(int64_t a, int64_t b, std::vector<int16_t>& out) {
    out.assign(static_cast<size_t>(std::max<int64_t>(0, b - a)) * kAudioChannels, 0);
    const int64_t from = std::max(a, Begin());
    const int64_t to = std::min(b, End());
    if (from < to) {
      const auto* src = data_.data() + offset_ + (from - Begin()) * kAudioChannels;
      std::copy(src, src + (to - from) * kAudioChannels, out.begin() + (from - a) * kAudioChannels);
    }
    DropBefore(b);
  }

  // Forgets every position before pos (samples appended later keep their own positions).
  void DropBefore(int64_t pos) {
    if (pos <= Begin()) return;
    const auto drop = static_cast<size_t>(std::min<int64_t>(pos - Begin(), Frames()));
    offset_ += drop * kAudioChannels;
    if (offset_ == data_.size()) {
      data_.clear();
      offset_ = 0;
    } else if (offset_ > 1 << 16 && offset_ * 2 > data_.size()) {
      data_.erase(data_.begin(), data_.begin() + static_cast<std::ptrdiff_t>(offset_));
      offset_ = 0;
    }
  }

 private:
  std::vector<int16_t> data_;
  size_t offset_ = 0;  // first live element of data_
  int64_t end_ = 0;    // position of the next sample appended
  bool anchored_ = false;
};

}  // namespace vexto::media
