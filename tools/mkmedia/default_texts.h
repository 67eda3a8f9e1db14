// Default message texts the builder puts into every media file unless the configuration sets them.
#pragma once

#include <cstdint>
#include <string>

namespace drx::mkmedia {

struct DefaultText {
  int32_t id;
  const char* text;  // UTF-8; "%PRODUCT%" becomes the product title
};

// Narrow messages (1000-1021) and wide texts (20001-20020) that have a default.
extern const DefaultText kDefaultTexts[];
extern const size_t kDefaultTextCount;

// The default text of `id` for a launcher of the given flavour ('l' = "lanqo", else "deployrix"),
// or an empty string if there is none.
std::string defaultText(int32_t id, char flavour);

}  // namespace drx::mkmedia
