// The stream writer (StreamWriter): sends the program to a streaming server or records it to a
// file.
//
// Choices. Kind 0 lists the output targets (OutputCatalog), kinds 1 and 2 the video and audio
// encoders the chosen target carries, streaming defaults first. GetOutputChoice gives
// (text = FFmpeg muxer or encoder name, name = the entry as shown, e.g. "RTMP Streaming").
// A position outside a list (-1 included) chooses that kind's default: "RTMP Streaming",
// H.264, AAC. Choosing an output puts its first video and audio encoders back in place. Each
// (output, encoder) entry keeps one properties object for the writer's life, so a bitrate set
// through GetChosenOutputChoice survives choosing the same entry again. Property "b" takes an
// encoder bitrate text ("4M", "2500k", "3000000"); an empty value means "not set". The output's
// own properties object holds "size" (WIDTHxHEIGHT, default 1280x720).
//
// StartStreamOutput(url, flags, config) parses config (stream_config.h), raising EngineError
// with nothing started when it does not parse, then stops any running output and starts a new
// one. flags bit 1 (the value 1): keep retrying a lost network connection (1 s doubling to
// 30 s); without it the first failure ends in Failed. A file output never retries.
//
// Threads: choices, Start and Stop belong to one thread (the user interface's); PushFrame and
// GetStatus may be called from any thread at any time, also while Start or Stop runs (a frame
// pushed while no output runs is ignored). The logger is called on the writer's threads.
#pragma once

#include "engine/media/core/interfaces.h"

namespace vexto::media {

// A new stream writer (IMFWriter and IMFReceiver), stopped, with the default choices.
EngineObjectPtr MakeStreamWriter();

}  // namespace vexto::media
