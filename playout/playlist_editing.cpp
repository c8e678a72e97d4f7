#include "playout/playlist_editing.h"

#include "core/paths.h"
#include "engine/state/timecode.h"

namespace vexto {

bool IsSupportedFileType(const std::string& file_name) {
  const std::string probe = "*" + ExtractFileExt(file_name) + ";";
  return std::string(kSupportedFileMask).find(probe) != std::string::npos;
}

void MediaListAccess::Insert(int index, const NewPlaylistItem& item) {
  auto midia = std::make_unique<TMidia>(item.arquivo);
  midia->FNome = item.nome;
  midia->FDuracao = item.duracao;
  midia->FPause = item.pause;
  midia->FLoop = false;
  midia->FStatus = std::string(kStatusPronto);
  list_.Insert(index, std::move(midia));
}

TPlaylistEditing::TPlaylistEditing(PlaylistAccess& list, IPlaylistEditingView& view,
                                   PlaylistEditingContext context)
    : list_(list), view_(view), context_(std::move(context)) {}

void TPlaylistEditing::AddFile(const std::string& file_name) {
  if (!IsSupportedFileType(file_name)) {
    view_.Inform("File " + file_name + " is not a supported type");
    return;
  }
  NewPlaylistItem item;
  item.arquivo = file_name;
  const double seconds = context_.probe_duration ? context_.probe_duration(file_name) : 0.0;
  item.nome = ExtractFileName(file_name);
  item.duracao = FormatTimecode(false, seconds);
  item.pause = context_.inserir_pausa && context_.inserir_pausa();
  const int at = list_.Count() == 0 ? 0 : view_.SelectedRow();
  list_.Insert(at, item);
  view_.listar();
}

void TPlaylistEditing::DropFiles(const std::vector<std::string>& files) {
  for (const auto& file : files) AddFile(file);
}

bool TPlaylistEditing::GridMouseDown(bool left_button, int row) {
  if (list_.Count() == 0 || !left_button) return false;
  drag_source_row_ = row;
  return true;
}

int TPlaylistEditing::CarryOnAirIndex(int a, int s, int t) {
  if (a < 0) return a;
  if (s == a) return t;
  if (s < a && t >= a) return a - 1;
  if (s > a && t <= a) return a + 1;
  return a;
}

void TPlaylistEditing::GridDrop(int target_row) {
  const int s = drag_source_row_;
  const int a = context_.get_on_air_index ? context_.get_on_air_index() : -1;
  list_.Move(s, target_row);  // raises "Argument out of range" for -1
  view_.SetSelectedRow(target_row);
  view_.listar();
  if (context_.set_on_air_index) context_.set_on_air_index(CarryOnAirIndex(a, s, target_row));
}

void TPlaylistEditing::Remover() {
  if (list_.Count() == 0) return;
  const int row = view_.SelectedRow();
  const std::string status = list_.Status(row);
  if (status == kStatusPausado || status == kStatusReproduzindo) return;
  list_.Delete(row);
  view_.listar();
  if (list_.Count() == 0) view_.limparGrid();
}

void TPlaylistEditing::RemoverTodos() {
  if (context_.get_is_playing && context_.get_is_playing()) {
    if (!view_.AskWarningYesNo(kRemoveAllQuestion)) return;
    if (context_.set_is_playing) context_.set_is_playing(false);
    if (context_.close_playlist_reader) context_.close_playlist_reader();
  }
  list_.Clear();
  view_.listar();
  view_.limparGrid();
}

void TPlaylistEditing::setLoop(bool loop) {
  const int row = view_.SelectedRow();
  list_.SetLoop(row, !loop);
  view_.SetLoopChecked(list_.Loop(row));
  view_.ClearCell(4, row);
}

void TPlaylistEditing::setPausa(bool pause) {
  const int row = view_.SelectedRow();
  list_.SetPause(row, !pause);
  view_.SetPauseChecked(list_.Pause(row));
  view_.ClearCell(3, row);
}

void TPlaylistEditing::LoopClick() {
  if (list_.Count() == 0) return;
  setLoop(list_.Loop(view_.SelectedRow()));
  view_.listar();
}

void TPlaylistEditing::PausarClick() {
  if (list_.Count() == 0) return;
  setPausa(list_.Pause(view_.SelectedRow()));
  view_.listar();
}

void TPlaylistEditing::ContextMenuOpening() {
  if (list_.Count() == 0) return;
  const int row = view_.SelectedRow();
  view_.SetLoopChecked(list_.Loop(row));
  view_.SetPauseChecked(list_.Pause(row));
}

void TPlaylistEditing::GridKeyDown(int virtual_key) {
  if (list_.Count() == 0) return;
  switch (virtual_key) {
    case kVkReturn: {
      const int row = view_.SelectedRow();
      if (row >= 0 && row < list_.Count() && context_.cue) {
        context_.cue(list_.Path(row));
      }
      break;
    }
    case kVkSpace: {
      const int a = context_.get_on_air_index ? context_.get_on_air_index() : -1;
      if (a >= 0 && context_.play) context_.play(list_.Status(a));
      break;
    }
    case kVkDelete:
      Remover();
      break;
    default:
      break;
  }
}

void TPlaylistEditing::GridKeyPress(char32_t character) {
  if (list_.Count() == 0) return;
  if (character >= U'a' && character <= U'z') character &= ~char32_t{32};
  if (character == U'P') {
    setPausa(list_.Pause(view_.SelectedRow()));
  } else if (character == U'L') {
    setLoop(list_.Loop(view_.SelectedRow()));
  }
}

}  // namespace vexto
