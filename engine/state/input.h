// The program source. Written by the source buttons, the HTTP handlers and the serial handler,
// read by the frame pump once per pass and by the clock timer: always through std::atomic.
#pragma once

#include <cstdint>

namespace vexto {

enum class eInput : uint8_t { ePlaylist = 0, eLive = 1 };

// What the remote controls and the source buttons call; implemented by the playback runtime.
// Both calls may come from any thread and only store the new source.
class ISourceSwitch {
 public:
  virtual ~ISourceSwitch() = default;
  virtual void swPlaylist() = 0;
  virtual void swLive() = 0;
};

}  // namespace vexto
