// TWebModule1: the HTTP control's web module, mapping request paths to the two source switches.
// Qt-free.
//
// Action table, in dispatch order:
//   DefaultHandler "/"            default, any method, no handler: nothing happens
//   sw_playlist    "/sw_playlist" any method, WebModule1WebActionItem1Action -> swPlaylist
//   sw_live        "/sw_live"     any method, WebModule1sw_liveAction        -> swLive
// Paths are matched whole, without regard to letter case, after the query string is cut and
// percent-escapes are decoded (remote/http_path.h); any other path reaches DefaultHandler.
//
// The module keeps no state besides its table and the switch it calls. One instance serves one
// request at a time; the HTTP server keeps one on its own thread. The switch must outlive it and
// accept calls from that thread (ISourceSwitch only stores the atomic source).
#pragma once

#include <span>
#include <string_view>

#include "engine/state/input.h"
#include "remote/http_path.h"

namespace vexto::remote {

class TWebModule1;

struct TWebActionItem {
  std::string_view name;
  std::string_view path;
  bool is_default;
  RemoteAction action;
  void (TWebModule1::*handler)();  // nullptr: the action does nothing
};

class TWebModule1 {
 public:
  explicit TWebModule1(ISourceSwitch& form) : form_(form) {}

  static std::span<const TWebActionItem> Actions();

  // Runs the action that the request target names; returns which one ran (None for the
  // default action).
  RemoteAction Dispatch(std::string_view target);

  void WebModule1WebActionItem1Action() { form_.swPlaylist(); }
  void WebModule1sw_liveAction() { form_.swLive(); }

 private:
  ISourceSwitch& form_;
};

}  // namespace vexto::remote
