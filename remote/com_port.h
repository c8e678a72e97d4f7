// TComPort: the serial port component (ComPort1), a QSerialPort with the console's fixed line
// settings: 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control, DTR and RTS held off
// (a pseudo-terminal refuses DTR/RTS changes; that is not an error here), 1024-byte input buffer.
//
// Threads: created, opened, read and closed on the GUI thread; OnRxChar runs there too, with the
// number of bytes waiting (at least 1), whenever bytes have arrived.
//
// Failures: a port that cannot be opened is logged once with its reason and stays closed (no
// message box). A read or resource error while open (the device vanished, the peer of a
// pseudo-terminal closed) closes the port and is logged once; nothing retries, so a vanished
// device neither floods the log nor spins.
#pragma once

#include <QObject>
#include <QSerialPort>
#include <functional>
#include <string>

namespace vexto::remote {

class TComPort : public QObject {
  Q_OBJECT

 public:
  using RxCharHandler = std::function<void(int count)>;
  using Logger = std::function<void(const std::string& utf8_line)>;

  explicit TComPort(QObject* parent = nullptr);
  ~TComPort() override;

  // The port setting: "COMn" names /dev/ttyS(n-1), other text is a device path
  // (remote/serial_port_name.h). Takes effect at the next Open.
  void SetPort(const std::string& setting) { port_ = setting; }
  const std::string& Port() const { return port_; }

  void SetOnRxChar(RxCharHandler handler) { on_rx_char_ = std::move(handler); }
  void SetLogger(Logger logger) { logger_ = std::move(logger); }

  // Opens the port (exclusive, read and write) with the fixed settings; does nothing when it is
  // open already. Returns whether it is open.
  bool Open();
  void Close();
  bool Connected() const { return serial_.isOpen(); }

  // Reads up to count bytes already received, one character per byte, into s; returns how many.
  int ReadStr(std::string& s, int count);

  // How many times OnRxChar has run since construction (diagnostics and tests).
  int rx_events() const { return rx_events_; }

 private:
  void OnReadyRead();
  void OnError(QSerialPort::SerialPortError error);
  void Log(const std::string& line) const;

  QSerialPort serial_;
  std::string port_ = "COM3";
  std::string device_path_;  // the path the port was last opened with
  RxCharHandler on_rx_char_;
  Logger logger_;
  bool failing_ = false;  // a fatal error was seen; the port closes on the next turn of the loop
  int rx_events_ = 0;
};

}  // namespace vexto::remote
