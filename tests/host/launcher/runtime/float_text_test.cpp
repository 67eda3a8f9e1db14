// Host tests of the status line's own floating-point output against glibc's printf.
#include <gtest/gtest.h>

#include <cctype>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "launcher/runtime/portable/dialog_text.h"
#include "launcher/runtime/portable/float_text.h"

namespace drx::launcher {
namespace {

// The conversion a printf format such as "%-+10.2e" stands for.
FloatConversion conversionOf(const std::string& format) {
  FloatConversion c;
  size_t at = format.find_first_not_of("-+ #0", 1);
  for (size_t i = 1; i < at; ++i) {
    (format[i] == '-'   ? c.leftAlign
     : format[i] == '+' ? c.plusSign
     : format[i] == ' ' ? c.spaceSign
     : format[i] == '#' ? c.alternate
                        : c.zeroPad) = true;
  }
  for (; isdigit(format[at]); ++at) c.width = c.width * 10 + format[at] - '0';
  if (format[at] == '.') {
    c.precision = 0;
    for (++at; isdigit(format[at]); ++at) c.precision = c.precision * 10 + format[at] - '0';
  }
  c.conversion = format[at];
  return c;
}

// Expected texts are glibc's snprintf output.
TEST(FloatText, MatchesGlibcOnChosenCases) {
  const struct {
    double value;
    const char* format;
    std::string expected;
  } cases[] = {
      // Exact ties go to the even digit; anything above a tie goes up.
      {0.125, "%.2f", "0.12"},
      {0.375, "%.2f", "0.38"},
      {2.5, "%.0f", "2"},
      {3.5, "%.0f", "4"},
      {0.5, "%.0f", "0"},
      {0.5000000000000001, "%.0f", "1"},
      {25.0, "%.0e", "2e+01"},
      // Not ties: the doubles nearest 0.35 and 0.05 lie below and above them.
      {0.35, "%.1f", "0.3"},
      {0.05, "%.1f", "0.1"},
      {0.006, "%.2f", "0.01"},
      // A carry out of the first digit.
      {9.96, "%.1f", "10.0"},
      {9.96, "%.1e", "1.0e+01"},
      {99.95, "%.3g", "100"},
      {999999.5, "%g", "1e+06"},
      // Exact digits far beyond the seventeen that identify a double.
      {1e22, "%f", "10000000000000000000000.000000"},
      {1e23, "%.0f", "99999999999999991611392"},
      {0.1, "%.20f", "0.10000000000000000555"},
      {5e-324, "%e", "4.940656e-324"},
      {5e-324, "%.99e",
       "4."
       "940656458412465441765687928682213723650598026143247644255856825006755072702087518652998363616359924e-"
       "324"},
      {5e-324, "%.99f", "0." + std::string(99, '0')},
      {2.2250738585072009e-308, "%.16e", "2.2250738585072009e-308"},
      {DBL_MAX, "%e", "1.797693e+308"},
      {DBL_MAX, "%f",
       "17976931348623157081452742373170435679807056752584499659891747680315726078002853876058955863276687817"
       "1540458"
       "95351438246423432132688946418276846754670353751698604991057655128207624549009038932894407586850845513"
       "3942304"
       "583236903222948165808559332123348274797826204144723168738177180919299881250404026184124858368."
       "000000"},
      // Zeros keep their sign.
      {-0.0, "%f", "-0.000000"},
      {-0.0, "%e", "-0.000000e+00"},
      {-0.0, "%g", "-0"},
      {0.0, "%+g", "+0"},
      {-0.0, "%06.1f", "-000.0"},
      // Infinities and NaNs: signs and widths, never zero padding.
      {INFINITY, "%f", "inf"},
      {-INFINITY, "%F", "-INF"},
      {INFINITY, "% G", " INF"},
      {-INFINITY, "%08f", "    -inf"},
      {INFINITY, "%-8E", "INF     "},
      {-NAN, "%E", "-NAN"},
      {NAN, "%+08.3g", "    +nan"},
      // %g takes e style below 1e-4 and from 10^precision on, judged after rounding.
      {0.0001, "%g", "0.0001"},
      {0.0000999999, "%g", "9.99999e-05"},
      {0.00009999996, "%g", "0.0001"},
      {123456.0, "%g", "123456"},
      {1234567.0, "%g", "1.23457e+06"},
      {1e-5, "%G", "1E-05"},
      {0.5, "%.0g", "0.5"},
      // '#' keeps the point and, for %g, the trailing zeros.
      {0.0, "%#.0f", "0."},
      {-0.0, "%#.0e", "-0.e+00"},
      {0.0, "%#g", "0.00000"},
      {1.0, "%#g", "1.00000"},
      {5.0, "%#.0g", "5."},
      {100000.0, "%#.3g", "1.00e+05"},
      // glibc, unlike C's wording, drops the zeros when rounding carries %#g from f into e style.
      {9999.5, "%#.4g", "1.e+04"},
      {999999.6, "%#g", "1.e+06"},
      {999.96, "%#.4g", "1000."},
      {99999.6, "%#.4g", "1.000e+05"},
      {0.000099996, "%#.4g", "0.0001000"},
      // Padding goes after the sign; '-' wins over '0', '+' over ' '.
      {1.0, "%+ f", "+1.000000"},
      {-3.14159, "%010.3f", "-00003.142"},
      {31415.9, "%-+10.2e", "+3.14e+04 "},
      {31415.9, "%+010.2E", "+03.14E+04"},
      {2.5, "% 08.2f", " 0002.50"},
      {1.0, "%-010.1f", "1.0       "},
      {1e-10, "%010g", "000001e-10"},
      {1.0, "%99.0e", std::string(94, ' ') + "1e+00"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(formatFloat(c.value, conversionOf(c.format)), c.expected) << c.format << " of " << c.value;
  }
}

// A random conversion of value, compared with the host's snprintf.
void expectSameAsSnprintf(std::mt19937_64& random, double value) {
  const auto pick = [&](int n) { return static_cast<int>(random() % n); };
  std::string format = "%";
  for (const char flag : {'-', '+', ' ', '#', '0'}) {
    if (pick(3) == 0) format += flag;
  }
  if (pick(3)) format += std::to_string(1 + pick(pick(2) ? 15 : 99));
  if (pick(4)) format += '.' + std::to_string(pick(pick(2) ? 20 : 100));
  format += "fFeEgG"[pick(6)];
  char expected[1024];
  snprintf(expected, sizeof expected, format.c_str(), value);
  uint64_t bits;
  memcpy(&bits, &value, sizeof bits);
  ASSERT_EQ(formatFloat(value, conversionOf(format)), expected)
      << format << " of bits 0x" << std::hex << bits << " (" << value << ")";
}

TEST(FloatText, MatchesGlibcOnRandomBitPatterns) {
  std::mt19937_64 random(20240611);
  for (int i = 0; i < 30000 && !HasFatalFailure(); ++i) {
    const uint64_t bits = random();  // every exponent, subnormals, infinities and NaN payloads
    double value;
    memcpy(&value, &bits, sizeof value);
    expectSameAsSnprintf(random, value);
  }
}

// Values a download shows: hundredths, binary fractions (exact ties), decimal scales, and the
// neighbours of powers of ten, where %g changes style.
TEST(FloatText, MatchesGlibcOnEverydayValues) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 30000 && !HasFatalFailure(); ++i) {
    const double k = static_cast<double>(random() % 10000000);
    const double power = std::pow(10.0, static_cast<int>(random() % 21) - 10);
    const double values[] = {k / 100, k / 1024, std::ldexp(k, -static_cast<int>(random() % 30)),
                             k / 1000 * power, std::nextafter(power, random() % 2 ? 0.0 : INFINITY)};
    const double value = values[random() % 5];
    expectSameAsSnprintf(random, random() % 2 ? -value : value);
  }
}

// The status line once wrote numbers through a fixed buffer and cut them at 159 characters.
TEST(FloatText, StatusLineKeepsLongNumbersWhole) {
  const double values[4] = {DBL_MAX, -1.0, 0, 0};
  const std::wstring line = formatStatusLine(L"%.99f|%-+99.1e|", values);
  ASSERT_EQ(line.size(), 409u + 1 + 99 + 1);
  EXPECT_EQ(line.substr(0, 12), L"179769313486");
  EXPECT_EQ(line.substr(309, 4), L".000");
  EXPECT_EQ(line.substr(410, 9), L"-1.0e+00 ");
  EXPECT_EQ(line.back(), L'|');
}

}  // namespace
}  // namespace drx::launcher
