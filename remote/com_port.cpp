#include "remote/com_port.h"

#include <QTimer>

#include "remote/serial_port_name.h"

namespace vexto::remote {

TComPort::TComPort(QObject* parent) : QObject(parent) {
  connect(&serial_, &QSerialPort::readyRead, this, &TComPort::OnReadyRead);
  connect(&serial_, &QSerialPort::errorOccurred, this, &TComPort::OnError);
}

TComPort::~TComPort() {
  Close();
}

void TComPort::Log(const std::string& line) const {
  if (logger_) logger_(line);
}

bool TComPort::Open() {
  if (serial_.isOpen()) return true;
  const std::string path = SerialDevicePath(port_);
  device_path_ = path;
  failing_ = false;
  serial_.setPortName(QString::fromStdString(path));
  serial_.setBaudRate(QSerialPort::Baud9600);
  serial_.setDataBits(QSerialPort::Data8);
  serial_.setParity(QSerialPort::NoParity);
  serial_.setStopBits(QSerialPort::OneStop);
  serial_.setFlowControl(QSerialPort::NoFlowControl);
  serial_.setReadBufferSize(1024);
  if (path.empty() || !serial_.open(QIODevice::ReadWrite)) {
    Log("Comunicação Serial: Unable to open com port " + port_ + " (" + path +
        "): " + serial_.errorString().toStdString());
    serial_.clearError();
    return false;
  }
  // A pseudo-terminal refuses these; the port works all the same.
  serial_.setDataTerminalReady(false);
  serial_.setRequestToSend(false);
  serial_.clearError();
  return true;
}

void TComPort::Close() {
  if (serial_.isOpen()) serial_.close();
  serial_.clearError();
}

int TComPort::ReadStr(std::string& s, int count) {
  s.clear();
  if (count <= 0 || !serial_.isOpen()) return 0;
  s.resize(static_cast<std::size_t>(count));
  const qint64 n = serial_.read(s.data(), count);
  s.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
  return static_cast<int>(s.size());
}

void TComPort::OnReadyRead() {
  if (failing_) return;
  const qint64 waiting = serial_.bytesAvailable();
  if (waiting <= 0) return;
  ++rx_events_;
  if (on_rx_char_) {
    on_rx_char_(static_cast<int>(waiting));
  } else {
    serial_.read(waiting);  // nobody listens: drop the bytes
  }
}

void TComPort::OnError(QSerialPort::SerialPortError error) {
  if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError) return;
  if (failing_ || !serial_.isOpen()) return;
  failing_ = true;
  Log("Comunicação Serial: ReadFile function failed on " + port_ + " (" + device_path_ +
      "): " + serial_.errorString().toStdString() + "; porta fechada");
  // Closed on the next turn of the event loop, outside the serial port's own notification.
  QTimer::singleShot(0, this, [this] {
    if (failing_) Close();
  });
}

}  // namespace vexto::remote
