// Frames repeated and lost on the program output at each automatic advance and each loop,
// real-time pump. Reference: the same run's ordinary frame-to-frame steps inside the items.
// Env: VEXTO_BENCH_ITEMS (default 6 items of 2 s; the last one loops 3 times).
#include <QCoreApplication>

#include <cstdio>
#include <map>

#include "bench/playout/bench_support.h"

using namespace vexto;
using namespace vexto::bench;

namespace {

struct Push {
  int item;  // index of the colour (first pixel's Y) in the list of clips, -1 none
  int64_t frame;
  bool eom;
};

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int items = std::max(2, static_cast<int>(EnvDouble("VEXTO_BENCH_ITEMS", 6)));
  test::TempDir dir;
  const char* colours[] = {"red", "green", "blue", "yellow", "white", "purple", "orange", "gray"};
  std::vector<std::string> files;
  for (int i = 0; i < items; ++i) {
    files.push_back((dir / ("item" + std::to_string(i) + ".mp4")).string());
    MakeClip(files.back(), std::string("color=c=") + colours[i % 8] + ":s=160x120:r=30000/1001",
             2.0);
  }
  BenchRig rig(files);
  rig.rt->MediaList.Items(items - 1).FLoop = true;
  rig.rt->NotifyPlaylistChanged();
  std::mutex mutex;
  std::vector<std::pair<int, Push>> pushes;  // Y of first pixel, push
  rig.program->hook = [&](const media::IMFFramePtr& f) {
    Push p{-1, -1, false};
    int y = -1;
    if (f && f->Video()) {
      y = f->Video()->data[0][0] * 1000 + f->Video()->data[1][0];
      p.frame = static_cast<int64_t>(
          static_cast<double>(f->Time().rtStartTime) / media::kFrameDuration100ns + 0.5);
      p.eom = (f->Time().eFFlags & media::eMFF_EndOfMedia) != 0;
    }
    std::lock_guard l(mutex);
    pushes.emplace_back(y, p);
  };
  rig.rt->swPlaylist();
  rig.rt->StartPump();
  rig.CueAndPlay(0);
  RunFor(2.0 * items + 2.0 * 3 + 0.5);
  rig.rt->StopPump();

  // Name the colours in order of appearance.
  std::map<int, int> item_of;
  for (auto& [y, p] : pushes) {
    if (y < 0) continue;
    if (!item_of.count(y)) {
      const int id = static_cast<int>(item_of.size());
      item_of[y] = id;
    }
    p.item = item_of[y];
  }
  std::printf("\nprogram output at each hand-over (real-time pump, %d items of 2 s, last loops)\n",
              items);
  int inside_repeats = 0, inside_steps = 0;
  for (size_t i = 0; i + 1 < pushes.size(); ++i) {
    const Push& a = pushes[i].second;
    if (!a.eom) {
      const Push& b = pushes[i + 1].second;
      if (a.item >= 0 && b.item == a.item && !b.eom) {
        ++inside_steps;
        if (b.frame == a.frame) ++inside_repeats;
      }
      continue;
    }
    // a is the last frame of an item: count repeats, then check the next item's start.
    size_t j = i + 1;
    int repeated = 0;
    while (j < pushes.size() &&
           (pushes[j].second.item == a.item && pushes[j].second.frame == a.frame)) {
      ++repeated;
      ++j;
    }
    if (j + 1 >= pushes.size()) break;
    const Push& b = pushes[j].second;
    int lost = static_cast<int>(b.frame);
    size_t k = j + 1;
    while (k < pushes.size() && pushes[k].second.item == b.item &&
           pushes[k].second.frame == b.frame) {
      ++repeated;
      ++k;
    }
    if (k < pushes.size() && pushes[k].second.item == b.item) {
      lost += static_cast<int>(pushes[k].second.frame - b.frame - 1);
    }
    std::printf("  %-7s item %d frame %lld -> item %d frame %lld: repeated %d, lost %d\n",
                b.item == a.item ? "loop" : "advance", a.item, static_cast<long long>(a.frame),
                b.item, static_cast<long long>(b.frame), repeated, lost);
  }
  std::printf("  reference, inside the items: %d repeats in %d frame steps\n", inside_repeats,
              inside_steps);
  return 0;
}
