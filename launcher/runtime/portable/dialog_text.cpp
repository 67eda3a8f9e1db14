// Building the choice dialog text and the download status line without handing payload texts
// to printf as formats.
#include "launcher/runtime/portable/dialog_text.h"

#include "launcher/runtime/portable/float_text.h"

namespace drx::launcher {
namespace {

bool isFlag(wchar_t c) { return c == L'-' || c == L'+' || c == L' ' || c == L'#' || c == L'0'; }
bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
bool isFloatConversion(wchar_t c) {
  return c == L'f' || c == L'F' || c == L'e' || c == L'E' || c == L'g' || c == L'G';
}

}  // namespace

std::wstring withProcessorWidth(std::wstring_view text, std::wstring_view width) {
  std::wstring out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L'S') {
      out += width;
      ++i;
    } else if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L'%') {
      out += L'%';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::wstring withVersionRange(std::wstring text, std::wstring_view minLabel, std::wstring_view minVersion,
                              std::wstring_view maxLabel, std::wstring_view maxVersion) {
  bool appended = false;
  if (!minVersion.empty()) {
    text += L" (";
    text += minLabel;
    text += L' ';
    text += minVersion;
    appended = true;
  }
  if (!maxVersion.empty()) {
    text += appended ? L", " : L" (";
    text += maxLabel;
    text += L' ';
    text += maxVersion;
    appended = true;
  }
  if (appended) text += L')';
  return text;
}

std::wstring formatStatusLine(std::wstring_view format, const double (&values)[4]) {
  std::wstring out;
  size_t next = 0;
  for (size_t i = 0; i < format.size();) {
    if (format[i] != L'%') {
      out += format[i++];
      continue;
    }
    if (i + 1 < format.size() && format[i + 1] == L'%') {
      out += L'%';
      i += 2;
      continue;
    }
    // %[flags][width][.precision]conversion, with width and precision of at most two digits.
    size_t j = i + 1;
    FloatConversion conversion;
    for (int flags = 0; j < format.size() && isFlag(format[j]) && flags < 5; ++flags) {
      const wchar_t flag = format[j++];
      conversion.leftAlign |= flag == L'-';
      conversion.plusSign |= flag == L'+';
      conversion.spaceSign |= flag == L' ';
      conversion.alternate |= flag == L'#';
      conversion.zeroPad |= flag == L'0';
    }
    for (int digits = 0; j < format.size() && isDigit(format[j]) && digits < 2; ++digits)
      conversion.width = conversion.width * 10 + (format[j++] - L'0');
    if (j < format.size() && format[j] == L'.') {
      conversion.precision = 0;
      ++j;
      for (int digits = 0; j < format.size() && isDigit(format[j]) && digits < 2; ++digits)
        conversion.precision = conversion.precision * 10 + (format[j++] - L'0');
    }
    if (j < format.size() && isFloatConversion(format[j]) && next < 4) {
      conversion.conversion = static_cast<char>(format[j]);
      for (char c : formatFloat(values[next++], conversion)) out += static_cast<wchar_t>(c);
      i = j + 1;
    } else {
      out += format[i++];  // not a conversion this line supports: the '%' stays literal
    }
  }
  return out;
}

}  // namespace drx::launcher
