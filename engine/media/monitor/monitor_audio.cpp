#include "engine/media/monitor/monitor_audio.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QMediaDevices>
#include <cstring>

#include "engine/media/core/media_types.h"
#include "engine/media/monitor/monitor_log.h"

namespace vexto::media {
namespace {

// The sink's own buffer: 100 ms, a steady delay that rides over a busy GUI thread.
constexpr qsizetype kSinkBufferBytes = kAudioSampleRate / 10 * kAudioChannels * 2;

}  // namespace

AudioRingDevice::AudioRingDevice(std::shared_ptr<AudioRing> ring) : ring_(std::move(ring)) {}

qint64 AudioRingDevice::bytesAvailable() const {
  // Always something: silence stands in for sound that has not come yet.
  return kSinkBufferBytes + QIODevice::bytesAvailable();
}

qint64 AudioRingDevice::readData(char* data, qint64 max_size) {
  const size_t wanted =
      static_cast<size_t>(max_size) / sizeof(int16_t) / kAudioChannels * kAudioChannels;
  auto* out = reinterpret_cast<int16_t*>(data);
  const size_t got = ring_->Read(out, wanted);
  std::memset(out + got, 0, (wanted - got) * sizeof(int16_t));
  return static_cast<qint64>(wanted * sizeof(int16_t));
}

MonitorAudio::MonitorAudio(std::shared_ptr<AudioRing> ring) : device_(std::move(ring)) {
  const QAudioDevice output = QMediaDevices::defaultAudioOutput();
  if (output.isNull()) {
    MonitorLog("Monitor: nenhuma saída de áudio encontrada; o som do monitor fica mudo");
    return;
  }
  QAudioFormat format;
  format.setSampleRate(kAudioSampleRate);
  format.setChannelCount(kAudioChannels);
  format.setSampleFormat(QAudioFormat::Int16);
  if (!output.isFormatSupported(format)) {
    MonitorLog("Monitor: a saída de áudio não aceita 48 kHz estéreo; o som do monitor fica mudo");
    return;
  }
  device_.open(QIODevice::ReadOnly);
  sink_ = std::make_unique<QAudioSink>(output, format);
  sink_->setBufferSize(kSinkBufferBytes);
  sink_->start(&device_);
}

MonitorAudio::~MonitorAudio() {
  if (sink_) sink_->stop();
}

}  // namespace vexto::media
