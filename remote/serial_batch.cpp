#include "remote/serial_batch.h"

namespace vexto::remote {

void SwitchForSerialBatch(std::string_view batch, ISourceSwitch& form) {
  if (batch.empty()) return;
  if (batch.front() == '1') form.swPlaylist();
  if (batch.front() == '2') form.swLive();
}

}  // namespace vexto::remote
