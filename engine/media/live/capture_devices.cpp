#include "engine/media/live/capture_devices.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

extern "C" {
#include <libavdevice/avdevice.h>
}

#include "core/unique_fd.h"
#include "engine/media/live/device_input.h"

namespace vexto::media {
namespace {

int Xioctl(int fd, unsigned long request, void* arg) {
  int r;
  do {
    r = ::ioctl(fd, request, arg);
  } while (r < 0 && errno == EINTR);
  return r;
}

std::string CString(const uint8_t* text, size_t size) {
  const auto* begin = reinterpret_cast<const char*>(text);
  return std::string(begin, strnlen(begin, size));
}

// Frame rates of one size: discrete intervals as listed, a range as its fastest rate.
std::vector<std::pair<int, int>> FrameRates(int fd, uint32_t fourcc, uint32_t w, uint32_t h) {
  std::vector<std::pair<int, int>> rates;
  v4l2_frmivalenum iv{};
  iv.pixel_format = fourcc;
  iv.width = w;
  iv.height = h;
  for (iv.index = 0; Xioctl(fd, VIDIOC_ENUM_FRAMEINTERVALS, &iv) == 0 && iv.index < 32;
       ++iv.index) {
    if (iv.type == V4L2_FRMIVAL_TYPE_DISCRETE) {
      // An interval of n/d seconds is a rate of d/n frames per second.
      if (iv.discrete.numerator > 0) {
        rates.emplace_back(static_cast<int>(iv.discrete.denominator),
                           static_cast<int>(iv.discrete.numerator));
      }
    } else {
      if (iv.stepwise.min.numerator > 0) {
        rates.emplace_back(static_cast<int>(iv.stepwise.min.denominator),
                           static_cast<int>(iv.stepwise.min.numerator));
      }
      break;
    }
  }
  if (rates.empty()) rates.emplace_back(kProgramRateNum, kProgramRateDen);
  return rates;
}

std::vector<std::pair<uint32_t, uint32_t>> FrameSizes(int fd, uint32_t fourcc) {
  std::vector<std::pair<uint32_t, uint32_t>> sizes;
  v4l2_frmsizeenum fs{};
  fs.pixel_format = fourcc;
  for (fs.index = 0; Xioctl(fd, VIDIOC_ENUM_FRAMESIZES, &fs) == 0 && fs.index < 64; ++fs.index) {
    if (fs.type == V4L2_FRMSIZE_TYPE_DISCRETE) {
      sizes.emplace_back(fs.discrete.width, fs.discrete.height);
    } else {
      // A range: offer the usual sizes that fit in it.
      static constexpr std::array<std::pair<uint32_t, uint32_t>, 5> kUsual = {
          {{640, 480}, {720, 480}, {1280, 720}, {1920, 1080}, {3840, 2160}}};
      for (const auto& [w, h] : kUsual) {
        if (w >= fs.stepwise.min_width && w <= fs.stepwise.max_width &&
            h >= fs.stepwise.min_height && h <= fs.stepwise.max_height) {
          sizes.emplace_back(w, h);
        }
      }
      break;
    }
  }
  return sizes;
}

std::vector<M_VID_PROPS> V4l2Formats(int fd) {
  std::vector<M_VID_PROPS> formats;
  v4l2_fmtdesc fd_desc{};
  fd_desc.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
  for (fd_desc.index = 0; Xioctl(fd, VIDIOC_ENUM_FMT, &fd_desc) == 0 && fd_desc.index < 64;
       ++fd_desc.index) {
    const std::string pix = V4l2PixelFormatName(fd_desc.pixelformat);
    for (const auto& [w, h] : FrameSizes(fd, fd_desc.pixelformat)) {
      for (const auto& [num, den] : FrameRates(fd, fd_desc.pixelformat, w, h)) {
        M_VID_PROPS p;
        p.nWidth = static_cast<int32_t>(w);
        p.nHeight = static_cast<int32_t>(h);
        p.nRateNum = num;
        p.nRateDen = den;
        p.strPixelFormat = pix;
        p.nIndex = static_cast<int32_t>(formats.size());
        formats.push_back(p);
      }
    }
  }
  return formats;
}

std::vector<CaptureInput> V4l2Inputs(int fd) {
  std::vector<CaptureInput> inputs;
  v4l2_input in{};
  for (in.index = 0; Xioctl(fd, VIDIOC_ENUMINPUT, &in) == 0 && in.index < 32; ++in.index) {
    inputs.push_back({std::to_string(in.index), CString(in.name, sizeof in.name)});
  }
  return inputs;
}

bool PulseServerReachable() {
  if (const char* server = std::getenv("PULSE_SERVER"); server != nullptr && *server != 0) {
    return true;
  }
  std::error_code ec;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr) {
    if (std::filesystem::exists(std::filesystem::path(runtime) / "pulse" / "native", ec)) {
      return true;
    }
  }
  return std::filesystem::exists("/run/user/" + std::to_string(::getuid()) + "/pulse/native", ec) ||
         std::filesystem::exists("/var/run/pulse/native", ec);
}

struct DeviceListDeleter {
  void operator()(AVDeviceInfoList* l) const { avdevice_free_list_devices(&l); }
};

std::vector<CaptureDevice> PulseSources() {
  std::vector<CaptureDevice> devices;
  if (!PulseServerReachable()) return devices;
  RegisterCaptureFormats();
  const AVInputFormat* pulse = av_find_input_format("pulse");
  if (pulse == nullptr) return devices;
  AVDeviceInfoList* raw = nullptr;
  if (avdevice_list_input_sources(pulse, nullptr, nullptr, &raw) < 0 || raw == nullptr) {
    return devices;
  }
  std::unique_ptr<AVDeviceInfoList, DeviceListDeleter> list(raw);
  for (int i = 0; i < list->nb_devices; ++i) {
    const AVDeviceInfo* d = list->devices[i];
    if (d == nullptr || d->device_name == nullptr) continue;
    CaptureDevice dev;
    dev.kind = eCaptureKind::Pulse;
    dev.url = d->device_name;
    dev.name = d->device_description != nullptr ? d->device_description : d->device_name;
    devices.push_back(std::move(dev));
  }
  return devices;
}

// Lines of /proc/asound/pcm: "00-00: ID : Name : playback 1 : capture 1".
std::vector<CaptureDevice> AlsaCapturePcms() {
  std::vector<CaptureDevice> devices;
  std::ifstream pcm("/proc/asound/pcm");
  std::string line;
  static const std::regex kLine(R"(^(\d+)-(\d+): ([^:]*): ([^:]*):.*capture.*$)");
  while (std::getline(pcm, line)) {
    std::smatch m;
    if (!std::regex_match(line, m, kLine)) continue;
    CaptureDevice dev;
    dev.kind = eCaptureKind::Alsa;
    dev.url = "plughw:" + std::to_string(std::stoi(m[1])) + "," + std::to_string(std::stoi(m[2]));
    std::string name = m[4];
    while (!name.empty() && name.back() == ' ') name.pop_back();
    while (!name.empty() && name.front() == ' ') name.erase(name.begin());
    dev.name = name + " (" + dev.url + ")";
    devices.push_back(std::move(dev));
  }
  return devices;
}

}  // namespace

