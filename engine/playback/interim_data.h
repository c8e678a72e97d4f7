// Interim stand-ins for the shared data types (playback state, playlist items, settings fields)
// until their own modules land on this branch; replaced by includes of those modules then.
// Only what the playback code uses is here.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "engine/media/core/media_types.h"

namespace vexto {

enum class eState : uint8_t { eST_PlayFwd = 0, eST_Pause, eST_PlayRev, eST_StepFwd, eST_StepRev };

class TState {
 public:
  TState(eState s, double frameRequest, double duration, double rate, std::string fileName,
         bool loop)
      : m_state(s),
        m_dblFrameRequest(frameRequest),
        m_dblDuration(duration),
        m_dblRate(rate),
        m_strFileName(std::move(fileName)),
        m_bLoop(loop) {}
  std::atomic<eState> m_state;
  std::atomic<double> m_dblFrameRequest;
  std::atomic<double> m_dblDuration;
  std::atomic<double> m_dblRate;
  const std::string m_strFileName;
  const bool m_bLoop;
};

inline void seekPGM(TState& st, double x) {
  if (x < 0) x = 0;
  const double d = st.m_dblDuration.load();
  if (x > d) x = d;
  st.m_dblFrameRequest.store(x);
}

class PublishedTime {
 public:
  void Store(const media::M_TIME& t) {
    std::lock_guard l(m_);
    t_ = t;
  }
  media::M_TIME Load() const {
    std::lock_guard l(m_);
    return t_;
  }

 private:
  mutable std::mutex m_;
  media::M_TIME t_{};
};

inline std::string ZeroPad(int n, int width) {
  std::string s = std::to_string(n);
  while (static_cast<int>(s.size()) < width) s.insert(0, "0");
  return s;
}

inline std::string FormatTimecode(bool frames, double t) {
  const long double d = 100.0L / 2997.0L;
  const int h = static_cast<int>(static_cast<long long>(std::floor(t / 3600)) % 60);
  const int m = static_cast<int>(static_cast<long long>(std::floor(t / 60)) % 60);
  const int s = static_cast<int>(static_cast<long long>(std::floor(t)) % 60);
  const long double frac = static_cast<long double>(t) - std::trunc(static_cast<long double>(t));
  const int f = static_cast<int>(std::floor(frac / d));
  std::string r = ZeroPad(h, 2) + ":" + ZeroPad(m, 2) + ":" + ZeroPad(s, 2);
  if (frames) r += ":" + ZeroPad(f, 2);
  return r;
}

class TMidia {
 public:
  explicit TMidia(std::string arquivo) : FArquivo(std::move(arquivo)) {}
  std::string FNome;
  std::string FArquivo;
  int32_t FPosicao = 0;
  bool FPause = false;
  bool FLoop = false;
  std::string FStatus;
  std::string FDuracao;
};

class TMediaList {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  TMidia& Item(int i) {
    if (i < 0 || i >= Count()) throw std::out_of_range("Argument out of range");
    return *items_[static_cast<size_t>(i)];
  }
  void Insert(int i, std::unique_ptr<TMidia> m) {
    if (i < 0 || i > Count()) throw std::out_of_range("Argument out of range");
    items_.insert(items_.begin() + i, std::move(m));
  }
  void Add(std::unique_ptr<TMidia> m) { items_.push_back(std::move(m)); }
  void Delete(int i) {
    if (i < 0 || i >= Count()) throw std::out_of_range("Argument out of range");
    items_.erase(items_.begin() + i);
  }
  void Clear() { items_.clear(); }

 private:
  std::vector<std::unique_ptr<TMidia>> items_;
};

struct SettingsFields {
  bool bl_confimar_preparar = false;
  bool bl_alerta = true;
  bool bl_alerta_critico = true;
  int32_t int_alerta_seg = 10;
  int32_t int_alerta_critico_seg = 5;
  int32_t cl_alerta_cor = 16711680;
  int32_t cl_alerta_critico_cor = 255;
  int32_t intPreviewLiveAudio = 0;
  int32_t intPreviewLiveVideo = 0;
  int32_t intPreviewListAudio = 0;
  int32_t intPreviewListVideo = 0;
};

// The settings file writer the monitor toggles use.
class IIniWriter {
 public:
  virtual ~IIniWriter() = default;
  virtual void WriteInteger(const std::string& section, const std::string& key, int value) = 0;
};

}  // namespace vexto
