// The payload's list of included file names and which of them are pack200-compressed jars.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace drx::launcher {

// The first `count` names of a ';'-separated list (consecutive separators count as one); fewer
// when the list ends first.
std::vector<std::string> includedFileNames(std::string_view list, int count);

// Names ending in ".pack" (case-sensitive), other than ".pack" alone.
bool isPackedFileName(std::string_view name);

}  // namespace drx::launcher
