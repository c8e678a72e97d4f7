// One playlist item and its status words.
//
// Threads: items are read and written on the GUI thread only; the frame pump hands its
// end-of-media work (flags, statuses, the next cue) to the GUI thread as queued calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexto {

// The four status words, compared by exact, case-sensitive equality.
inline constexpr std::string_view kStatusPronto = "Pronto";              // ready, not on air
inline constexpr std::string_view kStatusPreparado = "Preparado";        // cued, not playing
inline constexpr std::string_view kStatusReproduzindo = "Reproduzindo";  // playing
inline constexpr std::string_view kStatusPausado = "Pausado";            // halted on air

class TMidia {
 public:
  // Stores `arquivo` in FArquivo; every other field starts empty, false or 0. The creator fills
  // FNome, FDuracao, FPause, FLoop and FStatus.
  explicit TMidia(std::string arquivo) : FArquivo(std::move(arquivo)) {}

  std::string FNome;     // file-name part of FArquivo (ExtractFileName)
  std::string FArquivo;  // full path, exactly as received (UTF-8)
  int32_t FPosicao = 0;  // kept for the record; nothing uses it
  bool FPause = false;   // stop on this item, "Pausado", when it ends
  bool FLoop = false;    // restart this item when it ends (tested before FPause)
  std::string FStatus;   // one of the status words
  std::string FDuracao;  // "HH:MM:SS" fixed at creation (or as read from a playlist file)
};

}  // namespace vexto
