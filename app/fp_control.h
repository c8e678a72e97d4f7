// Floating-point exceptions of the calling thread.
#pragma once

namespace vexto {

// Masks all six floating-point exceptions (invalid operation, denormal operand, division by
// zero, overflow, underflow, precision) in the x87 control word and in MXCSR. Rounding and
// precision control are kept.
void MaskFloatingPointExceptions();

// The exception-mask bits of the x87 control word (low 6 bits) and of MXCSR (bits 7-12), for
// checks; 0 on other architectures.
unsigned X87ExceptionMask();
unsigned SseExceptionMask();

}  // namespace vexto
