// Reading the record file the planted DLLs append to.
#include "tests/win/dll_planting/planted_record.h"

#include <sstream>

#include "tests/support/process_driver/process_driver.h"

namespace drx::test {

std::vector<PlantedEvent> readPlantedEvents(const std::wstring& path) {
  std::vector<PlantedEvent> events;
  std::istringstream lines(readFileBytes(path));
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::istringstream fields(line);
    PlantedEvent event;
    std::string origin;
    fields >> event.kind >> event.dll >> origin;
    std::getline(fields >> std::ws, event.causes);
    event.byProgram = origin != "system";  // anything unreadable counts against us
    event.line = line;
    events.push_back(event);
  }
  return events;
}

}  // namespace drx::test
