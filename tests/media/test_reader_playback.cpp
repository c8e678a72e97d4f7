// The file reader's pull contract: frame-accurate seeks, the program-rate timeline, the end
// flag, pause and reverse, and the sound's sample count.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <random>
#include <thread>

#include "engine/media/reader/program_timeline.h"
#include "tests/media/test_reader_support.h"

namespace vexto::test {
namespace {

using media::IMFFramePtr;

// Normal play that waits out the decoder: pulls -1 until the next frame (or the last) comes,
// as a pump at real-time pace would see it.
IMFFramePtr PlayNext(media::IMFReader& reader, int64_t previous) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  for (;;) {
    IMFFramePtr f = previous < 0 ? PullWaiting(reader, -1) : Pull(reader, -1);
    if (!f || IndexOf(f) != previous || IsLast(f)) return f;
    if (std::chrono::steady_clock::now() > deadline) return f;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

// A 3 s counter clip at 29.97 with a key frame every second and B-frames, so a seek has to
// decode forward from the key frame before it.
std::filesystem::path Clip2997(const std::string& kind = "mp4") {
  if (kind == "mpg")
    return CounterClip(".mpg", "30000/1001", 3.0, "mpeg2video", "mp2", {"-g", "30"});
  if (kind == "wmv") return CounterClip(".wmv", "30000/1001", 3.0, "wmv2", "wmav2", {"-g", "30"});
  if (kind == "avi") {
    return CounterClip(".avi", "30000/1001", 3.0, "mpeg4", "pcm_s16le", {"-g", "30", "-bf", "2"});
  }
  return CounterClip(".mp4", "30000/1001", 3.0, "libx264", "aac",
                     {"-g", "30", "-bf", "2", "-pix_fmt", "yuv420p"});
}

class ReaderSeek : public ::testing::TestWithParam<std::string> {};

TEST_P(ReaderSeek, LandsOnTheExactFrame) {
  const auto clip = Clip2997(GetParam());
  ASSERT_FALSE(clip.empty());
  auto reader = NewReader();
  reader->OpenMediaFile(clip.string(), 0);
  double duration = 0.0;
  reader->QueryMediaDuration(duration);
  ASSERT_GT(duration, 2.9);

  // Past the end: the last frame. Where it falls depends on how long the container's sound
  // runs past the last picture (89, at 29.97, is the last picture).
  IMFFramePtr end = PullWaiting(*reader, 1000.0);
  ASSERT_TRUE(end);
  const int64_t last = IndexOf(end);
  EXPECT_TRUE(IsLast(end));
  EXPECT_GE(last, 89);
  EXPECT_LE(last, 91);
  EXPECT_EQ(CounterOf(end->Video()), 89);

  struct Step {
    double position;
    int64_t frame;  // expected program frame (= source frame at 29.97)
    bool last;
  };
  const std::vector<Step> steps = {
      {media::ProgramFrameSeconds(44), 44, false},     // middle, after a key frame at 30
      {0.0, 0, false},                                 // first
      {1.5, 44, false},                                // a time inside frame 44
      {media::ProgramFrameSeconds(last), last, true},  // last
      {media::ProgramFrameSeconds(59), 59, false},     // just before a key frame
      {1000.0, last, true},                            // past the end
      {media::ProgramFrameSeconds(61), 61, false},     // just after a key frame
      {media::ProgramFrameSeconds(65), 65, false},     // a little ahead: decoded forward
      {media::ProgramFrameSeconds(88), 88, false},     // ahead, next to the end
      {media::ProgramFrameSeconds(12), 12, false},     // back into the first GOP
  };
  for (const Step& s : steps) {
    SCOPED_TRACE("position " + std::to_string(s.position));
    IMFFramePtr f = PullWaiting(*reader, s.position);
    ASSERT_TRUE(f);
    EXPECT_EQ(IndexOf(f), s.frame);
    EXPECT_EQ(f->Time().rtStartTime, media::ProgramFrameStart100ns(s.frame));
    EXPECT_EQ(f->Time().rtEndTime, media::ProgramFrameStart100ns(s.frame + 1));
    EXPECT_EQ(CounterOf(f->Video()), std::min<int64_t>(s.frame, 89));
    EXPECT_EQ(IsLast(f), s.last);
    // The next frame in normal play follows the sought one.
    if (!s.last) {
      IMFFramePtr next = PlayNext(*reader, s.frame);
      ASSERT_TRUE(next);
      EXPECT_EQ(IndexOf(next), s.frame + 1);
      EXPECT_EQ(CounterOf(next->Video()), s.frame + 1);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, ReaderSeek, ::testing::Values("mp4", "mpg", "wmv", "avi"));

TEST(ReaderPlay, FirstPullAfterOpenIsTheFirstFrame) {
  const auto clip = Clip2997();
  for (double first : {-1.0, 0.0}) {
    auto reader = NewReader();
    reader->OpenMediaFile(clip.string(), 0);
    IMFFramePtr f = PullWaiting(*reader, first);
    ASSERT_TRUE(f);
    EXPECT_EQ(IndexOf(f), 0);
    EXPECT_EQ(CounterOf(f->Video()), 0);
    IMFFramePtr next = PlayNext(*reader, 0);
    EXPECT_EQ(IndexOf(next), 1);
    EXPECT_EQ(CounterOf(next->Video()), 1);
  }
}

TEST(ReaderPlay, EndFlagComesExactlyOnceAndAgainOnlyWhenTheLastFrameIsAskedFor) {
  auto reader = NewReader();
  reader->OpenMediaFile(Clip2997().string(), 0);
  int flags = 0;
  int64_t previous = -1;
  int64_t last = -1;
  for (int i = 0; i < 200 && flags == 0; ++i) {
    IMFFramePtr f = PlayNext(*reader, previous);
    ASSERT_TRUE(f);
    ASSERT_EQ(IndexOf(f), previous + 1) << "frames come in order";
    previous = IndexOf(f);
    if (IsLast(f)) {
      ++flags;
      last = previous;
    }
  }
  ASSERT_EQ(flags, 1);
  EXPECT_EQ(last, 89);
  // Past the end: the last picture again, never flagged.
  for (int i = 0; i < 5; ++i) {
    IMFFramePtr f = Pull(*reader, -1);
    ASSERT_TRUE(f);
    EXPECT_EQ(IndexOf(f), last);
    EXPECT_FALSE(IsLast(f));
    EXPECT_EQ(Peak(f->Audio()), 0);
  }
  EXPECT_FALSE(IsLast(Pull(*reader, -1, " pause=true")));
  // Asked for again: flagged again.
  EXPECT_TRUE(IsLast(PullWaiting(*reader, media::ProgramFrameSeconds(last))));
  // Looping back to the start plays through once more with one flag.
  ASSERT_EQ(IndexOf(PullWaiting(*reader, 0.0)), 0);
  flags = 0;
  previous = 0;
  for (int i = 0; i < 200 && flags == 0; ++i) {
    IMFFramePtr f = PlayNext(*reader, previous);
    ASSERT_TRUE(f);
    previous = IndexOf(f);
    if (IsLast(f)) ++flags;
  }
  EXPECT_EQ(flags, 1);
  EXPECT_EQ(previous, last);
}

TEST(ReaderPlay, PauseRepeatsAndReverseStepsBack) {
  auto reader = NewReader();
  reader->OpenMediaFile(Clip2997().string(), 0);
  ASSERT_EQ(IndexOf(PullWaiting(*reader, media::ProgramFrameSeconds(10))), 10);

  // Paused (also at -3 after a step): the same frame, silent.
  for (double position : {-1.0, -3.0}) {
    IMFFramePtr f = Pull(*reader, position, " pause=true");
    ASSERT_TRUE(f);
    EXPECT_EQ(IndexOf(f), 10);
    EXPECT_EQ(CounterOf(f->Video()), 10);
    EXPECT_EQ(Peak(f->Audio()), 0);
  }
  // Reverse: one frame back each pull, down to the first frame.
  for (int64_t expected : {9, 8, 7}) {
    IMFFramePtr f = PullWaiting(*reader, -1, " reverse=true");
    ASSERT_TRUE(f);
    EXPECT_EQ(IndexOf(f), expected);
    EXPECT_EQ(CounterOf(f->Video()), expected);
  }
  ASSERT_EQ(IndexOf(PullWaiting(*reader, media::ProgramFrameSeconds(1))), 1);
  EXPECT_EQ(IndexOf(PullWaiting(*reader, -1, " reverse=true")), 0);
  EXPECT_EQ(IndexOf(PullWaiting(*reader, -1, " reverse=true")), 0);

  // A step (no hints) then -3 with no hints advances three frames.
  EXPECT_EQ(IndexOf(PlayNext(*reader, 0)), 1);
  IMFFramePtr f = Pull(*reader, -3);
  for (int i = 0; i < 500 && IndexOf(f) == 1; ++i) {  // the decoder has not caught up yet
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    f = Pull(*reader, -3);
  }
  EXPECT_EQ(IndexOf(f), 4);
  EXPECT_EQ(CounterOf(f->Video()), 4);
}

struct RateCase {
  const char* name;
  const char* rate;
  double fps;
};

class ReaderRate : public ::testing::TestWithParam<RateCase> {};

// Any source rate plays in real time: the number of program frames is the duration at 29.97,
// and program frame k shows the source picture of time k * 1001/30000.
TEST_P(ReaderRate, PlaysForItsDurationAtTheProgramRate) {
  const RateCase& c = GetParam();
  const auto clip = CounterClip(".mp4", c.rate, 2.0, "libx264", "aac", {"-pix_fmt", "yuv420p"});
  ASSERT_FALSE(clip.empty());
  auto reader = NewReader();
  reader->OpenMediaFile(clip.string(), 0);
  double duration = 0.0;
  reader->QueryMediaDuration(duration);

  int64_t previous = -1;
  int64_t frames = 0;
  for (int i = 0; i < 400; ++i) {
    IMFFramePtr f = PlayNext(*reader, previous);
    ASSERT_TRUE(f);
    ASSERT_EQ(IndexOf(f), previous + 1);
    previous = IndexOf(f);
    ++frames;
    const double t = media::ProgramFrameSeconds(previous);
    const auto source = static_cast<int>(std::floor((t + 0.001) * c.fps));
    const int shown = CounterOf(f->Video());
    // The clip's last picture holds while the (slightly longer) sound ends.
    if (source < static_cast<int>(std::lround(2.0 * c.fps))) {
      EXPECT_EQ(shown, source) << "program frame " << previous;
    }
    if (IsLast(f)) break;
  }
  EXPECT_NEAR(static_cast<double>(frames), duration * 30000.0 / 1001.0, 1.0);
  EXPECT_NEAR(static_cast<double>(frames), 2.0 * 30000.0 / 1001.0, 1.5);
}

INSTANTIATE_TEST_SUITE_P(Rates, ReaderRate,
                         ::testing::Values(RateCase{"fps25", "25", 25.0},
                                           RateCase{"fps50", "50", 50.0},
                                           RateCase{"fps5994", "60000/1001", 60000.0 / 1001.0},
                                           RateCase{"fps30", "30", 30.0}),
                         [](const ::testing::TestParamInfo<RateCase>& p) { return p.param.name; });

// Whatever the order of seeks, pauses, steps and plays, after n frames exactly
// SamplesBefore(n) samples went out; played frames carry the tone, paused ones silence.
TEST(ReaderSound, SampleCountHoldsInAnyOrderOfPulls) {
  auto reader = NewReader();
  reader->OpenMediaFile(Clip2997().string(), 0);
  std::mt19937 random(20240611);
  int64_t samples = 0;
  int64_t n = 0;
  int64_t previous = -1;
  int silent_plays = 0;
  int plays = 0;
  for (int i = 0; i < 200; ++i) {
    IMFFramePtr f;
    const int op = static_cast<int>(random() % 10);
    if (op == 0) {
      f = PullWaiting(*reader, std::uniform_real_distribution<double>(0.0, 3.5)(random));
    } else if (op == 1) {
      f = Pull(*reader, -1, " pause=true");
      ASSERT_TRUE(f);
      EXPECT_EQ(Peak(f->Audio()), 0);
    } else if (op == 2) {
      f = PullWaiting(*reader, -1, " reverse=true");
    } else if (op == 3) {
      f = Pull(*reader, -3);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      f = Pull(*reader, -1);
      ASSERT_TRUE(f);
      const int64_t index = IndexOf(f);
      if (index == previous + 1 && index > 2 && index < 85) {
        ++plays;
        if (Peak(f->Audio()) < 1000) ++silent_plays;
      }
    }
    ASSERT_TRUE(f);
    previous = IndexOf(f);
    samples += f->AudioSamples();
    ++n;
    ASSERT_EQ(media::SamplesBefore(n), samples) << "after pull " << i;
  }
  EXPECT_GT(plays, 20);
  EXPECT_EQ(silent_plays, 0);
}

TEST(ReaderSound, EachFrameCarriesItsShare) {
  auto reader = NewReader();
  reader->OpenMediaFile(Clip2997().string(), 0);
  int64_t previous = -1;
  for (int64_t n = 0; n < 40; ++n) {
    IMFFramePtr f = n == 0 ? PullWaiting(*reader, -1) : Pull(*reader, -1);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->AudioSamples(), media::SamplesBefore(n + 1) - media::SamplesBefore(n));
    EXPECT_EQ(f->Audio().size(), static_cast<size_t>(f->AudioSamples()) * media::kAudioChannels);
    previous = IndexOf(f);
  }
  EXPECT_GE(previous, 0);
}

}  // namespace
}  // namespace vexto::test
