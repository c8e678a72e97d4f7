// The streaming services the page keeps presets for, their default ingest URLs, the positions
// "Reset" chooses, and the entries of the hidden aspect list. Constants only.
#pragma once

#include <array>
#include <string_view>

namespace vexto {

// Positions of comboLiveType; each names its own section of the settings file.
inline constexpr std::array<std::string_view, 4> kLiveServices = {"Facebook", "Youtube", "Twitch",
                                                                  "Outros"};
inline constexpr int kServiceOutros = 3;

// The default server URL of the service at `position` (0-2); empty for "Outros" (3).
std::string_view DefaultServiceUrl(int position);

// What "Reset" selects for every service.
inline constexpr int kResetOutputPosition = 18;
inline constexpr int kResetVideoCodecPosition = 4;
inline constexpr int kResetAudioCodecPosition = 2;
inline constexpr std::string_view kResetBitrate = "4M";

// The output entry chosen when the page is loaded.
inline constexpr std::string_view kStreamingOutputName = "RTMP Streaming";

// The hidden "Aspecto" list, saved and restored with the presets.
inline constexpr std::array<std::string_view, 31> kAspectFormats = {
    "eMVF_NTSC",         "eMVF_NTSC_2398",    "eMVF_NTSC_16x9",    "eMVF_PAL",
    "eMVF_PAL_16x9",     "eMVF_HD720_50p",    "eMVF_HD720_5994p",  "eMVF_HD720_60p",
    "eMVF_HD1080_2398p", "eMVF_HD1080_24p",   "eMVF_HD1080_25p",   "eMVF_HD1080_2997p",
    "eMVF_HD1080_30p",   "eMVF_HD1080_50i",   "eMVF_HD1080_5994i", "eMVF_HD1080_60i",
    "eMVF_HD1080_50p",   "eMVF_HD1080_5994p", "eMVF_HD1080_60p",   "eMVF_2K_2398p",
    "eMVF_2K_24p",       "eMVF_2K_25p",       "eMVF_4K_DCI_2398p", "eMVF_4K_DCI_24p",
    "eMVF_4K_DCI_25p",   "eMVF_4K_UHD_50i",   "eMVF_4K_UHD_5994i", "eMVF_4K_UHD_60i",
    "eMVF_4K_UHD_50p",   "eMVF_4K_UHD_5994p", "eMVF_4K_UHD_60p"};

}  // namespace vexto