std::string VideoFormatName(const M_VID_PROPS& p) {
  char rate[32];
  const double fps = p.nRateDen > 0 ? static_cast<double>(p.nRateNum) / p.nRateDen : 0.0;
  if (std::fabs(fps - std::round(fps)) < 0.005) {
    std::snprintf(rate, sizeof rate, "%d", static_cast<int>(std::lround(fps)));
  } else {
    std::snprintf(rate, sizeof rate, "%.2f", fps);
  }
  return std::to_string(p.nWidth) + "x" + std::to_string(p.nHeight) + " " + rate + " fps " +
         p.strPixelFormat;
}

std::string V4l2PixelFormatName(uint32_t fourcc) {
  switch (fourcc) {
    case V4L2_PIX_FMT_YUYV:
      return "yuyv422";
    case V4L2_PIX_FMT_UYVY:
      return "uyvy422";
    case V4L2_PIX_FMT_YUV420:
      return "yuv420p";
    case V4L2_PIX_FMT_YUV422P:
      return "yuv422p";
    case V4L2_PIX_FMT_NV12:
      return "nv12";
    case V4L2_PIX_FMT_NV21:
      return "nv21";
    case V4L2_PIX_FMT_RGB24:
      return "rgb24";
    case V4L2_PIX_FMT_BGR24:
      return "bgr24";
    case V4L2_PIX_FMT_GREY:
      return "gray";
    case V4L2_PIX_FMT_MJPEG:
      return "mjpeg";
    case V4L2_PIX_FMT_JPEG:
      return "mjpeg";
    case V4L2_PIX_FMT_H264:
      return "h264";
    default:
      break;
  }
  std::string s;
  for (int i = 0; i < 4; ++i) {
    const char c = static_cast<char>((fourcc >> (8 * i)) & 0xff);
    if (c != ' ' && c != 0) s.push_back(c);
  }
  return s;
}

