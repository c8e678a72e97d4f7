// What the live source lists: video capture devices (V4L2), audio capture devices (PulseAudio
// sources, else ALSA capture PCMs), and after them the built-in test source of each kind.
// Enumeration opens nothing for long and never fails: what cannot be opened or queried is left
// out of the list.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "engine/media/core/media_types.h"

namespace vexto::media {

enum class eCaptureKind : uint8_t { TestSource, V4l2, Pulse, Alsa };

struct CaptureInput {
  std::string text;  // the value handed to the device (its input number)
  std::string name;  // what the operator reads
};

struct CaptureDevice {
  eCaptureKind kind = eCaptureKind::TestSource;
  std::string name;                  // shown in the device lists
  std::string url;                   // what the capture opens: "/dev/video0", "hw:0,0", ...
  std::vector<CaptureInput> inputs;  // "line-in" choices (video only)
  std::vector<M_VID_PROPS> formats;  // input video formats (video only), nIndex = position
};

inline constexpr const char* kTestVideoName = "Gerador de Teste (barras)";
inline constexpr const char* kTestAudioName = "Gerador de Teste (tom 1 kHz)";
inline constexpr const char* kTestInputName = "Interna";

// Readable name of a format: "1280x720 29.97 fps yuyv422".
std::string VideoFormatName(const M_VID_PROPS& props);

// The test source's entries.
CaptureDevice TestVideoDevice();
CaptureDevice TestAudioDevice();

// Every V4L2 capture device under `dev_dir` (files named video<N>) that answers
// VIDIOC_QUERYCAP as a video capture device, with its inputs and formats, then the test source.
std::vector<CaptureDevice> ListVideoCaptureDevices(const std::filesystem::path& dev_dir = "/dev");

// Audio capture devices, then the test tone. PulseAudio is asked only when its server's socket
// exists (so listing never starts a sound server); without PulseAudio sources, the ALSA capture
// PCMs of /proc/asound/pcm are listed.
std::vector<CaptureDevice> ListAudioCaptureDevices();

// FFmpeg's name of a V4L2 pixel format ("yuyv422", "mjpeg"), or the fourcc's four characters.
std::string V4l2PixelFormatName(uint32_t fourcc);

}  // namespace vexto::media
