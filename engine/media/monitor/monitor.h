// Monitors (PlaylistMonitor, CameraMonitor, ProgramMonitor).
//
// Contract of the object MakeMonitor returns (it implements IMFPreview):
// - BindMonitorWindow and SetMonitorAudioVideo are called on the GUI thread (a QApplication
//   exists). The window handle is a panel's QWidget::winId(); the monitor covers the panel with
//   a child surface that follows its size and passes mouse events through to the panel.
// - PushFrame is called by the frame pump, never blocks and never touches a widget: the frame
//   goes into a newest-frame-wins slot and at most one queued update is pending on the GUI
//   thread, so frames pushed while the GUI is busy are skipped. The GUI thread scales the frame
//   it draws once to the panel's size, aspect kept, with black bars; nil or video 0 is black.
// - Audio 1 plays the pushed frames' sound on the system's default output (48 kHz stereo S16)
//   through a short buffer the pump writes into; any other value is off. Without an output
//   device the monitor stays silent and says so once through the log hook.
// - The object may be destroyed on any thread once no one pushes into it; its Qt objects are
//   then removed on the GUI thread.
#pragma once

#include <functional>
#include <string>

#include "engine/media/core/interfaces.h"

namespace vexto::media {

EngineObjectPtr MakeMonitor();

// Where monitors write their few log lines (no audio device, for one); any thread may call
// it. The default writes to standard error; an empty function restores the default.
using MonitorLogHook = std::function<void(const std::string&)>;
void SetMonitorLogHook(MonitorLogHook hook);

}  // namespace vexto::media
