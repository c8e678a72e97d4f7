#include "engine/media/writer/stream_config.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "engine/media/core/engine_error.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace vexto::media {
namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw EngineError("Configuração de streaming inválida: " + what);
}

bool NeedsQuotes(const std::string& v) {
  if (v.empty()) return true;
  for (const char c : v) {
    if (std::isspace(static_cast<unsigned char>(c)) || c == '"' || c == '\\') return true;
  }
  return false;
}

std::string Quote(const std::string& v) {
  if (!NeedsQuotes(v)) return v;
  std::string out = "\"";
  for (const char c : v) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

struct Word {
  std::string key;
  std::string value;
};

// Splits the text into key=value words; a value may be quoted.
std::vector<Word> SplitWords(const std::string& text) {
  std::vector<Word> words;
  size_t i = 0;
  const size_t n = text.size();
  while (true) {
    while (i < n && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i >= n) break;
    const size_t start = i;
    while (i < n && text[i] != '=' && !std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i >= n || text[i] != '=' || i == start) {
      size_t end = start;
      while (end < n && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
      Fail("'" + text.substr(start, end - start) + "' não está na forma chave=valor");
    }
    Word w{text.substr(start, i - start), {}};
    ++i;  // '='
    if (i < n && text[i] == '"') {
      ++i;
      bool closed = false;
      while (i < n) {
        char c = text[i++];
        if (c == '\\' && i < n) {
          w.value += text[i++];
        } else if (c == '"') {
          closed = true;
          break;
        } else {
          w.value += c;
        }
      }
      if (!closed) Fail("aspas sem fechamento no valor de '" + w.key + "'");
      if (i < n && !std::isspace(static_cast<unsigned char>(text[i]))) {
        Fail("falta espaço depois do valor de '" + w.key + "'");
      }
    } else {
      while (i < n && !std::isspace(static_cast<unsigned char>(text[i]))) {
        if (text[i] == '"') Fail("aspas no meio do valor de '" + w.key + "'");
        w.value += text[i++];
      }
    }
    words.push_back(std::move(w));
  }
  return words;
}

void ParseSize(const std::string& v, int& width, int& height) {
  const size_t x = v.find('x');
  auto number = [&](const std::string& s) {
    if (s.empty() || s.size() > 5) Fail("tamanho '" + v + "' (use LARGURAxALTURA, ex. 1280x720)");
    for (const char c : s) {
      if (!std::isdigit(static_cast<unsigned char>(c))) {
        Fail("tamanho '" + v + "' (use LARGURAxALTURA, ex. 1280x720)");
      }
    }
    return std::atoi(s.c_str());
  };
  if (x == std::string::npos) Fail("tamanho '" + v + "' (use LARGURAxALTURA, ex. 1280x720)");
  width = number(v.substr(0, x));
  height = number(v.substr(x + 1));
  if (width < 16 || height < 16 || width > 7680 || height > 4320 || width % 2 || height % 2) {
    Fail("tamanho '" + v + "' (largura e altura pares, de 16x16 a 7680x4320)");
  }
}

const AVCodec* CheckEncoder(const std::string& name, AVMediaType type, const char* kind) {
  if (name.empty()) Fail(std::string("falta ") + kind + ".codec");
  const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
  if (codec == nullptr || codec->type != type) {
    Fail(std::string("codificador de ") + (type == AVMEDIA_TYPE_VIDEO ? "vídeo" : "áudio") + " '" +
         name + "' não existe");
  }
  return codec;
}

}  // namespace

std::string RenderStreamConfig(const StreamConfig& c) {
  std::string out = "format=" + Quote(c.format) + " size=" + std::to_string(c.width) + "x" +
                    std::to_string(c.height) + " video.codec=" + Quote(c.video_codec);
  for (const auto& [k, v] : c.video_options) out += " video." + k + "=" + Quote(v);
  out += " audio.codec=" + Quote(c.audio_codec);
  for (const auto& [k, v] : c.audio_options) out += " audio." + k + "=" + Quote(v);
  return out;
}

StreamConfig ParseStreamConfig(const std::string& text) {
  StreamConfig c;
  for (Word& w : SplitWords(text)) {
    if (w.key == "format") {
      c.format = w.value;
    } else if (w.key == "size") {
      ParseSize(w.value, c.width, c.height);
    } else if (w.key == "video.codec") {
      c.video_codec = w.value;
    } else if (w.key == "audio.codec") {
      c.audio_codec = w.value;
    } else if (w.key.starts_with("video.") && w.key.size() > 6) {
      c.video_options.emplace_back(w.key.substr(6), w.value);
    } else if (w.key.starts_with("audio.") && w.key.size() > 6) {
      c.audio_options.emplace_back(w.key.substr(6), w.value);
    } else {
      Fail("chave desconhecida '" + w.key + "'");
    }
  }
  if (c.format.empty()) Fail("falta format");
  const AVOutputFormat* muxer = av_guess_format(c.format.c_str(), nullptr, nullptr);
  if (muxer == nullptr) Fail("formato de saída '" + c.format + "' não existe");
  const AVCodec* video = CheckEncoder(c.video_codec, AVMEDIA_TYPE_VIDEO, "video");
  const AVCodec* audio = CheckEncoder(c.audio_codec, AVMEDIA_TYPE_AUDIO, "audio");
  for (const AVCodec* codec : {video, audio}) {
    if (avformat_query_codec(muxer, codec->id, FF_COMPLIANCE_NORMAL) == 0) {
      Fail("o formato '" + c.format + "' não leva o codec '" + codec->name + "'");
    }
  }
  return c;
}

std::optional<int64_t> ParseBitrate(const std::string& text) {
  if (text.empty() || !(std::isdigit(static_cast<unsigned char>(text[0])) || text[0] == '.')) {
    return std::nullopt;
  }
  char* end = nullptr;
  double value = std::strtod(text.c_str(), &end);
  std::string suffix(end);
  if (suffix == "k" || suffix == "K") {
    value *= 1e3;
  } else if (suffix == "M") {
    value *= 1e6;
  } else if (suffix == "G") {
    value *= 1e9;
  } else if (!suffix.empty()) {
    return std::nullopt;
  }
  if (!std::isfinite(value) || value <= 0 || value > 1e12) return std::nullopt;
  return static_cast<int64_t>(std::llround(value));
}

}  // namespace vexto::media
