// An ISourceSwitch that stores the source in an atomic, as the playback runtime does, and counts
// the calls, so tests can tell "switched to the same source" from "not switched".
#pragma once

#include <atomic>

#include "engine/state/input.h"

namespace vexto::test {

class RecordingSwitch : public ISourceSwitch {
 public:
  static constexpr int kUnset = -1;

  void swPlaylist() override {
    entrada.store(static_cast<int>(eInput::ePlaylist));
    playlist_calls.fetch_add(1);
  }
  void swLive() override {
    entrada.store(static_cast<int>(eInput::eLive));
    live_calls.fetch_add(1);
  }
  void Reset() {
    entrada.store(kUnset);
    playlist_calls.store(0);
    live_calls.store(0);
  }
  int calls() const { return playlist_calls.load() + live_calls.load(); }

  std::atomic<int> entrada{kUnset};
  std::atomic<int> playlist_calls{0};
  std::atomic<int> live_calls{0};
};

}  // namespace vexto::test
