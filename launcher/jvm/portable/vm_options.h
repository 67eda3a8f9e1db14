// Assembling the virtual machine's option list: configured options, options files with their
// includes, class path overrides and the class path option.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace drx::launcher {

// Where options-file lines come from: one piece per call as fgets would give it (at most
// kTextLimit characters, the line feed included when it was reached). False at the end.
class OptionsSource {
 public:
  virtual ~OptionsSource() = default;
  virtual bool readPiece(std::string& piece) = 0;
};

// Options-file text held in memory (tests, fuzzing, and files read whole).
class TextOptionsSource final : public OptionsSource {
 public:
  explicit TextOptionsSource(std::string text) : text_(std::move(text)) {}
  bool readPiece(std::string& piece) override;

 private:
  std::string text_;
  size_t position_ = 0;
};

// An options file that could be opened. identity names the file itself (whatever name reached
// it), so an include chain that comes back to it is recognised; handle is only for the log.
struct OpenedOptionsFile {
  std::unique_ptr<OptionsSource> source;
  std::string identity;
  const void* handle = nullptr;
};

struct ClassPathOverrides {
  std::optional<std::string> replacement;  // "-classpath "
  std::optional<std::string> prefix;       // "-classpath/p "
  std::optional<std::string> suffix;       // "-classpath/a "
};

// A mandatory class path entry that is missing: the launcher stops with this message.
struct ClassPathFailure {
  int messageId;
  std::string argument;
};

// Nested includes deeper than this are not read.
inline constexpr int kMaxIncludeDepth = 16;

// What the assembly needs from the launcher and the system.
class VmOptionsHost {
 public:
  virtual ~VmOptionsHost() = default;
  virtual void expand(std::string& text) = 0;
  virtual void log(const std::string& line) = 0;
  virtual void logError(const std::string& line) = 0;
  // The options file beside the launcher (its own log lines included); empty source when none.
  virtual OpenedOptionsFile openDefaultOptionsFile() = 0;
  // A file named by -include-options, relative to the current directory.
  virtual OpenedOptionsFile openOptionsFile(const std::string& name) = 0;
  virtual std::string makeAbsolute(const std::string& path) = 0;
  virtual bool exists(const std::string& path) = 0;
  // Names (without directory) of the files in directory matching "*.<extension>", enumeration order.
  virtual std::vector<std::string> listFiles(const std::string& directory, const char* extension) = 0;
  virtual std::optional<std::string> environmentVariable(const std::string& name) = 0;
};

// Everything the configuration holds that the option list is built from.
struct VmOptionsInput {
  std::vector<std::string> systemProperties;
  // Launcher property vmParameters, already expanded and split by the launcher's tokeniser.
  std::vector<std::string> vmParameterElements;
  // The launcher's command line (element 0 is its path), in the 8-bit code page.
  std::vector<std::string> commandLine;
  bool jvmArgumentPassthrough = false;
  std::string classPath;           // launcher property classPath
  std::string temporaryDirectory;  // without a trailing backslash
};

struct VmOptionsResult {
  std::vector<std::string> options;  // the class path option last
  std::optional<ClassPathFailure> failure;
};

// The option list and the overrides while options are collected.
class VmOptionsCollector {
 public:
  explicit VmOptionsCollector(VmOptionsHost& host) : host_(host) {}

  void handleOptionText(std::string text);
  // Reads every line of an opened file; nothing for an empty source.
  void readOptionsFile(OpenedOptionsFile file);
  // vmParameters elements (with the -include-options pair joining), then the -J arguments.
  void addConfiguredOptions(const std::vector<std::string>& elements,
                            const std::vector<std::string>& commandLine, bool passthrough);

  std::vector<std::string>& options() { return options_; }
  const ClassPathOverrides& overrides() const { return overrides_; }

 private:
  VmOptionsHost& host_;
  std::vector<std::string> options_;
  ClassPathOverrides overrides_;
  std::vector<std::string> includeChain_;  // identities of the files being read, outermost first
};

// The class path option under construction. It never outgrows kClassPathOptionLimit: the first
// piece that does not fit whole is left out with everything after it, because a torn path would
// name another file.
class ClassPathText {
 public:
  explicit ClassPathText(std::string start) : text_(std::move(start)) {}
  bool append(std::string_view piece);
  bool endsWith(char c) const { return !text_.empty() && text_.back() == c; }
  bool wasCut() const { return cut_; }
  const std::string& text() const { return text_; }

 private:
  std::string text_;
  bool cut_ = false;
};

// Appends the contributions of the classPath property's entries; the first mandatory entry that
// is missing ends the work with its failure.
std::optional<ClassPathFailure> appendClassPathEntries(ClassPathText& classPath, const std::string& entries,
                                                       VmOptionsHost& host);

// The whole assembly in its order: system properties, configured options, the options file, then
// the class path option.
VmOptionsResult buildVmOptionList(const VmOptionsInput& input, VmOptionsHost& host);

}  // namespace drx::launcher
