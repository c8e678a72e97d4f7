// How the writer's threads contain what they do not expect: each thread names itself (as `ps`
// and debuggers show it) and runs its work through GuardedCall, which turns any exception into
// a text for the caller to log once and degrade on (a frame dropped, a connection failed and
// retried), so an unexpected error never ends the console.
#pragma once

#include <pthread.h>

#include <exception>
#include <optional>
#include <string>

namespace vexto::media {

// Names the calling thread (at most 15 characters are kept).
inline void NameThisThread(const std::string& name) {
  pthread_setname_np(pthread_self(), name.substr(0, 15).c_str());
}

// Runs fn; nullopt when it returned, otherwise the text of what it threw.
template <typename Fn>
std::optional<std::string> GuardedCall(Fn&& fn) {
  try {
    fn();
    return std::nullopt;
  } catch (const std::exception& e) {
    return std::string(e.what());
  } catch (...) {
    return std::string("exceção desconhecida");
  }
}

}  // namespace vexto::media
