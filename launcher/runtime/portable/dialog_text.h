// Texts of the runtime choice dialog and the download status line, built from payload texts.
#pragma once

#include <string>
#include <string_view>

namespace drx::launcher {

// text with each "%S" replaced by width and "%%" by "%"; any other '%' stays as written (the text
// comes from the media file and is never used as a format).
std::wstring withProcessorWidth(std::wstring_view text, std::wstring_view width);

// Appends " (<minLabel> <min>" and ", <maxLabel> <max>" (or " (<maxLabel> <max>" alone) for the
// bounds that are not empty, closed with ")" when anything was appended.
std::wstring withVersionRange(std::wstring text, std::wstring_view minLabel, std::wstring_view minVersion,
                              std::wstring_view maxLabel, std::wstring_view maxVersion);

// Formats the status line: each floating-point conversion (f, F, e, E, g, G with flags, width and
// precision) takes the next of the four values, "%%" gives "%", and every other '%' sequence is
// copied as written, so a text with "%s" or "%n" cannot read or write memory.
std::wstring formatStatusLine(std::wstring_view format, const double (&values)[4]);

}  // namespace drx::launcher
