// Class and interface identifiers of the engine objects. The callers make each object from its
// class identifier and then obtain the interface they use from it.
#pragma once

#include <string_view>

namespace vexto::media {

inline constexpr std::string_view CLSID_MFReader = "{C08A796D-5CCF-4251-B22F-27AAA7ECABF3}";
inline constexpr std::string_view CLSID_MFPreview = "{49859777-08F5-4C7A-B439-3255A8A8E9E4}";
inline constexpr std::string_view CLSID_MFLive = "{C08A797F-5CCF-4251-B22F-27AAA7ECABF3}";
inline constexpr std::string_view CLSID_MFWriter = "{C08A164D-5CCF-4251-B22F-27AAA7ECABF3}";

inline constexpr std::string_view IID_IMFReader = "{10DB43C6-89AF-4CD2-90A4-FB91B32DB3E0}";
inline constexpr std::string_view IID_IMFPreview = "{4F366160-473F-4AD5-A5C2-428FE0C8E03E}";
inline constexpr std::string_view IID_IMFLive = "{10DB43D6-89AF-4CD2-90A4-FB91B32DB3E0}";
inline constexpr std::string_view IID_IMFWriter = "{10DB4AC7-89AF-4CD2-90A4-FB91B32DB3E0}";
inline constexpr std::string_view IID_IMFSource = "{CD799B77-3FD4-4237-92D4-D187B588D999}";
inline constexpr std::string_view IID_IMFReceiver = "{CD799F87-3FD4-4237-92D4-D187B588D999}";
inline constexpr std::string_view IID_IMFFrame = "{4F377000-473F-4AD5-A5C2-428FE0C8E03E}";
inline constexpr std::string_view IID_IMFProps = "{4F366720-473F-4AD5-A5C2-428FE0C8E03E}";
inline constexpr std::string_view IID_IMFFormatList = "{4F366705-473F-4AD5-A5C2-428FE0C8E03E}";

}  // namespace vexto::media
