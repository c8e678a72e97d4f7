// Remote control of the program source: the HTTP control server (FServer) and the serial port
// (ComPort1), started from the settings and stopped at close.
//
// Settings, section "controle_remoto" of the settings file:
//   "http"         Boolean, default 1       start the HTTP control server
//   "serial"       Boolean, default 1       open the serial port
//   "porta_serial" text,    default "COM3"  "COMn" is /dev/ttyS(n-1); other text a device path
//   "porta_http"   integer, default 7001    TCP port (1-65535; anything else gives 7001)
//
// When (the main window's start-up and close call these, on the GUI thread):
//   StartSerialControl  right after the log line "Iniciando Comunicação Serial";
//   StartHttpControl    at the end of start-up, after the frame pump has started;
//   StopRemoteControl   at close (the HTTP thread is joined, the port closed).
// A port that cannot be opened or bound is logged once with its reason; the console goes on
// without it. Nothing is retried.
#pragma once

#include <QObject>
#include <string>

#include "engine/state/input.h"
#include "remote/com_port.h"
#include "remote/http_control_server.h"

namespace vexto::remote {

inline constexpr const char* kRemoteSection = "controle_remoto";

struct RemoteSettings {
  bool http = true;
  bool serial = true;
  std::string porta_serial = "COM3";
  int porta_http = kDefaultHttpPort;
};

namespace detail {
inline std::string ToUtf8(const std::string& s) {
  return s;
}
template <class Text>
std::string ToUtf8(const Text& s) {
  return s.toStdString();  // QString
}
}  // namespace detail

// Reads the four keys through the settings file object: the main window's ConfigFile
// (vexto::TIniFile, core/ini_file.h), or anything with its ReadBool / ReadInteger /
// ReadString (section, key, default). GUI thread, like every settings read.
template <class IniFile>
RemoteSettings ReadRemoteSettings(IniFile& ini) {
  RemoteSettings s;
  s.http = ini.ReadBool(kRemoteSection, "http", true);
  s.serial = ini.ReadBool(kRemoteSection, "serial", true);
  s.porta_serial = detail::ToUtf8(ini.ReadString(kRemoteSection, "porta_serial", "COM3"));
  s.porta_http = ini.ReadInteger(kRemoteSection, "porta_http", kDefaultHttpPort);
  return s;
}

// The TCP port the setting names: 1-65535 as given, anything else the default 7001.
uint16_t HttpPortFromSetting(int porta_http);

// Owns both remote controls. Lives on the GUI thread (the main window holds it); form must
// outlive it.
class RemoteControl {
 public:
  RemoteControl(ISourceSwitch& form, RemoteLogger logger);
  ~RemoteControl();  // StopRemoteControl()
  RemoteControl(const RemoteControl&) = delete;
  RemoteControl& operator=(const RemoteControl&) = delete;

  // Opens ComPort1 on settings.porta_serial when settings.serial is set.
  void StartSerialControl(const RemoteSettings& settings);
  // Starts FServer on settings.porta_http when settings.http is set (StartServer).
  void StartHttpControl(const RemoteSettings& settings);
  void StopRemoteControl();

  // ComPort1's receive handler: reads up to count bytes; a first byte "1" runs swPlaylist,
  // "2" runs swLive; the rest is discarded. GUI thread.
  void ComPort1RxChar(int count);

  HttpControlServer& FServer() { return server_; }
  TComPort& ComPort1() { return com_port_; }

 private:
  ISourceSwitch& form_;
  HttpControlServer server_;
  TComPort com_port_;
};

}  // namespace vexto::remote
