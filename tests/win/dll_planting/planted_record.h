// Reading what the planted DLLs recorded (see planted_dll.cpp for the line format).
#pragma once

#include <string>
#include <vector>

namespace drx::test {

struct PlantedEvent {
  std::string kind;        // "load" or "call"
  std::string dll;         // "comctl32.dll", ...
  bool byProgram = false;  // a cause lies outside the system directory
  std::string causes;      // the module paths, ';'-separated
  std::string line;        // the whole line, for messages
};

// The events in the record file at path (none when it does not exist).
std::vector<PlantedEvent> readPlantedEvents(const std::wstring& path);

// The planted DLLs by file name, as built beside each other.
inline const char* const kPlantedNames[] = {"comctl32.dll", "version.dll", "wininet.dll", "dnsapi.dll"};

}  // namespace drx::test
