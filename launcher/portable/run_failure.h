// Why a run stops early: the value a failed step hands back up to the work sequence or the entry,
// which alone report it and end the process; and the launcher's internal error codes.
#pragma once

#include <cstdint>
#include <string>

namespace drx::launcher {

// Exit codes of the launcher besides 0 (done, cancelled, or another instance runs already).
inline constexpr unsigned kFailedExitCode = 1;
inline constexpr unsigned kNoRuntimeExitCode = 83;  // quiet mode found no Java runtime

// The codes shown as the argument of msgInternalError ("An internal error occurred (error code: N)").
enum class InternalErrorCode : int {
  kTemporaryDirectory = 7,       // the extraction directory could not be created
  kIncludedFileNotCreated = 11,  // an included file could not be created in it
  kFirstRunClassMissing = 14,
  kFirstRunMethodMissing = 15,
  kUnpackerNotStarted = 20,
  kCheckReadFailed = 34,  // the integrity check could not read the media file
};

enum class FailureKind : uint8_t {
  kNone,
  // A primitive read of the payload came up short: "Internal Error: read<Type>".
  kReadLong,
  kReadInt,
  kReadShort,
  kReadString,
  kReadWideString,
  kBadMagic,             // "Internal Error: magic"
  kMediaNotOpened,       // the media file cannot be opened by its name
  kCorruptedInstaller,   // the integrity check failed: msgCorruptedInstaller in every mode
  kExtractionCorrupted,  // extraction could not read: msgCorruptedInstaller, silent when quiet
  kExtractionDiskFull,   // extraction could not write: msgDiskFull, silent when quiet
  kInternal,             // msgInternalError with `code`
  kMessage,              // the narrow message `code` with `argument` for its "{0}"
  kText,                 // `argument` as it stands
  kWideMessage,          // the wide text `code`
  kJavaNotStarted,       // the virtual machine could not be created or its main failed: msgCouldNotStartJvm
  kRuntimeCorrupted,     // the included or downloaded runtime archive cannot be unpacked
  kNoRuntime,            // quiet mode found no runtime: nothing shown, exit code 83
};

struct RunFailure {
  FailureKind kind = FailureKind::kNone;
  uint32_t systemError = 0;  // the last error of the failed call, where it has one
  int64_t position = 0;      // bytes a short read still found
  int code = 0;              // internal error code or message id
  bool hasArgument = false;  // without one, a "{0}" in the message stays as it is
  std::string argument;

  explicit operator bool() const { return kind != FailureKind::kNone; }
  unsigned exitCode() const { return kind == FailureKind::kNoRuntime ? kNoRuntimeExitCode : kFailedExitCode; }
};

inline RunFailure readFailure(FailureKind reader, uint32_t systemError, int64_t bytesRead) {
  return RunFailure{reader, systemError, bytesRead, 0, false, {}};
}

inline RunFailure internalFailure(InternalErrorCode code) {
  return RunFailure{FailureKind::kInternal, 0, 0, static_cast<int>(code), false, {}};
}

inline RunFailure messageFailure(int messageId) {
  return RunFailure{FailureKind::kMessage, 0, 0, messageId, false, {}};
}

inline RunFailure messageFailure(int messageId, std::string argument) {
  return RunFailure{FailureKind::kMessage, 0, 0, messageId, true, std::move(argument)};
}

inline RunFailure textFailure(std::string text) {
  return RunFailure{FailureKind::kText, 0, 0, 0, true, std::move(text)};
}

inline RunFailure wideMessageFailure(int textId) {
  return RunFailure{FailureKind::kWideMessage, 0, 0, textId, false, {}};
}

inline RunFailure failureOf(FailureKind kind) { return RunFailure{kind, 0, 0, 0, false, {}}; }

}  // namespace drx::launcher
