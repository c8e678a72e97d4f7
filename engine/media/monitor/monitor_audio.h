// The monitor's sound output: a QAudioSink on the system's default output that pulls from the
// monitor's AudioRing, padding with silence when the pump is late so the output never stalls.
// Created, used and destroyed on the GUI thread.
#pragma once

#include <QIODevice>
#include <memory>

#include "engine/media/monitor/audio_ring.h"

class QAudioSink;

namespace vexto::media {

// The QIODevice the sink pulls from: the ring's samples, then silence.
class AudioRingDevice final : public QIODevice {
 public:
  explicit AudioRingDevice(std::shared_ptr<AudioRing> ring);
  bool isSequential() const override { return true; }
  qint64 bytesAvailable() const override;

 protected:
  qint64 readData(char* data, qint64 max_size) override;
  qint64 writeData(const char*, qint64) override { return -1; }

 private:
  std::shared_ptr<AudioRing> ring_;
};

class MonitorAudio {
 public:
  // Starts playing at once; without an output device it stays silent and logs one line.
  explicit MonitorAudio(std::shared_ptr<AudioRing> ring);
  ~MonitorAudio();
  MonitorAudio(const MonitorAudio&) = delete;
  MonitorAudio& operator=(const MonitorAudio&) = delete;

  bool Playing() const { return sink_ != nullptr; }

 private:
  AudioRingDevice device_;
  std::unique_ptr<QAudioSink> sink_;
};

}  // namespace vexto::media