CaptureDevice TestVideoDevice() {
  CaptureDevice dev;
  dev.kind = eCaptureKind::TestSource;
  dev.name = kTestVideoName;
  dev.inputs = {{"0", kTestInputName}};
  static constexpr std::array<std::array<int, 4>, 4> kFormats = {{{1280, 720, 30000, 1001},
                                                                  {1920, 1080, 30000, 1001},
                                                                  {640, 360, 30000, 1001},
                                                                  {1280, 720, 25, 1}}};
  for (const auto& f : kFormats) {
    M_VID_PROPS p;
    p.nWidth = f[0];
    p.nHeight = f[1];
    p.nRateNum = f[2];
    p.nRateDen = f[3];
    p.strPixelFormat = "yuv420p";
    p.nIndex = static_cast<int32_t>(dev.formats.size());
    dev.formats.push_back(p);
  }
  return dev;
}

CaptureDevice TestAudioDevice() {
  CaptureDevice dev;
  dev.kind = eCaptureKind::TestSource;
  dev.name = kTestAudioName;
  return dev;
}

std::vector<CaptureDevice> ListVideoCaptureDevices(const std::filesystem::path& dev_dir) {
  std::vector<std::pair<int, std::filesystem::path>> nodes;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dev_dir, ec), end; !ec && it != end;
       it.increment(ec)) {
    const std::string file = it->path().filename().string();
    if (file.rfind("video", 0) != 0 || file.size() == 5) continue;
    if (!std::all_of(file.begin() + 5, file.end(), [](char c) { return c >= '0' && c <= '9'; })) {
      continue;
    }
    nodes.emplace_back(std::stoi(file.substr(5)), it->path());
  }
  std::sort(nodes.begin(), nodes.end());

  std::vector<CaptureDevice> devices;
  for (const auto& [number, path] : nodes) {
    UniqueFd fd(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) continue;
    v4l2_capability cap{};
    if (Xioctl(fd.get(), VIDIOC_QUERYCAP, &cap) < 0) continue;
    const uint32_t caps =
        (cap.capabilities & V4L2_CAP_DEVICE_CAPS) != 0 ? cap.device_caps : cap.capabilities;
    if ((caps & V4L2_CAP_VIDEO_CAPTURE) == 0) continue;
    CaptureDevice dev;
    dev.kind = eCaptureKind::V4l2;
    dev.url = path.string();
    dev.name = CString(cap.card, sizeof cap.card);
    if (dev.name.empty()) dev.name = path.filename().string();
    dev.inputs = V4l2Inputs(fd.get());
    dev.formats = V4l2Formats(fd.get());
    devices.push_back(std::move(dev));
  }
  devices.push_back(TestVideoDevice());
  return devices;
}

std::vector<CaptureDevice> ListAudioCaptureDevices() {
  std::vector<CaptureDevice> devices = PulseSources();
  if (devices.empty()) devices = AlsaCapturePcms();
  devices.push_back(TestAudioDevice());
  return devices;
}

}  // namespace vexto::media
