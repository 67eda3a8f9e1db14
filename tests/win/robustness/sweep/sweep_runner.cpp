// The sweep's bounded parallel runner: starts the launcher on each damaged media file, confirms the
// message boxes it shows, ends runs that hang, and checks what each run left on disk.
#include "tests/win/robustness/sweep/sweep_runner.h"

#include <cstdio>
#include <memory>

#include "common/unique_handle.h"
#include "tests/support/launcher_run/launcher_run.h"

namespace drx::sweep {
namespace {

using test::removeTree;

constexpr const char* kLogSuffix = "\n\nLog: ";

std::string utf8(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                       nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  if (size > 0)
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr,
                        nullptr);
  return out;
}

// The shown text without carriage returns, the appended log path and the final line end.
std::string shownMessage(std::string text) {
  std::string plain;
  for (char c : text) {
    if (c != '\r') plain += c;
  }
  const size_t log = plain.find(kLogSuffix);
  if (log != std::string::npos) plain.resize(log);
  while (!plain.empty() && plain.back() == '\n') plain.pop_back();
  return plain;
}

struct Entry {
  std::wstring name;
  bool directory;
};

std::vector<Entry> entriesOf(const std::wstring& directory) {
  std::vector<Entry> entries;
  WIN32_FIND_DATAW found;
  FindHandle search(FindFirstFileW((directory + L"\\*").c_str(), &found));
  if (!search) return entries;
  do {
    const std::wstring name = found.cFileName;
    if (name != L"." && name != L"..")
      entries.push_back({name, (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0});
  } while (FindNextFileW(search.get(), &found));
  return entries;
}

bool startsWith(const std::wstring& text, const wchar_t* prefix) { return text.rfind(prefix, 0) == 0; }

struct ActiveRun {
  CaseOutcome outcome;
  std::wstring directory;
  std::unique_ptr<test::ChildProcess> child;
  ULONGLONG deadline = 0;
  std::wstring boxText;
  bool sawBox = false;
};

// Files the run may leave: its own media file and captured output beside it, and in its temporary
// folder the log (a C runtime temporary name) and, for a run that went on, the launcher's "lqo" folder.
std::vector<std::string> strayEntries(const ActiveRun& run) {
  std::vector<std::string> stray;
  for (const Entry& entry : entriesOf(run.directory)) {
    const bool expected = entry.directory ? entry.name == L"tmp"
                                          : entry.name == L"setup.exe" || entry.name == L"stdout.txt" ||
                                                entry.name == L"stderr.txt";
    if (!expected) stray.push_back(utf8(entry.name));
  }
  for (const Entry& entry : entriesOf(run.directory + L"\\tmp")) {
    const bool launcherFolder = startsWith(entry.name, L"lqo");
    if (launcherFolder && run.outcome.expected == Expectation::kFails)
      stray.push_back("tmp\\" + utf8(entry.name));
    if (!launcherFolder && entry.directory) stray.push_back("tmp\\" + utf8(entry.name));
  }
  return stray;
}

// A box text the damage may have reached: the carried text with at most one code unit changed, or
// nothing when the record's id no longer says 20016.
bool damagedCorruptedText(const std::wstring& shown) {
  const std::wstring carried = kCorruptedInstallerText;
  if (shown.empty()) return true;
  if (shown.size() != carried.size()) return false;
  size_t differences = 0;
  for (size_t i = 0; i < shown.size(); ++i) differences += shown[i] != carried[i];
  return differences <= 1;
}

std::string messageLabel(const SweepMedia& media, const CaseOutcome& outcome, const std::wstring& boxText) {
  const std::string& message = outcome.message;
  if (message.rfind("Internal Error: ", 0) == 0) return message;
  if (message.rfind("An internal error occurred (error code: ", 0) == 0) return message;
  if (message == utf8(kCorruptedInstallerText)) return "installation file is corrupted (20016)";
  const bool ownRecordHit = outcome.damage.kind != CaseKind::kTruncation &&
                            outcome.damage.offset >= media.corruptedTextRecordStart &&
                            outcome.damage.offset < media.corruptedTextRecordEnd;
  if (outcome.channel == Channel::kMessageBox && ownRecordHit && damagedCorruptedText(boxText)) {
    return "installation file is corrupted (20016, the damage is in that text's own record)";
  }
  const bool wideCountHit = outcome.damage.kind != CaseKind::kTruncation &&
                            outcome.damage.offset >= media.wideCountOffset &&
                            outcome.damage.offset < media.wideCountOffset + 4;
  if (outcome.channel == Channel::kMessageBox && wideCountHit && boxText.empty()) {
    return "installation file is corrupted (20016), shown empty: the damaged wide count dropped every text";
  }
  return "unexpected: " + message;
}

void classify(const SweepMedia& media, ActiveRun& run, const std::wstring& stdoutPath,
              const std::wstring& stderrPath) {
  CaseOutcome& outcome = run.outcome;
  const std::string standardError = shownMessage(test::readFileBytes(stderrPath));
  const std::string standardOutput = shownMessage(test::readFileBytes(stdoutPath));
  if (run.sawBox) {
    outcome.channel = Channel::kMessageBox;
    outcome.message = shownMessage(utf8(run.boxText));
  } else if (!standardError.empty()) {
    outcome.channel = Channel::kStandardError;
    outcome.message = standardError;
  }
  outcome.stray = strayEntries(run);
  const DWORD code = outcome.exitCode;
  outcome.crashed = outcome.finished && code != 0 && code != 1 && code != 83;

  char head[64];
  if (!outcome.finished) {
    outcome.kind = "hang";
  } else if (outcome.crashed) {
    snprintf(head, sizeof head, "crash, exit code 0x%08lX", static_cast<unsigned long>(code));
    outcome.kind = head;
  } else {
    snprintf(head, sizeof head, "exit %lu", static_cast<unsigned long>(code));
    outcome.kind = head;
    if (outcome.channel == Channel::kMessageBox)
      outcome.kind += ", box: " + messageLabel(media, outcome, run.boxText);
    if (outcome.channel == Channel::kStandardError)
      outcome.kind += ", stderr: " + messageLabel(media, outcome, run.boxText);
    if (code == 83) outcome.kind += ", stdout: " + standardOutput + " (past the checks)";
  }

  const bool clean = outcome.finished && !outcome.crashed && outcome.stray.empty();
  if (outcome.expected == Expectation::kFails) {
    outcome.acceptable = clean && code == 1 && outcome.channel != Channel::kNone &&
                         outcome.kind.find("unexpected: ") == std::string::npos;
  } else {
    outcome.acceptable = clean && (code == 0 || code == 83);
  }
}

// Writes the case's media file into a fresh directory and starts it; on failure names the step
// and its error code in `failure`.
bool startRun(const SweepMedia& media, const RunSettings& settings, size_t index, const SweepCase& damage,
              ActiveRun& run, std::string& failure) {
  run.outcome.damage = damage;
  run.outcome.expected = expectationOf(media, damage);
  run.directory = settings.workDirectory + L"\\case" + std::to_wstring(index);
  const std::wstring temporary = run.directory + L"\\tmp";
  auto fail = [&failure](const char* step) {
    failure = std::string(step) + " error " + std::to_string(GetLastError());
    return false;
  };
  if (!CreateDirectoryW(run.directory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    return fail("CreateDirectory");
  }
  if (!CreateDirectoryW(temporary.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    return fail("CreateDirectory tmp");
  }
  const std::string bytes = caseBytes(media, damage);
  const std::wstring mediaPath = run.directory + L"\\setup.exe";
  {
    FileHandle file(CreateFileW(mediaPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return fail("CreateFile");
    DWORD written = 0;
    if (!WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != bytes.size())
      return fail("WriteFile");
  }
  test::ChildOptions options;
  options.commandLine = L"\"" + mediaPath + L"\" -q";
  options.workingDirectory = run.directory;
  options.stdoutPath = run.directory + L"\\stdout.txt";
  options.stderrPath = run.directory + L"\\stderr.txt";
  options.environment = {{L"TMP", temporary}, {L"TEMP", temporary}};
  options.unsetEnvironment = {L"LANQO_LOG", L"DEPLOYRIX_LOG", L"LANQO_JAVA_HOME", L"DEPLOYRIX_JAVA_HOME"};
  run.child = std::make_unique<test::ChildProcess>(options);
  if (!run.child->running()) return fail("CreateProcess");
  run.outcome.started = true;
  run.deadline = GetTickCount64() + settings.timeoutMs;
  return true;
}

// Confirms a message box the run shows (remembering the first text); true once the run is over.
bool pollRun(ActiveRun& run) {
  for (HWND window : test::visibleWindowsOf(run.child->id())) {
    if (test::windowClassName(window) != L"#32770") continue;
    if (!run.sawBox) run.boxText = test::dialogText(window);
    run.sawBox = true;
    test::pressDialogButton(window, IDOK);
  }
  if (run.child->waitForExit(0, run.outcome.exitCode)) {
    run.outcome.finished = true;
    return true;
  }
  return GetTickCount64() >= run.deadline;
}

}  // namespace

std::vector<CaseOutcome> runCases(const SweepMedia& media, const std::vector<SweepCase>& cases,
                                  const RunSettings& settings,
                                  const std::function<void(const CaseOutcome&)>& report) {
  std::vector<CaseOutcome> outcomes;
  std::vector<std::unique_ptr<ActiveRun>> active;
  size_t next = 0;
  const size_t parallel = settings.parallel ? settings.parallel : 1;
  while (next < cases.size() || !active.empty()) {
    while (active.size() < parallel && next < cases.size()) {
      auto run = std::make_unique<ActiveRun>();
      const size_t index = next++;
      // A start that fails is the harness's trouble, not the launcher's: it is tried again a few times.
      std::string failure;
      bool started = false;
      for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        if (attempt > 0) Sleep(500);
        started = startRun(media, settings, index, cases[index], *run, failure);
      }
      if (started) {
        active.push_back(std::move(run));
      } else {
        run->outcome.kind = "not started: " + failure;
        outcomes.push_back(run->outcome);
        if (report) report(outcomes.back());
        removeTree(run->directory);
      }
    }
    std::vector<HANDLE> handles;
    for (const auto& run : active) handles.push_back(run->child->handle());
    if (!handles.empty())
      WaitForMultipleObjects(static_cast<DWORD>(handles.size()), handles.data(), FALSE, 25);
    for (size_t i = 0; i < active.size();) {
      ActiveRun& run = *active[i];
      if (!pollRun(run)) {
        ++i;
        continue;
      }
      run.child.reset();  // ends a run that hangs
      classify(media, run, run.directory + L"\\stdout.txt", run.directory + L"\\stderr.txt");
      outcomes.push_back(run.outcome);
      if (report) report(outcomes.back());
      removeTree(run.directory);
      active.erase(active.begin() + static_cast<std::ptrdiff_t>(i));
    }
  }
  return outcomes;
}

SweepFigures summarise(const std::vector<CaseOutcome>& outcomes) {
  SweepFigures figures;
  for (const CaseOutcome& outcome : outcomes) {
    ++figures.cases;
    ++(outcome.damage.kind == CaseKind::kTruncation ? figures.truncations : figures.byteChanges);
    if (outcome.crashed) ++figures.crashes;
    if (outcome.started && !outcome.finished) ++figures.hangs;
    if (!outcome.stray.empty()) ++figures.strayFiles;
    if (!outcome.acceptable) ++figures.unacceptable;
    ++figures.byKind[outcome.kind];
  }
  return figures;
}

std::string figuresText(const SweepMedia& media, const SweepFigures& figures) {
  char line[256];
  std::string text;
  snprintf(line, sizeof line,
           "media: %lld bytes, payload at %lld, checksum region P+20..P+%lld, %lld filler bytes behind it\n",
           static_cast<long long>(media.bytes.size()), static_cast<long long>(media.payloadStart),
           static_cast<long long>(media.regionEnd - media.payloadStart),
           static_cast<long long>(static_cast<int64_t>(media.bytes.size()) - media.regionEnd));
  text += line;
  snprintf(line, sizeof line, "cases: %zu (truncation points %zu, single-byte changes %zu)\n", figures.cases,
           figures.truncations, figures.byteChanges);
  text += line;
  text += "outcomes by kind:\n";
  for (const auto& [kind, count] : figures.byKind) {
    snprintf(line, sizeof line, "  %5zu  ", count);
    text += line + kind + "\n";
  }
  snprintf(line, sizeof line,
           "crashes %zu, hangs %zu, runs with stray files %zu, outcomes not as expected %zu\n",
           figures.crashes, figures.hangs, figures.strayFiles, figures.unacceptable);
  text += line;
  return text;
}

}  // namespace drx::sweep
