// Report of the stand-in runtime: one record per line, "<key> <value>\n", UTF-8, appended as things happen.
//
// The report file is named by the environment variable DRX_STANDIN_REPORT or, without it, by the
// "report" key of standin.cfg. Values are UTF-16 texts written as UTF-8; a backslash is written
// "\\", and control characters and unpaired surrogates as "\uXXXX", so every UTF-16 string,
// including line breaks and broken surrogates, reads back exactly.
//
// Keys:
//   jvm.attach <dll path>              jvm.dll was loaded into a process
//   jvm.version <0x...>                JavaVMInitArgs.version given to JNI_CreateJavaVM
//   jvm.ignoreUnrecognized <0|1>
//   jvm.option <text>                  each option string, in order (ANSI code page decoded)
//   jvm.optionExtraInfo <index>        an option whose extraInfo was not null
//   jvm.create <result>                what JNI_CreateJavaVM returned
//   jvm.jni <slot> [detail]            each JNI call on the VM, in order
//   jvm.main <class>                   main of that class started
//   jvm.arg <text> / jvm.argNull <i>   each element of main's String[]
//   jvm.action <text>                  a scripted action starts
//   jvm.call.result <export> <value>   result of a "call" action (jvm.call.exception <class> after)
//   jvm.onLoad <dll> <version>        a "call" action's library exported JNI_OnLoad, which ran
//   jvm.env <name>=<value>             an "env" action: the variable in the process environment
//   jvm.windowShown <title> / jvm.marker <value name> / jvm.threadEnd <ms>   action evidence
//   jvm.mainEnd returned|threw <class>
//   jvm.firstRun true|false|threw <class>
//   jvm.destroy <threads waited for>   DestroyJavaVM after its threads ended
//   jvm.fatal <message>                the mini JNI environment met an unexpected use
//   java.run <command line>            java.exe / javaw.exe started
//   unpack200.run <command line>
//   unpack200.result ok|usage|missing|not-packed|write-failed|scripted-failure
#ifndef DRX_TESTS_STANDIN_REPORT_FORMAT_H
#define DRX_TESTS_STANDIN_REPORT_FORMAT_H

#include <string>
#include <string_view>
#include <vector>

namespace standin {

std::string escapeValue(std::u16string_view value);
std::u16string unescapeValue(std::string_view text);
// One line with its terminating "\n".
std::string reportLine(std::string_view key, std::u16string_view value);
std::string reportLine(std::string_view key, std::string_view utf8Value);

struct ReportEntry {
  std::string key;
  std::u16string value;
};

class Report {
 public:
  static Report parse(std::string_view text);
  const std::vector<ReportEntry>& entries() const { return entries_; }
  std::vector<std::u16string> values(std::string_view key) const;
  // UTF-8 forms, convenient for ASCII expectations.
  std::vector<std::string> utf8Values(std::string_view key) const;
  size_t count(std::string_view key) const;

 private:
  std::vector<ReportEntry> entries_;
};

}  // namespace standin

#endif
