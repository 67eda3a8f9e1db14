// Scripting file of the stand-in runtime: "key=value" lines that a test writes beside the stand-in binaries.
//
// Where: a file named "standin.cfg" in the binary's own directory or one of its two parent
// directories (the first found wins; so a runtime's root holds one file for bin\java.exe and
// bin\client\jvm.dll alike). Failing that, the file named by the environment variable
// DRX_STANDIN_CONFIG. No file means default behaviour. Lines: UTF-8, '#' starts a comment line,
// keys may repeat (actions run in file order), whitespace around keys is ignored, values are
// taken as written after the first '='.
//
// Keys (all optional):
//   report=<path>               report file, when DRX_STANDIN_REPORT is not set (see report_format.h)
//   jvm.create.result=<int>     JNI_CreateJavaVM returns this instead of creating the VM (e.g. -1)
//   jvm.missing.class=<name>    this launcher class is not defined (repeatable; slash form)
//   jvm.missing.main=1          the launcher classes have no main method
//   jvm.missing.firstRun=1      FirstRun has no firstRun method
//   jvm.main.exception=<class>[:<message>]      main throws this after its actions
//   jvm.firstRun.result=true|false              firstRun's answer (default true)
//   jvm.firstRun.exception=<class>[:<message>]  firstRun throws this
//   jvm.main.action=<action>    run inside main, in order; actions:
//       window <ms> [title]     a thread opens a visible top-level window for <ms> milliseconds
//       marker                  writes 2 into HKCU\SOFTWARE\morvenic\lanqo\ InstallStarted_<pid>
//       sleep <ms>              main sleeps
//       thread <ms>             starts a thread that runs <ms> milliseconds (DestroyJavaVM waits)
//       call <dll>|<export>|<result>|<arg>|...  LoadLibrary and call a JNI export with this VM's
//                               environment; result: void|int|bool|long|string|object; args:
//                               int:<n>, bool:<0|1>, str:<text>, null
//       exit <code>             ends the process with this exit code
//       stderr <text>           writes the text and a line end to standard error
//       await <path>            main waits (at most 60 s) until the file <path> exists; reports
//                               jvm.awaited 1, or 0 when it never appeared
//       env <name>              reports the environment variable as "jvm.env <name>=<value>"
//   java.firstLine=<text>       first line java.exe/javaw.exe writes for -version
//                               (default: java version "1.8.0_202")
//   java.lineEnd=crlf|lf|none   line end after each line (default crlf, as a Windows runtime)
//   java.moreLines=<n>          further lines after the first (default 2)
//   java.exitCode=<int>         exit code (default 0)
//   java.hangMs=<ms>            sleep this long before answering; "forever" never answers
//   java.countFile=<path>       run counter file (default "java-runs.txt" beside the executable);
//                               one line per run holding the command line
//   unpack200.exitCode=<int>    exit code after a successful unpack (default 0)
//   unpack200.fail=1            leave everything as it is and exit with code 1
#ifndef DRX_TESTS_STANDIN_CONFIG_H
#define DRX_TESTS_STANDIN_CONFIG_H

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace standin {

class Config {
 public:
  static Config parse(std::string_view text);

  // The last value of a key, or the fallback.
  std::string get(std::string_view key, std::string_view fallback = {}) const;
  long getInt(std::string_view key, long fallback) const;
  bool has(std::string_view key) const;
  // Every value of a repeatable key, in file order.
  std::vector<std::string> all(std::string_view key) const;

 private:
  std::vector<std::pair<std::string, std::string>> entries_;
};

// Splits "a|b|c" (the call action) at every separator; empty pieces are kept.
std::vector<std::string> splitAt(std::string_view text, char separator);

}  // namespace standin

#endif
