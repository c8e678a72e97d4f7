// Fuzzes the playlist file reader on arbitrary bytes: decoding, line splitting, the fields and
// the Boolean rule never crash, and whatever reads as items saves and reads back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "playlist/playlist_errors.h"
#include "playlist/playlist_file.h"
#include "playlist/playlist_format.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

class NullView : public vexto::IPlaylistView {
 public:
  void listar() override {}
  void limparGrid() override {}
  void ShowMessage(const std::string&) override {}
};

// Items read from `text` in the load's rules, but without asking whether the files exist.
std::vector<vexto::PlaylistLine> ReadItems(std::string_view text) {
  std::vector<vexto::PlaylistLine> items;
  size_t pos = 0;
  std::string_view line;
  int number = 0;
  while (vexto::NextPlaylistLine(text, pos, line)) {
    try {
      auto item = vexto::ParsePlaylistLine(line, ++number);
      if (!item) continue;
      vexto::PlaylistStrToBool(item->pause);
      vexto::PlaylistStrToBool(item->loop);
      items.push_back(std::move(*item));
    } catch (const vexto::EPlaylistFormatError&) {
      break;
    } catch (const vexto::EConvertError&) {
      break;
    }
  }
  return items;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const std::string text = vexto::DecodePlaylistBytes(bytes);
  const std::vector<vexto::PlaylistLine> items = ReadItems(text);

  vexto::TMediaList list;
  for (const auto& item : items) {
    auto m = std::make_unique<vexto::TMidia>(item.path);
    m->FDuracao = item.duration;
    m->FPause = vexto::PlaylistStrToBool(item.pause);
    m->FLoop = vexto::PlaylistStrToBool(item.loop);
    list.Add(std::move(m));
  }
  const std::vector<vexto::PlaylistLine> again =
      ReadItems(vexto::DecodePlaylistBytes(vexto::EncodePlaylist(list)));
  Check(int(again.size()) == list.Count());
  for (int i = 0; i < list.Count(); ++i) {
    const auto& m = list.Items(i);
    const auto& r = again[size_t(i)];
    Check(r.path == m.FArquivo && r.duration == m.FDuracao);
    Check(vexto::PlaylistStrToBool(r.pause) == m.FPause);
    Check(vexto::PlaylistStrToBool(r.loop) == m.FLoop);
  }

  // The real load, with the file checks, on small inputs only (each line asks the file system).
  if (size < 4096) {
    vexto::TMediaList loaded;
    NullView view;
    try {
      vexto::LoadPlaylistText(loaded, text, view);
    } catch (const vexto::EPlaylistFormatError&) {
    } catch (const vexto::EConvertError&) {
    }
  }
  return 0;
}
