#include "engine/gui_inbox/gui_inbox.h"

#include <QCoreApplication>
#include <QThread>

namespace vexto {

GuiInbox::GuiInbox() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app != nullptr && thread() != app->thread()) moveToThread(app->thread());
}

void GuiInbox::Post(std::function<void()> work) {
  bool wake = false;
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(std::move(work));
    wake = !wake_pending_;
    wake_pending_ = true;
  }
  if (wake) QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection);
}

void GuiInbox::Drain() {
  // One item per wake-up: if the item opens a nested event loop (a message box), the items
  // behind it still run there, and still in order.
  std::function<void()> work;
  bool more = false;
  {
    std::lock_guard lock(mutex_);
    if (queue_.empty()) {
      wake_pending_ = false;
      return;
    }
    work = std::move(queue_.front());
    queue_.pop_front();
    more = !queue_.empty();
    wake_pending_ = more;
  }
  if (more) QMetaObject::invokeMethod(this, "Drain", Qt::QueuedConnection);
  work();
}

}  // namespace vexto
