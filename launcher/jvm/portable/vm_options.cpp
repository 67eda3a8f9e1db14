// Option list assembly: options files, overrides, configured options and the class path (portable).
#include "launcher/jvm/portable/vm_options.h"

#include <cstdarg>

#include "common/format_text.h"
#include "common/payload/property_ids.h"
#include "launcher/jvm/portable/semicolon_list.h"
#include "launcher/jvm/portable/text_limits.h"

namespace drx::launcher {
namespace {

constexpr std::string_view kIncludeOptions = "-include-options ";
constexpr std::string_view kClassPathReplacement = "-classpath ";
constexpr std::string_view kClassPathPrefix = "-classpath/p ";
constexpr std::string_view kClassPathSuffix = "-classpath/a ";
constexpr std::string_view kClassPathOptionStart = "-Djava.class.path=";

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

std::string formatLine(const char* format, ...) DRX_FORMAT(1, 2);
std::string formatLine(const char* format, ...) {
  char buffer[kTextLimit * 3];
  va_list arguments;
  va_start(arguments, format);
  formatTextV(buffer, sizeof buffer, format, arguments);
  va_end(arguments);
  return buffer;
}

// Line end first, then spaces only: a tab is part of the option.
void trimOptionLine(std::string& line) {
  while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.pop_back();
  size_t start = 0;
  while (start < line.size() && line[start] == ' ') ++start;
  size_t end = line.size();
  while (end > start && line[end - 1] == ' ') --end;
  line = line.substr(start, end - start);
}

// Every *.jar, then every *.zip in directory, each followed by ';'.
void appendArchives(ClassPathText& classPath, const std::string& directory, VmOptionsHost& host) {
  for (const char* extension : {"jar", "zip"}) {
    for (const std::string& name : host.listFiles(directory, extension)) {
      classPath.append(directory + "\\" + name + ";");
    }
  }
}

}  // namespace

bool TextOptionsSource::readPiece(std::string& piece) {
  if (position_ >= text_.size()) return false;
  size_t end = text_.find('\n', position_);
  end = end == std::string::npos ? text_.size() : end + 1;
  if (end - position_ > kTextLimit) end = position_ + kTextLimit;
  piece.assign(text_, position_, end - position_);
  position_ = end;
  // fgets hands over a C string: a zero byte ends what the reader sees of the piece.
  const size_t zero = piece.find('\0');
  if (zero != std::string::npos) piece.resize(zero);
  return true;
}

void VmOptionsCollector::handleOptionText(std::string text) {
  cutToLimit(text);
  if (startsWith(text, kIncludeOptions)) {
    std::string name = text.substr(kIncludeOptions.size());
    host_.expand(name);
    OpenedOptionsFile file = host_.openOptionsFile(name);
    host_.log(formatLine("adding vmoptions from <%s> (%p)", name.c_str(), file.handle));
    if (!file.source) return;
    for (const std::string& identity : includeChain_) {
      if (identity == file.identity) {
        host_.logError(
            formatLine("vmoptions file <%s> is already being read; include skipped", name.c_str()));
        return;
      }
    }
    if (includeChain_.size() > static_cast<size_t>(kMaxIncludeDepth)) {
      host_.logError(formatLine("vmoptions includes nested deeper than %d at <%s>; include skipped",
                                kMaxIncludeDepth, name.c_str()));
      return;
    }
    readOptionsFile(std::move(file));
  } else if (startsWith(text, kClassPathReplacement)) {
    overrides_.replacement = text.substr(kClassPathReplacement.size());
  } else if (startsWith(text, kClassPathPrefix)) {
    overrides_.prefix = text.substr(kClassPathPrefix.size());
  } else if (startsWith(text, kClassPathSuffix)) {
    overrides_.suffix = text.substr(kClassPathSuffix.size());
  } else {
    options_.push_back(std::move(text));
  }
}

void VmOptionsCollector::readOptionsFile(OpenedOptionsFile file) {
  if (!file.source) return;
  includeChain_.push_back(file.identity);
  std::string line;
  while (file.source->readPiece(line)) {
    trimOptionLine(line);
    if (line.empty() || line[0] == '#') continue;
    host_.expand(line);
    handleOptionText(std::move(line));
    line.clear();
  }
  includeChain_.pop_back();
}

void VmOptionsCollector::addConfiguredOptions(const std::vector<std::string>& elements,
                                              const std::vector<std::string>& commandLine, bool passthrough) {
  host_.log("adding options\n");
  for (size_t i = 0; i < elements.size(); ++i) {
    if (elements[i] == "-include-options" && i + 1 < elements.size()) {
      handleOptionText(elements[i] + " " + elements[i + 1]);
      ++i;
    } else {
      handleOptionText(elements[i]);
    }
  }
  if (!passthrough) return;
  for (const std::string& argument : commandLine) {
    if (startsWith(argument, "-J")) handleOptionText(argument.substr(2));
  }
}

bool ClassPathText::append(std::string_view piece) {
  if (cut_ || text_.size() + piece.size() > kClassPathOptionLimit) {
    cut_ = true;
    return false;
  }
  text_.append(piece);
  return true;
}

std::optional<ClassPathFailure> appendClassPathEntries(ClassPathText& classPath, const std::string& entries,
                                                       VmOptionsHost& host) {
  host.log(formatLine("classpath entry %s", entries.c_str()));
  for (const std::string& entry : splitList(entries)) {
    const char type = entry[0];
    const bool mandatory = entry.size() > 1 && entry[1] == '1';
    std::string value = entry.size() > 2 ? entry.substr(2) : std::string();
    host.expand(value);
    bool found = false;
    switch (type) {
      case 'A':
      case 'D': {
        std::string absolute;
        for (const std::string& piece : splitList(value)) {
          if (!absolute.empty()) absolute += ';';
          absolute += host.makeAbsolute(piece);
        }
        cutToLimit(absolute);
        classPath.append(absolute + ";");
        found = host.exists(absolute);
        break;
      }
      case 'E': {
        std::optional<std::string> variable = host.environmentVariable(value);
        if (!variable) {
          if (mandatory) return ClassPathFailure{payload::kMsgClassPathVariableUndefined, value};
          continue;
        }
        std::string text = std::move(*variable);
        cutToLimit(text);
        if (text.empty()) continue;  // set but empty: nothing to add, nothing to report
        if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
          text = text.substr(1, text.size() - 2);
        if (text.empty() || text.back() != ';') text += ';';
        classPath.append(text);
        found = true;
        break;
      }
      case 'S': {
        const std::string directory = host.makeAbsolute(value);
        found = host.exists(directory);
        if (found) appendArchives(classPath, directory, host);
        break;
      }
      default:
        continue;
    }
    if (mandatory && !found) return ClassPathFailure{payload::kMsgClassPathEntryMissing, value};
  }
  return std::nullopt;
}

VmOptionsResult buildVmOptionList(const VmOptionsInput& input, VmOptionsHost& host) {
  VmOptionsResult result;
  VmOptionsCollector collector(host);
  collector.options() = input.systemProperties;
  collector.addConfiguredOptions(input.vmParameterElements, input.commandLine, input.jvmArgumentPassthrough);
  collector.readOptionsFile(host.openDefaultOptionsFile());

  const ClassPathOverrides& overrides = collector.overrides();
  ClassPathText classPath{std::string(kClassPathOptionStart)};
  if (overrides.prefix) classPath.append(*overrides.prefix + ";");
  // Without a temporary directory the patterns would become "\*.jar", the current drive's root.
  if (!input.temporaryDirectory.empty()) {
    appendArchives(classPath, input.temporaryDirectory, host);
    appendArchives(classPath, input.temporaryDirectory + "\\user", host);
  }
  if (overrides.replacement) {
    classPath.append(*overrides.replacement);
  } else {
    result.failure = appendClassPathEntries(classPath, input.classPath, host);
    if (result.failure) return result;
  }
  if (overrides.suffix) {
    if (!classPath.endsWith(';')) classPath.append(";");
    classPath.append(*overrides.suffix);
  }
  if (classPath.wasCut()) {
    host.logError(formatLine("class path longer than %d characters; later entries left out",
                             static_cast<int>(kClassPathOptionLimit)));
  }
  result.options = std::move(collector.options());
  result.options.push_back(classPath.text());
  return result;
}

}  // namespace drx::launcher
