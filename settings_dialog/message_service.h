// The settings dialog's questions and error messages. The application hands in its message
// service; tests hand in a scripted one. GUI thread only.
//
// Texts are the system's own; "\r" in a text is a line break (QtMessageService shows it as one).
#pragma once

#include <string>

class QWidget;

namespace vexto {

class IMessageService {
 public:
  virtual ~IMessageService() = default;
  // A confirmation with the buttons Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // The application's general error message.
  virtual void ShowError(const std::string& text) = 0;
};

// Message boxes over `parent` (may be null).
class QtMessageService : public IMessageService {
 public:
  explicit QtMessageService(QWidget* parent = nullptr) : parent_(parent) {}
  bool AskYesNo(const std::string& text) override;
  void ShowError(const std::string& text) override;

 private:
  QWidget* parent_;
};

}  // namespace vexto
