// The media engine's boundary: the operations its callers use, by interface. Every engine
// object is made by the factory (factory.h) from its class identifier and then asked for an
// interface with QueryEngineInterface. Out-parameters mirror the callers' vocabulary; results
// are not returned: a failed pull gives a nil frame, a failed open leaves the reader empty.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/media/core/frame.h"
#include "engine/media/core/media_types.h"

namespace vexto::media {

// Base of every engine object (the counted reference is the shared_ptr that holds it).
class IEngineObject {
 public:
  virtual ~IEngineObject() = default;
};
using EngineObjectPtr = std::shared_ptr<IEngineObject>;

// Frame source: readers and the live source.
class IMFSource : public virtual IEngineObject {
 public:
  // position >= 0: the frame at that media time (seconds), frame-accurate.
  // position < 0: the frame -position program frames after the last one returned.
  // hints: " pause=true" returns the current frame again; " reverse=true" steps back one frame.
  // a, b are reserved (callers pass -1). frame receives nullptr when nothing can be given.
  virtual void PullFrame(M_AV_PROPS& props, double position, int a, int b, IMFFramePtr& frame,
                         const std::string& hints) = 0;
};

// File reader (PlaylistReader, ProbeReader). Safe to open/close from one thread while another
// pulls: after OpenMediaFile returns, no frame of the previous file is ever returned.
class IMFReader : public virtual IMFSource {
 public:
  virtual void OpenMediaFile(const std::string& path, int flags) = 0;
  virtual void CloseMediaFile() = 0;
  // 0 when no file is open or it failed to open.
  virtual void QueryMediaDuration(double& seconds) = 0;
};

// Anything frames are pushed into: monitors and the stream writer. Never blocks the caller.
class IMFReceiver : public virtual IEngineObject {
 public:
  // frame may be nullptr (drawn as black, streamed as black with silence).
  virtual void PushFrame(const IMFFramePtr& frame, int a, int b, int c) = 0;
};

// Monitor (PlaylistMonitor, CameraMonitor, ProgramMonitor).
class IMFPreview : public virtual IMFReceiver {
 public:
  // window: the native handle (QWidget::winId()) of the panel to draw into; 0 unbinds.
  virtual void BindMonitorWindow(const std::string& channel, int64_t window) = 0;
  // audio 1 plays the frames' sound; video 0 shows black. Other values act as 0 for audio and
  // as "not 0" for video.
  virtual void SetMonitorAudioVideo(const std::string& channel, int audio, int video) = 0;
};

// Named property choices (the live source's "line-in").
class IMFProps : public virtual IEngineObject {
 public:
  virtual void CountPropertyChoices(const std::string& property, int& count) = 0;
  virtual void GetPropertyChoice(const std::string& property, int index, std::string& text,
                                 std::string& name) = 0;
  virtual void ChoosePropertyChoice(const std::string& property, int index) = 0;
};

// Input video formats of the chosen capture device.
class IMFFormatList : public virtual IEngineObject {
 public:
  virtual void CountVideoFormats(int stream, int& count) = 0;
  virtual void GetVideoFormat(int stream, int index, M_VID_PROPS& props, std::string& name) = 0;
  virtual void ApplyVideoFormat(int stream, const M_VID_PROPS& props) = 0;
  virtual void GetCurrentVideoFormat(int stream, M_VID_PROPS& props, int& index,
                                     std::string& name) = 0;
};

// Device categories of the live source.
inline constexpr int kCaptureVideo = 0;
inline constexpr int kCaptureAudio = 1;

// Live source (CameraSource). A pull returns the newest captured frame; device, line, format
// and audio device may be changed between pulls while another thread pulls.
class IMFLive : public virtual IMFSource, public virtual IMFProps, public virtual IMFFormatList {
 public:
  virtual void CountCaptureDevices(int category, int& count) = 0;
  // busy: 1 when the device is in use elsewhere, else 0.
  virtual void GetCaptureDeviceName(int category, int index, std::string& name, int& busy) = 0;
  // index -1 chooses nothing (pulls give nil for video; silence for audio).
  virtual void ChooseCaptureDevice(int category, int index, int flags) = 0;
};

// Properties of one output choice (the chosen video codec's "b", for one).
class IMFPropertySet {
 public:
  virtual ~IMFPropertySet() = default;
  virtual void SetPropertyValue(const std::string& name, const std::string& value) = 0;
  virtual std::string GetPropertyValue(const std::string& name) const = 0;
};
using IMFPropertySetPtr = std::shared_ptr<IMFPropertySet>;

// Output choice kinds of the stream writer.
inline constexpr int kChoiceFormat = 0;
inline constexpr int kChoiceVideoCodec = 1;
inline constexpr int kChoiceAudioCodec = 2;

// What the writer is doing, for the streaming bar and the event log.
enum class eWriterState : uint8_t { Stopped, Connecting, Live, Retrying, Failed };

struct WriterStatus {
  eWriterState state = eWriterState::Stopped;
  std::string reason;  // last failure, in the operator's language; empty when none
  double bitrate_kbps = 0.0;
  int64_t frames_sent = 0;
  int64_t frames_dropped = 0;
  int64_t frames_dropped_by_encode = 0;  // of frames_dropped: the shared encode fell behind
  double retry_delay_s = 0.0;            // Retrying: the delay before the next attempt, in seconds
  double retry_in_s = 0.0;               // Retrying: seconds left of that delay
};

// Receives one line per writer event (a failure, a recovery); called on the writer's threads.
using WriterLogger = std::function<void(const std::string&)>;

// Stream writer (StreamWriter).
class IMFWriter : public virtual IMFReceiver {
 public:
  virtual void CountOutputChoices(int kind, int& count) = 0;
  virtual void GetOutputChoice(int kind, int index, std::string& text, std::string& name) = 0;
  // index outside the list (-1 included) chooses the default of that kind.
  virtual void ChooseOutputChoice(int kind, int index, IMFPropertySetPtr& props) = 0;
  virtual void GetChosenOutputChoice(int kind, std::string& name, IMFPropertySetPtr& props) = 0;
  // text: a one-line description; config: the configuration text StartStreamOutput parses.
  virtual void ReadStreamConfig(std::string& text, std::string& config) = 0;
  // Raises EngineError when config does not parse; nothing is started then.
  virtual void StartStreamOutput(const std::string& url, int flags, const std::string& config) = 0;
  // Returns within one second whatever the network does.
  virtual void StopStreamOutput(int flags) = 0;
  // Thread-safe snapshot.
  virtual WriterStatus GetStatus() const = 0;
  // Where failures and recoveries are logged (once each); empty: not logged.
  virtual void SetWriterLogger(WriterLogger logger) { (void)logger; }
};

// One place the program is streamed to.
struct StreamDestination {
  std::string name;  // as the operator named it ("YouTube"); empty for a lone server
  std::string url;   // the whole target, key included (rtmp://, rtmps://, srt://, or a file)
};

struct DestinationStatus {
  std::string name;
  WriterStatus status;
};

struct RecordingStatus {
  eWriterState state = eWriterState::Stopped;  // Live while it writes
  std::string file;                            // the file being (or last) written
  std::string reason;                          // why it stopped on its own; empty when none
  int64_t frames_written = 0;
};

// The stream writer's outputs beyond one server: several destinations fed by one encode, the
// safety recording, and reconnecting at once. The writer's Start/Stop calls belong to one thread
// (the user interface's); the status calls are safe from any thread and only copy a snapshot.
class IMFStreamOutputs : public virtual IEngineObject {
 public:
  // Like StartStreamOutput, to every destination at once from one encode. Each destination has
  // its own connection, queue and retry delay. The first destination uses the configuration's
  // format; the others the one their scheme calls for (rtmp/rtmps: FLV; srt, udp: MPEG-TS).
  virtual void StartStreamOutputs(const std::vector<StreamDestination>& destinations, int flags,
                                  const std::string& config) = 0;
  // In the order given to StartStreamOutputs; after a stop, the last run's (Stopped).
  virtual std::vector<DestinationStatus> GetDestinationStatus() const = 0;
  // Destinations waiting to retry try again now.
  virtual void ReconnectNow() = 0;
  // Records the program to `path` (Matroska written in clusters of about a second, so a killed
  // console leaves a playable file): from the running stream's encode when one runs, otherwise
  // from an encode of its own with `config`. Raises EngineError when config does not parse.
  // A file that cannot be written ends the recording (Failed, logged); the stream goes on.
  virtual void StartRecording(const std::string& path, const std::string& config) = 0;
  // Finishes the file; returns within one second.
  virtual void StopRecording() = 0;
  virtual RecordingStatus GetRecordingStatus() const = 0;
};

}  // namespace vexto::media
