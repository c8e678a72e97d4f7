// Request-target handling for the HTTP control: which switch, if any, a request asks for.
// Qt-free, no allocation beyond one decoded copy of the path; safe for any input bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vexto::remote {

// What one request asks of the program source.
enum class RemoteAction : uint8_t { None, Playlist, Live };

inline constexpr std::string_view kSwPlaylistPath = "/sw_playlist";
inline constexpr std::string_view kSwLivePath = "/sw_live";

// The path of a request target: the origin form "/a/b?q" gives "/a/b"; the absolute form
// "http://host:1/a?q" gives "/a" ("/" when it names no path); the fragment is cut as well.
// Anything else ("*", garbage) comes back as it is without its query.
std::string_view TargetPath(std::string_view target);

// Decodes each "%XX" (two hex digits, either case) to its byte. A "%" not followed by two hex
// digits stays literally as it is; decoding runs once ("%2573" gives "%73", not "s").
std::string PercentDecode(std::string_view text);

// ASCII-only comparison without regard to letter case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// The action of a request target: its decoded path compared whole, without regard to letter
// case, with "/sw_playlist" and "/sw_live". Query string and fragment are ignored; a trailing
// "/" or any further character names no action.
RemoteAction ActionForTarget(std::string_view target);

}  // namespace vexto::remote
