// Floating-point conversions of the status line, laid out digit for digit as glibc's printf does,
// so the launcher does not depend on the floating output of the C runtime it links.
#pragma once

#include <string>

namespace drx::launcher {

// One printf floating conversion: %[flags][width][.precision](f|F|e|E|g|G).
struct FloatConversion {
  bool leftAlign = false;  // '-'
  bool plusSign = false;   // '+'
  bool spaceSign = false;  // ' '
  bool alternate = false;  // '#'
  bool zeroPad = false;    // '0'
  int width = 0;
  int precision = -1;  // -1: none given (6)
  char conversion = 'f';
};

// value as glibc's snprintf with the conversion writes it: exact decimal digits rounded half to
// even, "inf" and "nan" (with the sign bit's '-'), capitals for F, E and G. Width and precision
// beyond two digits are taken as 99.
std::string formatFloat(double value, const FloatConversion& conversion);

}  // namespace drx::launcher
