// The benchmark clip: 60 s of 1080p at 29.97 in H.264 with AAC sound, made with the ffmpeg tool
// when missing (about a minute on two cores) and kept for later runs.
#pragma once

#include <string>

namespace vexto::bench {

// The clip's path: argv[1] when given, else /tmp/vexto-bench-1080p2997.mp4 (made if missing).
// Empty when it cannot be made.
std::string BenchClip(int argc, char** argv);

// Runs a shell command line; returns its exit status and puts its output in out.
int RunShell(const std::string& command, std::string& out);

}  // namespace vexto::bench
