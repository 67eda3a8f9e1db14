// Exact decimal output of doubles for the status line, independent of the C runtime's printf.
#include "launcher/runtime/portable/float_text.h"

#include <cstdint>
#include <cstring>

namespace drx::launcher {
namespace {

constexpr uint32_t kLimbBase = 1000000000;
// The longest exact value is the smallest exponent's: (2^53 - 1) * 5^1074 has 767 digits.
constexpr int kMaxLimbs = 86;
// Width and precision have at most two digits.
constexpr int kMaxField = 99;
// Sign, 309 integer digits and a carry, the point and 99 fraction digits; padding only ever
// widens shorter texts.
constexpr int kMaxText = 412;

// limbs = limbs * factor + addend, in base 1e9 with the least significant limb first; factor and
// addend stay below 1e9, so what is carried out fits one new limb.
void multiplyAdd(uint32_t* limbs, int& used, uint32_t factor, uint32_t addend) {
  uint64_t carry = addend;
  for (int i = 0; i < used; ++i) {
    carry += static_cast<uint64_t>(limbs[i]) * factor;
    const uint64_t high = carry / kLimbBase;
    limbs[i] = static_cast<uint32_t>(carry - high * kLimbBase);
    carry = high;
  }
  if (carry) limbs[used++] = static_cast<uint32_t>(carry);
}

// Writes the digits of mantissa * 2^exponent (mantissa not 0) without leading zeros and returns
// their count; pointPos is where the decimal point goes, counted from the first digit.
int exactDigits(uint64_t mantissa, int exponent, char* digits, int& pointPos) {
  uint32_t limbs[kMaxLimbs];
  int used = 0;
  multiplyAdd(limbs, used, 1, static_cast<uint32_t>(mantissa >> 26));
  multiplyAdd(limbs, used, uint32_t{1} << 26, static_cast<uint32_t>(mantissa & ((1 << 26) - 1)));
  // m * 2^-k is m * 5^k / 10^k, so negative powers of two need only integer arithmetic too.
  const uint32_t base = exponent < 0 ? 5 : 2;
  for (int count = exponent < 0 ? -exponent : exponent; count > 0;) {
    uint32_t factor = 1;
    for (; count > 0 && factor < kLimbBase / base; --count) factor *= base;
    multiplyAdd(limbs, used, factor, 0);
  }
  int size = used * 9;
  for (int i = 0, at = size; i < used; ++i) {
    for (int k = 0; k < 9; ++k, limbs[i] /= 10) digits[--at] = static_cast<char>('0' + limbs[i] % 10);
  }
  int lead = 0;
  while (digits[lead] == '0') ++lead;
  size -= lead;
  memmove(digits, digits + lead, size);
  pointPos = size + (exponent < 0 ? exponent : 0);
  return size;
}

// Keeps the first `keep` digits, rounding the exact rest half to even. Zeros at the end are dropped
// (digits past size read as '0'), so a carry out of the first digit leaves just "1".
void roundDigits(char* digits, int& size, int& pointPos, int keep) {
  if (keep >= size) return;
  if (keep < 0) {  // below a tenth of the last place kept
    size = 0;
    return;
  }
  bool up = digits[keep] > '5' || (digits[keep] == '5' && keep > 0 && (digits[keep - 1] & 1));
  for (int i = keep + 1; i < size && digits[keep] == '5'; ++i) up |= digits[i] != '0';
  size = keep;
  if (!up) return;
  while (size > 0 && digits[size - 1] == '9') --size;
  if (size > 0) {
    ++digits[size - 1];
  } else {
    digits[0] = '1';
    size = 1;
    ++pointPos;
  }
}

}  // namespace

std::string formatFloat(double value, const FloatConversion& conversion) {
  uint64_t bits;
  memcpy(&bits, &value, sizeof bits);
  const int biased = static_cast<int>(bits >> 52 & 0x7FF);
  uint64_t mantissa = bits & ((uint64_t{1} << 52) - 1);
  const char style = conversion.conversion | 0x20;  // lower case
  const bool finite = biased != 0x7FF;

  char text[kMaxText];
  int length = 0;
  if (bits >> 63) {
    text[length++] = '-';
  } else if (conversion.plusSign) {
    text[length++] = '+';
  } else if (conversion.spaceSign) {
    text[length++] = ' ';
  }
  const int signLength = length;

  if (!finite) {
    memcpy(text + length, mantissa ? "nan" : "inf", 3);
    length += 3;
  } else {
    if (biased) mantissa |= uint64_t{1} << 52;
    char digits[kMaxLimbs * 9];
    int size = 0;
    int pointPos = 1;  // zero reads as 0.0e+00
    if (mantissa) size = exactDigits(mantissa, (biased ? biased : 1) - 1075, digits, pointPos);

    int precision = conversion.precision < 0 ? 6 : conversion.precision;
    if (precision > kMaxField) precision = kMaxField;
    if (style == 'g' && precision == 0) precision = 1;
    bool scientific = style == 'e';
    bool trimZeros = false;
    const int unrounded = pointPos;
    roundDigits(digits, size, pointPos,
                style == 'f'   ? pointPos + precision
                : style == 'e' ? precision + 1
                               : precision);
    if (style == 'g') {
      const int exponent = pointPos - 1;
      scientific = exponent < -4 || exponent >= precision;
      // glibc picks the fraction length before rounding: when a carry turns f style without fraction
      // digits into e style, '#' keeps the point but no zeros (%#.4g of 9999.96 is "1.e+04").
      trimZeros = !conversion.alternate || (pointPos > unrounded && exponent == precision);
      precision = scientific ? precision - 1 : precision - 1 - exponent;
    }

    // One digit before the point in e style; the integer part, at least "0", in f style.
    const int whole = scientific ? 1 : pointPos;
    if (whole <= 0) text[length++] = '0';
    for (int i = whole > 0 ? 0 : whole; i < whole + precision; ++i) {
      if (i == whole) text[length++] = '.';
      text[length++] = i >= 0 && i < size ? digits[i] : '0';
    }
    if (precision == 0 && conversion.alternate) text[length++] = '.';
    if (trimZeros && precision > 0) {
      while (text[length - 1] == '0') --length;
      if (text[length - 1] == '.' && !conversion.alternate) --length;
    }
    if (scientific) {
      const int exponent = pointPos - 1;
      const int magnitude = exponent < 0 ? -exponent : exponent;  // at most 324
      text[length++] = 'e';
      text[length++] = exponent < 0 ? '-' : '+';
      if (magnitude >= 100) text[length++] = static_cast<char>('0' + magnitude / 100);
      text[length++] = static_cast<char>('0' + magnitude / 10 % 10);
      text[length++] = static_cast<char>('0' + magnitude % 10);
    }
  }
  if (conversion.conversion != style) {
    for (int i = 0; i < length; ++i) {
      if (text[i] >= 'a') text[i] -= 'a' - 'A';
    }
  }

  const int width = conversion.width < kMaxField ? conversion.width : kMaxField;
  if (width > length) {
    const bool zeros = conversion.zeroPad && finite && !conversion.leftAlign;
    const int at = conversion.leftAlign ? length : zeros ? signLength : 0;
    memmove(text + width - length + at, text + at, length - at);
    memset(text + at, zeros ? '0' : ' ', width - length);
    length = width;
  }
  return std::string(text, length);
}

}  // namespace drx::launcher
