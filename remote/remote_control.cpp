#include "remote/remote_control.h"

#include "remote/serial_batch.h"

namespace vexto::remote {

uint16_t HttpPortFromSetting(int porta_http) {
  if (porta_http < 1 || porta_http > 65535) return kDefaultHttpPort;
  return static_cast<uint16_t>(porta_http);
}

RemoteControl::RemoteControl(ISourceSwitch& form, RemoteLogger logger)
    : form_(form), server_(form, logger) {
  com_port_.SetLogger(std::move(logger));
  com_port_.SetOnRxChar([this](int count) { ComPort1RxChar(count); });
}

RemoteControl::~RemoteControl() {
  StopRemoteControl();
}

void RemoteControl::StartSerialControl(const RemoteSettings& settings) {
  if (!settings.serial) return;
  com_port_.SetPort(settings.porta_serial);
  com_port_.Open();
}

void RemoteControl::StartHttpControl(const RemoteSettings& settings) {
  if (!settings.http) return;
  HttpServerOptions options;
  options.port = HttpPortFromSetting(settings.porta_http);
  server_.StartServer(options);
}

void RemoteControl::StopRemoteControl() {
  server_.Stop();
  com_port_.Close();
}

void RemoteControl::ComPort1RxChar(int count) {
  std::string s;
  com_port_.ReadStr(s, count);
  SwitchForSerialBatch(s, form_);
}

}  // namespace vexto::remote
