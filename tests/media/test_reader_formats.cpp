// The file reader opens the usual content of each accepted file type and plays it.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/factory/builtin_classes.h"
#include "tests/media/test_reader_support.h"
#include "tests/support/test_support.h"

namespace vexto::test {
namespace {

struct FormatCase {
  const char* name;
  const char* file;
  const char* video_codec;  // empty: no picture
  const char* audio_codec;  // empty: no sound
  std::vector<std::string> extra;
  const char* size = "320x240";
  const char* rate = "30000/1001";
};

void PrintTo(const FormatCase& c, std::ostream* os) {
  *os << c.name;
}

class ReaderFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(ReaderFormat, OpensAndPlays) {
  const FormatCase& c = GetParam();
  TempDir dir;
  const auto path = dir / c.file;
  ASSERT_TRUE(MakeCounterClip(path, c.rate, 2.0, c.video_codec, c.audio_codec, c.extra, c.size));

  auto reader = NewReader();
  reader->OpenMediaFile(path.string(), 0);
  double duration = 0.0;
  reader->QueryMediaDuration(duration);
  EXPECT_NEAR(duration, 2.0, 0.15);

  const bool has_video = *c.video_codec != '\0';
  const bool has_audio = *c.audio_codec != '\0';
  int pictures = 0;
  int peak = 0;
  int counted = 0;
  for (int i = 0; i < 30; ++i) {
    auto frame = i == 0 ? PullWaiting(*reader, -1) : Pull(*reader, -1);
    ASSERT_TRUE(frame) << "pull " << i;
    EXPECT_EQ(frame->AudioSamples(), media::SamplesBefore(i + 1) - media::SamplesBefore(i));
    if (frame->Video() != nullptr) ++pictures;
    if (IndexOf(frame) == i && CounterOf(frame->Video()) >= 0) ++counted;
    peak = std::max(peak, Peak(frame->Audio()));
    // Let the decoder keep up with the pulls (a repeat is allowed, but should be rare here).
    if (i % 5 == 4) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  if (has_video) {
    EXPECT_EQ(pictures, 30);
    EXPECT_GT(counted, 0);
  } else {
    EXPECT_EQ(pictures, 0);
  }
  if (has_audio) {
    EXPECT_GT(peak, 1000);
  } else {
    EXPECT_EQ(peak, 0);
  }
}

const std::vector<std::string> kInterlaced = {"-flags", "+ildct+ilme", "-top", "1"};
const std::vector<std::string> kVariableRate = {
    "-vf", "setpts='if(lt(N,30),N/20,1.5+(N-30)/60)/TB'", "-fps_mode", "vfr"};

INSTANTIATE_TEST_SUITE_P(
    Table, ReaderFormat,
    ::testing::Values(
        FormatCase{"mp4_h264_aac", "a.mp4", "libx264", "aac", {"-pix_fmt", "yuv420p"}},
        FormatCase{"mov_prores_pcm", "b.mov", "prores_ks", "pcm_s16le", {}},
        FormatCase{"mov_dnxhr_pcm",
                   "c.mov",
                   "dnxhd",
                   "pcm_s16le",
                   {"-profile:v", "dnxhr_sq", "-pix_fmt", "yuv422p"}},
        FormatCase{"mpg_mpeg2_mp2", "d.mpg", "mpeg2video", "mp2", {}},
        FormatCase{"mpg_interlaced", "e.mpg", "mpeg2video", "mp2", kInterlaced},
        FormatCase{"wmv_wmv2_wma2", "f.wmv", "wmv2", "wmav2", {}},
        FormatCase{"avi_mpeg4_mp3", "g.avi", "mpeg4", "libmp3lame", {}},
        FormatCase{"avi_mjpeg_pcm", "h.avi", "mjpeg", "pcm_s16le", {}},
        FormatCase{
            "avi_dv_pcm", "i.avi", "dvvideo", "pcm_s16le", {"-pix_fmt", "yuv411p"}, "720x480"},
        FormatCase{"mp4_variable_rate", "j.mp4", "libx264", "aac", kVariableRate},
        FormatCase{"mp4_audio_only", "k.mp4", "", "aac", {}},
        FormatCase{"mp4_video_only", "l.mp4", "libx264", "", {}}),
    [](const ::testing::TestParamInfo<FormatCase>& p) { return p.param.name; });

TEST(EngineFactory, MakesTheReaderAndRefusesUnknownClasses) {
  media::RegisterBuiltInEngineClasses();
  media::RegisterBuiltInEngineClasses();  // a second call changes nothing
  auto reader = media::CreateEngineInterface<media::IMFReader>(media::CLSID_MFReader);
  ASSERT_TRUE(reader);
  const std::string unknown = "{00000000-0000-0000-0000-000000000000}";
  try {
    media::CreateEngineObject(unknown);
    FAIL() << "made an unknown class";
  } catch (const media::EngineError& e) {
    EXPECT_EQ(std::string(e.what()), "Class not registered, ClassID: " + unknown);
  }
  // A reader is no monitor.
  EXPECT_THROW(media::CreateEngineInterface<media::IMFPreview>(media::CLSID_MFReader),
               media::EngineError);
}

}  // namespace
}  // namespace vexto::test
