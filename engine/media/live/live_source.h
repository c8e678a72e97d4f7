// The live source (CameraSource): video capture devices (V4L2) and audio capture devices
// (PulseAudio or ALSA), each followed in its list by the built-in test source (colour bars with
// a moving box; a 1 kHz tone), so a machine without a camera still has a working camera.
//
// Contract of the object MakeLiveSource returns (it implements IMFLive):
// - Capture runs on the object's own threads. PullFrame never waits for a device: it returns
//   the newest captured picture (repeated or skipped as the device's rate differs from the
//   program's) with the audio of one program frame: pull n since the last ChooseCaptureDevice
//   carries SamplesBefore(n + 1) - SamplesBefore(n) samples and rtStartTime = n frame durations.
// - Video device -1 (or one that failed, or has not delivered yet): no picture. Audio device -1:
//   silence. A pull with neither picture nor audio device gives nil.
// - "line-in" choices are the device's inputs; -1 keeps the current input. Video formats are
//   the device's sizes and rates; applying a record that is not in the list (the empty record
//   of position -1 included) keeps the current format.
// - Every operation may be called from any thread while another thread pulls. Device lists are
//   read afresh by CountCaptureDevices; positions refer to the last listing.
// - Destroying the object stops its threads within a few milliseconds, from any thread.
#pragma once

#include "engine/media/core/interfaces.h"

namespace vexto::media {

EngineObjectPtr MakeLiveSource();

}  // namespace vexto::media
