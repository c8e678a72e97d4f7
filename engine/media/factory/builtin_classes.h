// Registers the makers of the engine's built-in classes with the factory (factory.h):
// CLSID_MFReader (file reader), CLSID_MFLive (live source), CLSID_MFPreview (monitor) and
// CLSID_MFWriter (stream writer). Call once at start-up before any engine object is made;
// calling it again does nothing. Thread-safe.
#pragma once

namespace vexto::media {

void RegisterBuiltInEngineClasses();

}  // namespace vexto::media
