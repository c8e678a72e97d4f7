#include "engine/media/core/factory.h"

#include <map>
#include <mutex>

namespace vexto::media {
namespace {

struct Registry {
  std::mutex mutex;
  std::map<std::string, EngineClassMaker, std::less<>> makers;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterEngineClass(std::string_view clsid, EngineClassMaker maker) {
  Registry& r = TheRegistry();
  std::lock_guard lock(r.mutex);
  r.makers[std::string(clsid)] = std::move(maker);
}

EngineObjectPtr CreateEngineObject(std::string_view clsid) {
  EngineClassMaker maker;
  {
    Registry& r = TheRegistry();
    std::lock_guard lock(r.mutex);
    auto it = r.makers.find(clsid);
    if (it == r.makers.end()) {
      throw EngineError("Class not registered, ClassID: " + std::string(clsid));
    }
    maker = it->second;
  }
  try {
    EngineObjectPtr object = maker();
    if (!object) throw EngineError("Unspecified error");
    return object;
  } catch (const EngineError& e) {
    const std::string what = e.what();
    if (what.find(", ClassID: ") != std::string::npos) throw;
    throw EngineError(what + ", ClassID: " + std::string(clsid));
  } catch (const std::exception& e) {
    throw EngineError(std::string(e.what()) + ", ClassID: " + std::string(clsid));
  }
}

}  // namespace vexto::media
