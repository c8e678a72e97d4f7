// Engine objects are made from their class identifiers. Each engine library registers a maker
// for its class (RegisterEngineClass); engine/media/factory registers the built-in ones.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "engine/media/core/engine_error.h"
#include "engine/media/core/interfaces.h"

namespace vexto::media {

using EngineClassMaker = std::function<EngineObjectPtr()>;

// Replaces any maker registered before for the same class identifier.
void RegisterEngineClass(std::string_view clsid, EngineClassMaker maker);

// Raises EngineError "<reason>, ClassID: <clsid>" when the class is unknown or its maker fails.
EngineObjectPtr CreateEngineObject(std::string_view clsid);

// The interface T of an object made by CreateEngineObject; raises EngineError
// "No such interface supported, ClassID: <clsid>" when the object has none.
template <typename T>
std::shared_ptr<T> QueryEngineInterface(const EngineObjectPtr& object, std::string_view clsid) {
  auto typed = std::dynamic_pointer_cast<T>(object);
  if (!typed) {
    throw EngineError("No such interface supported, ClassID: " + std::string(clsid));
  }
  return typed;
}

// Make the object and obtain its interface in one step.
template <typename T>
std::shared_ptr<T> CreateEngineInterface(std::string_view clsid) {
  return QueryEngineInterface<T>(CreateEngineObject(clsid), clsid);
}

}  // namespace vexto::media
