// The program's playback mode and position request (TState), the seek rule and the published
// time of the last playlist frame.
//
// Threads: the GUI thread (commands, seek bar, cue) and the frame pump both read and write a
// TState. Its four shared fields are std::atomic, each read or written whole; a command that sets
// two of them (mode and rate) may be seen half-done by one pump pass, which the pump tolerates
// (it reads each field once per pass). m_strFileName and m_bLoop are set by the constructor only.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/media/core/media_types.h"

namespace vexto {

// The playback mode as the pump reads it.
enum eState : uint8_t {
  eST_PlayFwd = 0,  // pull with no hints
  eST_Pause = 1,    // pull with " pause=true"
  eST_PlayRev = 2,  // pull with " reverse=true"
  eST_StepFwd = 3,  // pull with no hints, then back to eST_Pause
  eST_StepRev = 4,  // pull with " reverse=true", then back to eST_Pause
};

class TState {
 public:
  // The system's PgmState is TState(eST_PlayFwd, -1.0, 0.0, 1.0, "", true), made by the runtime.
  TState(eState _state, double _dblFrameRequest, double _dblDuration, double _dblRate,
         std::string _strFileName, bool _bLoop);

  eState state() const { return m_state.load(); }
  void setState(eState v) { m_state.store(v); }
  // Seconds: a seek target >= 0, or minus the rate's integer part between seeks.
  double dblFrameRequest() const { return m_dblFrameRequest.load(); }
  void setDblFrameRequest(double v) { m_dblFrameRequest.store(v); }
  // Seconds: length of the cued media, the upper bound of a seek.
  double dblDuration() const { return m_dblDuration.load(); }
  void setDblDuration(double v) { m_dblDuration.store(v); }
  // 1.0 in normal play, 3.0 after a step command.
  double dblRate() const { return m_dblRate.load(); }
  void setDblRate(double v) { m_dblRate.store(v); }
  const std::string& strFileName() const { return m_strFileName; }
  bool bLoop() const { return m_bLoop; }

  std::atomic<eState> m_state;
  std::atomic<double> m_dblFrameRequest;
  std::atomic<double> m_dblDuration;
  std::atomic<double> m_dblRate;
  const std::string m_strFileName;
  const bool m_bLoop;
};

// Sets state's frame request to x clamped to [0, dblDuration] (NaN requests 0). Any thread.
void seekPGM(TState& state, double x);

// ProgramTime: the time record of the last frame taken from the playlist reader, written by the
// frame pump once per frame and copied by the GUI clock. A reader always gets one frame's record
// whole: a sequence lock over atomic fields, so Store never waits for a reader and Load retries
// only while a Store is under way. Stores from several threads are serialised among themselves.
class PublishedTime {
 public:
  void Store(const media::M_TIME& time);
  media::M_TIME Load() const;

 private:
  std::atomic<uint64_t> seq_{0};  // odd while a Store is under way
  std::atomic<int64_t> start_{0};
  std::atomic<int64_t> end_{0};
  std::atomic<uint32_t> flags_{0};
};

// ProgramDuration: the cued media's length in seconds, written by the cue and the play command,
// read by the clock. The runtime holds one `ProgramDurationValue ProgramDuration{0.0}`.
using ProgramDurationValue = std::atomic<double>;

}  // namespace vexto
