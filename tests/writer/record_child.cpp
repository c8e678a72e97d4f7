// A console stand-in for the test that kills one mid-show: records the program (generated
// frames, in real time) to the file named by its argument and writes "pushed N" every ten
// frames. Runs until killed, or 60 s.
#include <chrono>
#include <cstdio>
#include <thread>

#include "engine/media/core/interfaces.h"
#include "engine/media/writer/stream_writer.h"
#include "tests/writer/program_frames.h"

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char** argv) {
  using namespace vexto;
  if (argc < 2) return 2;
  av_log_set_level(AV_LOG_ERROR);
  const media::EngineObjectPtr object = media::MakeStreamWriter();
  auto writer = std::dynamic_pointer_cast<media::IMFWriter>(object);
  auto outputs = std::dynamic_pointer_cast<media::IMFStreamOutputs>(object);
  media::IMFPropertySetPtr props;
  writer->ChooseOutputChoice(media::kChoiceFormat, 0, props);
  props->SetPropertyValue("size", "640x360");
  std::string text, config;
  writer->ReadStreamConfig(text, config);
  outputs->StartRecording(argv[1], config);
  const auto start = std::chrono::steady_clock::now();
  for (int64_t i = 0; i < 60 * 30; ++i) {
    std::this_thread::sleep_until(start + std::chrono::nanoseconds(i * 1001000000LL / 30));
    writer->PushFrame(test::MakeProgramFrame(i, {40, 160, 40}, 640, 360), 0, 0, 0);
    if ((i + 1) % 10 == 0) {
      std::printf("pushed %lld\n", static_cast<long long>(i + 1));
      std::fflush(stdout);
    }
  }
  outputs->StopRecording();
  return 0;
}
