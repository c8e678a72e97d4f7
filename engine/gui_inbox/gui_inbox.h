// Hands work from any thread to the GUI thread.
//
// The work itself travels through a queue under our own mutex; Qt only carries a wake-up, a
// queued call by name that holds none of our data. Every hand-over is therefore ordered by a
// lock the race detector can see: Qt's own event queue is invisible to it, so a functor handed
// straight to QMetaObject::invokeMethod from the pump looks like a race even when it is not.
//
// Work runs on the GUI thread in the order it was posted. Work still queued when the inbox is
// destroyed is dropped, as a queued call to a deleted QObject is.
#pragma once

#include <QObject>
#include <deque>
#include <functional>
#include <mutex>

namespace vexto {

class GuiInbox final : public QObject {
  Q_OBJECT

 public:
  // May be made on any thread; it lives on the application's thread (or, without an
  // application, on the thread that made it). Destroy it on that thread.
  GuiInbox();

  // Any thread. Never blocks on the GUI thread.
  void Post(std::function<void()> work);

 private:
  Q_INVOKABLE void Drain();

  std::mutex mutex_;
  std::deque<std::function<void()>> queue_;
  bool wake_pending_ = false;  // a Drain is queued and has not yet taken the queue
};

}  // namespace vexto
