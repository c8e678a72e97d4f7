#include "app/fp_control.h"

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace vexto {

#if defined(__x86_64__) || defined(__i386__)
namespace {
constexpr unsigned short kX87AllMasks = 0x3F;  // IM DM ZM OM UM PM
constexpr unsigned kSseAllMasks = 0x1F80;      // bits 7-12
}  // namespace

void MaskFloatingPointExceptions() {
  unsigned short control = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(control));
  control = static_cast<unsigned short>(control | kX87AllMasks);
  __asm__ __volatile__("fldcw %0" : : "m"(control));
  _mm_setcsr(_mm_getcsr() | kSseAllMasks);
}

unsigned X87ExceptionMask() {
  unsigned short control = 0;
  __asm__ __volatile__("fnstcw %0" : "=m"(control));
  return control & kX87AllMasks;
}

unsigned SseExceptionMask() {
  return _mm_getcsr() & kSseAllMasks;
}
#else
void MaskFloatingPointExceptions() {}
unsigned X87ExceptionMask() {
  return 0;
}
unsigned SseExceptionMask() {
  return 0;
}
#endif

}  // namespace vexto
