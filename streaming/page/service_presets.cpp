#include "streaming/page/service_presets.h"

namespace vexto {

std::string_view DefaultServiceUrl(int position) {
  switch (position) {
    case 0:
      return "rtmps://live-api-s.facebook.com:443/rtmp";
    case 1:
      return "rtmp://a.rtmp.youtube.com/live2";
    case 2:
      return "rtmp://live.twitch.tv/app";
    default:
      return "";
  }
}

}  // namespace vexto
