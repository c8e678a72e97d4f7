// The file reader under bad input and under open/close from another thread while pulling.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <random>
#include <thread>

#include "engine/media/reader/program_timeline.h"
#include "tests/media/test_reader_support.h"
#include "tests/support/file_helpers.h"
#include "tests/support/test_support.h"

namespace vexto::test {
namespace {

using media::IMFFramePtr;
namespace fs = std::filesystem;

using test::ReadFileBytes;
using test::WriteFileBytes;

std::string RandomBytes(size_t n) {
  std::mt19937 random(7);
  std::string s(n, '\0');
  for (char& c : s) c = static_cast<char>(random() & 0xff);
  return s;
}

fs::path GoodClip() {
  return CounterClip(".mp4", "30000/1001", 2.0, "libx264", "aac", {"-pix_fmt", "yuv420p"});
}

// Pulls like the pump would (play, a seek now and then, pause); returns how many frames came
// and whether the last one was flagged. Must end well inside the time budget.
struct PlayResult {
  int frames = 0;
  int nil = 0;
  int ends = 0;
};
PlayResult PlayAround(media::IMFReader& reader, int pulls) {
  PlayResult r;
  for (int i = 0; i < pulls; ++i) {
    IMFFramePtr f;
    if (i % 37 == 5) {
      f = Pull(reader, 0.7 * (i % 4));
    } else if (i % 23 == 7) {
      f = Pull(reader, -1, " pause=true");
    } else {
      f = Pull(reader, -1);
    }
    if (f) {
      ++r.frames;
      if (IsLast(f)) ++r.ends;
    } else {
      ++r.nil;
    }
  }
  return r;
}

struct BadCase {
  const char* name;
  // Makes the file at path from a good 2 s clip.
  std::function<void(const fs::path& good, const fs::path& path)> make;
  bool opens;  // the reader has a duration afterwards
};

void PrintTo(const BadCase& c, std::ostream* os) {
  *os << c.name;
}

class ReaderBadInput : public ::testing::TestWithParam<BadCase> {};

TEST_P(ReaderBadInput, NeitherCrashesNorHangs) {
  const BadCase& c = GetParam();
  TempDir dir;
  const fs::path good = GoodClip();
  ASSERT_FALSE(good.empty());
  const fs::path path = dir / (std::string(c.name) + ".mp4");
  c.make(good, path);

  auto reader = NewReader();
  // A good file first: a failed open must leave the reader empty, not on the old file.
  reader->OpenMediaFile(good.string(), 0);
  ASSERT_TRUE(PullWaiting(*reader, -1));
  const auto started = std::chrono::steady_clock::now();
  reader->OpenMediaFile(path.string(), 0);
  double duration = -1.0;
  reader->QueryMediaDuration(duration);
  if (c.opens) {
    EXPECT_GT(duration, 0.0);
  } else {
    EXPECT_EQ(duration, 0.0);
    EXPECT_FALSE(Pull(*reader, -1));
    EXPECT_FALSE(Pull(*reader, 0.0));
  }
  const PlayResult r = PlayAround(*reader, 150);
  if (!c.opens) {
    EXPECT_EQ(r.frames, 0);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(30));
  reader->CloseMediaFile();
  reader->QueryMediaDuration(duration);
  EXPECT_EQ(duration, 0.0);
  EXPECT_FALSE(Pull(*reader, -1));
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReaderBadInput,
    ::testing::Values(
        BadCase{"zero_length", [](const fs::path&, const fs::path& p) { WriteFileBytes(p, ""); },
                false},
        BadCase{"random_bytes",
                [](const fs::path&, const fs::path& p) { WriteFileBytes(p, RandomBytes(200000)); },
                false},
        BadCase{"missing", [](const fs::path&, const fs::path&) {}, false},
        BadCase{"folder", [](const fs::path&, const fs::path& p) { fs::create_directory(p); },
                false},
        // The index is at the end of this mp4: cut in half, it cannot be opened.
        BadCase{"truncated_no_index",
                [](const fs::path& g, const fs::path& p) {
                  const std::string b = ReadFileBytes(g);
                  WriteFileBytes(p, b.substr(0, b.size() / 2));
                },
                false},
        // With the index in front, the half that exists plays.
        BadCase{"truncated_index_first",
                [](const fs::path& g, const fs::path& p) {
                  const fs::path front = p.parent_path() / "front.mp4";
                  ASSERT_TRUE(Ffmpeg(
                      {"-i", g.string(), "-c", "copy", "-movflags", "+faststart", front.string()}));
                  const std::string b = ReadFileBytes(front);
                  WriteFileBytes(p, b.substr(0, b.size() / 2));
                },
                true},
        // Damaged bytes in the middle of the data.
        BadCase{"corrupt_middle",
                [](const fs::path& g, const fs::path& p) {
                  std::string b = ReadFileBytes(g);
                  const std::string junk = RandomBytes(b.size() / 4);
                  b.replace(b.size() / 3, junk.size(), junk);
                  WriteFileBytes(p, b);
                },
                true}),
    [](const ::testing::TestParamInfo<BadCase>& p) { return p.param.name; });

TEST(ReaderBadInput, TruncatedStreamPlaysWhatExistsAndEnds) {
  TempDir dir;
  const fs::path good = CounterClip(".mpg", "30000/1001", 2.0, "mpeg2video", "mp2");
  const fs::path cut = dir / "cut.mpg";
  const std::string b = ReadFileBytes(good);
  WriteFileBytes(cut, b.substr(0, b.size() / 2));
  auto reader = NewReader();
  reader->OpenMediaFile(cut.string(), 0);
  int64_t previous = -1;
  int ends = 0;
  for (int i = 0; i < 400 && ends == 0; ++i) {
    IMFFramePtr f = i == 0 ? PullWaiting(*reader, -1) : Pull(*reader, -1);
    ASSERT_TRUE(f);
    if (IndexOf(f) == previous && !IsLast(f)) {
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
      continue;
    }
    EXPECT_EQ(IndexOf(f), previous + 1);
    previous = IndexOf(f);
    if (IsLast(f)) ++ends;
  }
  EXPECT_EQ(ends, 1);
  EXPECT_GT(previous, 10);
  EXPECT_LT(previous, 59);  // ends where the data ends, not at the container's length
}

TEST(ReaderBadInput, FileDeletedOrOverwrittenWhilePlaying) {
  TempDir dir;
  const fs::path path = dir / "playing.mp4";
  fs::copy_file(GoodClip(), path);
  auto reader = NewReader();
  reader->OpenMediaFile(path.string(), 0);
  PlayResult r = PlayAround(*reader, 10);
  EXPECT_EQ(r.frames, 10);
  fs::remove(path);
  r = PlayAround(*reader, 100);
  EXPECT_GT(r.frames, 0);  // the open file stays readable on this system

  fs::copy_file(GoodClip(), path);
  reader->OpenMediaFile(path.string(), 0);
  PlayAround(*reader, 10);
  WriteFileBytes(path, RandomBytes(5000));  // truncated and overwritten in place
  PlayAround(*reader, 150);
  EXPECT_TRUE(Pull(*reader, 0.0) || true);  // anything but a crash or a hang
}

// Open and close from one thread while another pulls: no crash, no race, and once an open has
// returned no frame of an earlier file comes back (the files differ in picture size).
TEST(ReaderThreads, OpenAndCloseWhilePulling) {
  const fs::path small =
      CounterClip(".mp4", "30000/1001", 2.0, "libx264", "aac", {"-pix_fmt", "yuv420p"}, "160x120");
  const fs::path large = GoodClip();
  ASSERT_FALSE(small.empty());
  auto reader = NewReader();

  // state = changes * 1000 + picture width of the open file (0: none), set after each open or
  // close returns; kChanging while one is under way. A pull that starts and ends within one
  // settled state must match it.
  constexpr int kChanging = 999;
  std::atomic<int64_t> state{0};
  int64_t changes = 0;
  auto set = [&](int width) { state.store(++changes * 1000 + width); };
  std::atomic<bool> running{true};
  std::atomic<int> stale{0};
  std::atomic<int> frames{0};
  std::thread puller([&] {
    int i = 0;
    while (running.load()) {
      const int64_t before = state.load();
      IMFFramePtr f;
      if (i % 11 == 3) {
        f = Pull(*reader, 0.5);
      } else if (i % 7 == 2) {
        f = Pull(*reader, -1, " pause=true");
      } else {
        f = Pull(*reader, -1);
      }
      const int64_t after = state.load();
      std::this_thread::sleep_for(std::chrono::microseconds(100));
      ++i;
      if (f) frames.fetch_add(1);
      if (before == after && before % 1000 != kChanging) {
        const int64_t width = before % 1000;
        if (f && f->Width() != width) {
          stale.fetch_add(1);
          ADD_FAILURE() << "pull " << i << " state " << before << " width " << f->Width()
                        << " frame " << IndexOf(f);
        }
      }
    }
  });
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(4);
  int rounds = 0;
  while (std::chrono::steady_clock::now() < until || rounds < 8) {
    set(kChanging);
    reader->OpenMediaFile(small.string(), 0);
    set(160);
    std::this_thread::sleep_for(std::chrono::milliseconds(30 + rounds % 5 * 10));
    set(kChanging);
    reader->CloseMediaFile();
    set(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    set(kChanging);
    reader->OpenMediaFile(large.string(), 0);
    set(320);
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    // Open without closing first, then close.
    set(kChanging);
    reader->OpenMediaFile(small.string(), 0);
    set(160);
    std::this_thread::sleep_for(std::chrono::milliseconds(rounds % 3 * 10));
    set(kChanging);
    reader->CloseMediaFile();
    set(0);
    ++rounds;
  }
  running.store(false);
  puller.join();
  EXPECT_EQ(stale.load(), 0);
  EXPECT_GT(frames.load(), 20);
}

TEST(ReaderThreads, ReaderReleasedWhileItsWorkerDecodes) {
  for (int i = 0; i < 5; ++i) {
    auto reader = NewReader();
    reader->OpenMediaFile(GoodClip().string(), 0);
    Pull(*reader, -1);
    Pull(*reader, 1.0);
  }  // each reader stops and joins its decode thread as it goes
  SUCCEED();
}

}  // namespace
}  // namespace vexto::test
