#include "engine/media/factory/builtin_classes.h"

#include <mutex>

#include "engine/media/core/class_ids.h"
#include "engine/media/core/factory.h"
#include "engine/media/reader/file_reader.h"

#ifdef VEXTO_HAVE_LIVE
#include "engine/media/live/live_source.h"
#endif
#ifdef VEXTO_HAVE_MONITOR
#include "engine/media/monitor/monitor.h"
#endif
#ifdef VEXTO_HAVE_WRITER
#include "engine/media/writer/stream_writer.h"
#endif

namespace vexto::media {

void RegisterBuiltInEngineClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterEngineClass(CLSID_MFReader, [] { return MakeFileReader(); });
#ifdef VEXTO_HAVE_LIVE
    RegisterEngineClass(CLSID_MFLive, [] { return MakeLiveSource(); });
#endif
#ifdef VEXTO_HAVE_MONITOR
    RegisterEngineClass(CLSID_MFPreview, [] { return MakeMonitor(); });
#endif
#ifdef VEXTO_HAVE_WRITER
    RegisterEngineClass(CLSID_MFWriter, [] { return MakeStreamWriter(); });
#endif
  });
}

}  // namespace vexto::media
