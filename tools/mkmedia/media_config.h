// The media configuration file: a UTF-8 properties file naming launcher properties and texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace drx::mkmedia {

// One setting of the configuration, in file order.
struct ConfigEntry {
  int32_t id = 0;
  bool wide = false;       // goes to the wide (UTF-16) table
  std::string value;       // UTF-8, escapes resolved
  int line = 0;            // 1-based line of the key
  std::string key;         // as written
  bool setupFile = false;  // a setup.* key: the setup file's icon, version or execution level
};

// Parses `text` (the file's contents). Syntax:
//   # or ! starts a comment line; blank lines are ignored
//   key = value      (also "key: value"); blanks around key and value are dropped
//   a line ending in a single backslash continues on the next line (its leading blanks dropped)
//   escapes in values: \n \r \t \\ \= \: \# \! \uXXXX (surrogate pairs combine)
// Keys: a property or message name (mainClass, msgWizardTitle, ...), a decimal id (20001-20020
// go to the wide table, anything else to the narrow table), or wide.<id> / narrow.<id> to choose.
// setup.icon, setup.version, setup.productName, setup.company, setup.description,
// setup.copyright and setup.executionLevel are builder settings, not properties (setupFile set).
// Returns false with `error` = "LINE: message" on the first problem (unknown name, bad escape,
// missing '=', malformed UTF-8).
bool parseMediaConfig(const std::string& text, std::vector<ConfigEntry>& entries, std::string& error);

}  // namespace drx::mkmedia
