#include "remote/web_module.h"

#include <array>

namespace vexto::remote {
namespace {

const std::array<TWebActionItem, 3> kActions = {{
    {"DefaultHandler", "/", true, RemoteAction::None, nullptr},
    {"sw_playlist", kSwPlaylistPath, false, RemoteAction::Playlist,
     &TWebModule1::WebModule1WebActionItem1Action},
    {"sw_live", kSwLivePath, false, RemoteAction::Live, &TWebModule1::WebModule1sw_liveAction},
}};

}  // namespace

std::span<const TWebActionItem> TWebModule1::Actions() {
  return kActions;
}

RemoteAction TWebModule1::Dispatch(std::string_view target) {
  const RemoteAction wanted = ActionForTarget(target);
  for (const TWebActionItem& item : kActions) {
    if (!item.is_default && item.action == wanted) {
      (this->*item.handler)();
      return wanted;
    }
  }
  // DefaultHandler has no handler.
  return RemoteAction::None;
}

}  // namespace vexto::remote
