// The camera the playback tests and benchmarks use: the live source on its built-in test
// picture and tone (the last entries of its device lists), so no capture hardware is needed.
#pragma once

#include <memory>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/core/interfaces.h"

namespace vexto::test {

inline std::shared_ptr<media::IMFLive> MakeTestSourceCamera() {
  auto camera = media::CreateEngineInterface<media::IMFLive>(media::CLSID_MFLive);
  int n = 0;
  camera->CountCaptureDevices(media::kCaptureVideo, n);
  camera->ChooseCaptureDevice(media::kCaptureVideo, n - 1, 0);
  camera->CountCaptureDevices(media::kCaptureAudio, n);
  camera->ChooseCaptureDevice(media::kCaptureAudio, n - 1, 0);
  return camera;
}

}  // namespace vexto::test
