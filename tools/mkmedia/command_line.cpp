// Argument parsing and dispatch of mkmedia's commands.
#include "tools/mkmedia/command_line.h"

#include <cstdio>
#include <cstdlib>

#include "tools/mkmedia/media_report.h"
#include "tools/mkmedia/file_io.h"
#include "tools/mkmedia/setup_file.h"
#include "tools/mkmedia/text_encoding.h"

namespace drx::mkmedia {

const char kUsage[] =
    "usage:\n"
    "  mkmedia build --stub STUB.exe --config CONFIG -o OUT.exe [--file NAME=PATH ...] [--data PATH]\n"
    "                [--no-verify] [--codepage N] [--jre-sha256 ARCHIVE]\n"
    "                [--icon APP.ico] [--version 1.2.3.4] [--product-name TEXT] [--company TEXT]\n"
    "                [--description TEXT] [--copyright TEXT]\n"
    "                [--execution-level asInvoker|highestAvailable|requireAdministrator]\n"
    "  mkmedia inspect FILE [--json] [--codepage N]\n";

namespace {

bool parseCodePage(const std::string& text, int& codePage, std::string& error) {
  char* end = nullptr;
  long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value <= 0 || value > 65535 ||
      !codePageSupported(static_cast<int>(value))) {
    error = "unsupported code page '" + text + "'";
    return false;
  }
  codePage = static_cast<int>(value);
  return true;
}

}  // namespace

bool parseCommandLine(const std::vector<std::string>& args, Command& command, std::string& error) {
  command = Command{};
  if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    command.kind = Command::kHelp;
    return true;
  }
  auto value = [&](size_t& i, std::string& out) {
    if (i + 1 >= args.size()) {
      error = "option " + args[i] + " needs a value";
      return false;
    }
    out = args[++i];
    return true;
  };
  if (args[0] == "build") {
    command.kind = Command::kBuild;
    BuildOptions& b = command.build;
    for (size_t i = 1; i < args.size(); ++i) {
      const std::string& a = args[i];
      std::string v;
      if (a == "--stub") {
        if (!value(i, b.stubPath)) return false;
      } else if (a == "--config") {
        if (!value(i, b.configPath)) return false;
      } else if (a == "-o" || a == "--output") {
        if (!value(i, b.outputPath)) return false;
      } else if (a == "--data") {
        if (!value(i, b.dataPath)) return false;
      } else if (a == "--jre-sha256") {
        if (!value(i, b.jreDigestPath)) return false;
      } else if (a == "--no-verify") {
        b.verify = false;
      } else if (a == "--codepage") {
        if (!value(i, v) || !parseCodePage(v, b.codePage, error)) return false;
      } else if (a == "--file") {
        if (!value(i, v)) return false;
        size_t eq = v.find('=');
        if (eq == std::string::npos || eq + 1 == v.size()) {
          error = "--file takes NAME=PATH, got '" + v + "'";
          return false;
        }
        IncludedFileSpec plan;
        if (!normaliseIncludedName(v.substr(0, eq), plan.name, error)) return false;
        plan.path = v.substr(eq + 1);
        b.files.push_back(std::move(plan));
      } else if (const SetupFileSetting* setting = findSetupFileOption(a)) {
        if (!value(i, v) || !checkSetupFileValue(*setting, v, error)) return false;
        b.setupFile.*setting->field = v;
      } else {
        error = "unknown option '" + a + "' for build";
        return false;
      }
    }
    if (b.stubPath.empty() || b.configPath.empty() || b.outputPath.empty()) {
      error = "build needs --stub, --config and -o";
      return false;
    }
    command.codePage = b.codePage;
    return true;
  }
  if (args[0] == "inspect") {
    command.kind = Command::kInspect;
    for (size_t i = 1; i < args.size(); ++i) {
      const std::string& a = args[i];
      std::string v;
      if (a == "--json") {
        command.json = true;
      } else if (a == "--codepage") {
        if (!value(i, v) || !parseCodePage(v, command.codePage, error)) return false;
      } else if (!a.empty() && a[0] == '-') {
        error = "unknown option '" + a + "' for inspect";
        return false;
      } else if (command.inspectPath.empty()) {
        command.inspectPath = a;
      } else {
        error = "inspect takes one file";
        return false;
      }
    }
    if (command.inspectPath.empty()) {
      error = "inspect needs a file";
      return false;
    }
    return true;
  }
  error = "unknown command '" + args[0] + "'";
  return false;
}

int runCommand(const Command& command) {
  std::string error;
  switch (command.kind) {
    case Command::kHelp:
      std::fputs(kUsage, stdout);
      return 0;
    case Command::kBuild:
      if (!buildMedia(command.build, error)) {
        std::fprintf(stderr, "mkmedia: %s\n", error.c_str());
        return 1;
      }
      return 0;
    case Command::kInspect: {
      FileSource source;
      if (!source.open(command.inspectPath, error)) {
        std::fprintf(stderr, "mkmedia: %s: %s\n", command.inspectPath.c_str(), error.c_str());
        return 1;
      }
      MediaReport report;
      if (!inspectMedia(source, command.codePage, report, error,
                        "mkmedia: checking " + command.inspectPath)) {
        std::fprintf(stderr, "mkmedia: %s: %s\n", command.inspectPath.c_str(), error.c_str());
        return 1;
      }
      std::string text = command.json ? formatReportJson(report) : formatReportText(report);
      std::fputs(text.c_str(), stdout);
      if (!report.unreadable.empty()) {
        std::fprintf(stderr, "mkmedia: %s: checksum MISMATCH; could not read %s\n",
                     command.inspectPath.c_str(), report.unreadable.c_str());
      }
      return report.crcOk() ? 0 : 2;
    }
  }
  return 1;
}

}  // namespace drx::mkmedia
