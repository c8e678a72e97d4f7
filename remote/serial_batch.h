// What one batch of received serial bytes does to the program source. Qt-free.
#pragma once

#include <string_view>

#include "engine/state/input.h"

namespace vexto::remote {

// Looks only at the first byte: "1" runs swPlaylist, "2" runs swLive; every other first byte,
// and the rest of the batch, change nothing. An empty batch changes nothing.
void SwitchForSerialBatch(std::string_view batch, ISourceSwitch& form);

}  // namespace vexto::remote
