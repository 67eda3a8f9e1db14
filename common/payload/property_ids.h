// Ids of the launcher properties and message texts carried in the payload's property tables.
#pragma once

#include <cstddef>
#include <cstdint>

namespace drx::payload {

// Launcher settings (narrow texts; integers are stored as decimal text).
constexpr int32_t kRedirectStderr = 102;
constexpr int32_t kStderrFile = 103;
constexpr int32_t kRedirectStdout = 104;
constexpr int32_t kStdoutFile = 105;
constexpr int32_t kMainFlagArgument = 106;
constexpr int32_t kLauncherType = 107;
constexpr int32_t kClassPath = 121;
constexpr int32_t kMainClass = 122;
constexpr int32_t kVmParameters = 123;
constexpr int32_t kProgramArguments = 124;
constexpr int32_t kJvmArgumentPassthrough = 125;
constexpr int32_t kMinJavaVersion = 126;
constexpr int32_t kMaxJavaVersion = 127;
constexpr int32_t kJreSearchSequence = 128;
constexpr int32_t kAllowBetaVm = 130;
constexpr int32_t kRequireJdk = 131;
constexpr int32_t kWorkingDirectory = 146;
constexpr int32_t kJreDownloadUrl = 150;
constexpr int32_t kIncludedJreSize = 151;
constexpr int32_t kPreferredVmType = 152;
constexpr int32_t kJrePacked = 153;
constexpr int32_t kNoProgressDialog = 155;
constexpr int32_t kDownloadWithoutAsking = 157;
constexpr int32_t kGlobalSemaphore = 158;
constexpr int32_t kDisableStartTimeout = 159;
constexpr int32_t kApplicationId = 160;
constexpr int32_t kPreferInstalledJre = 161;
// SHA-256 of the archive at kJreDownloadUrl as 64 hexadecimal digits; empty: not checked.
constexpr int32_t kJreDownloadSha256 = 162;
constexpr int32_t kLauncherFlavour = 2001;
constexpr int32_t kIncludedFileCount = 2002;
constexpr int32_t kIncludedFileNames = 2003;
constexpr int32_t kApplicationDirectory = 10003;
constexpr int32_t kNativeLibraryDirectories = 10004;
constexpr int32_t kProcessCommFile = 10005;

// Narrow message texts 1000-1021; "{0}" marks the place of the one argument. Ids in the range
// without a constant here (1001-1004, 1012-1014, 1017-1019) carry no text the launcher shows.
constexpr int32_t kFirstNarrowMessage = 1000;
constexpr int32_t kLastNarrowMessage = 1021;
constexpr int32_t kMsgErrorCaption = 1000;
constexpr int32_t kMsgCouldNotStartJvm = 1005;
constexpr int32_t kMsgClassPathEntryMissing = 1006;       // {0} = the entry
constexpr int32_t kMsgWrongParameterUsage = 1007;         // a command line ends inside a quote
constexpr int32_t kMsgClassPathVariableUndefined = 1008;  // {0} = the variable
constexpr int32_t kMsgInternalError = 1009;               // {0} = the internal error code
constexpr int32_t kMsgMainClassMissing = 1010;
constexpr int32_t kMsgMainMethodMissing = 1011;
constexpr int32_t kMsgNoWritableTemp = 1015;    // worded "must be at least Poweruser"
constexpr int32_t kMsgNoUsableRuntime = 1016;   // {0} = "32" or "64"
constexpr int32_t kMsgDamagedRuntime32 = 1020;  // {0} = the runtime's location
constexpr int32_t kMsgDamagedRuntime64 = 1021;

// Wide (UTF-16) texts 20001-20020 (20017 carries no text the launcher shows).
constexpr int32_t kFirstWideText = 20001;
constexpr int32_t kLastWideText = 20020;
constexpr int32_t kTextDownloading = 20001;          // progress text while downloading
constexpr int32_t kTextInternetUnavailable = 20002;  // WinINet cannot be used
constexpr int32_t kTextDownloadFailed = 20003;
constexpr int32_t kTextLocateJavaTitle = 20004;        // title of the java.exe file selection
constexpr int32_t kTextChoiceWithDownload = 20005;     // choice text with download offered ("%S" = width)
constexpr int32_t kTextChoiceWithoutDownload = 20006;  // choice text without download ("%S" = width)
constexpr int32_t kMsgPreparing = 20007;
constexpr int32_t kTextTransferStatus = 20008;  // transfer status format (four doubles)
constexpr int32_t kTextConnecting = 20009;      // status before the transfer
constexpr int32_t kTextDownloadButton = 20010;
constexpr int32_t kTextLocateButton = 20011;
constexpr int32_t kTextCancelButton = 20012;
constexpr int32_t kMsgWizardTitle = 20013;
constexpr int32_t kMsgVmStartTimeout = 20014;
constexpr int32_t kMsgLastRunFailed = 20015;
constexpr int32_t kMsgCorruptedInstaller = 20016;
constexpr int32_t kMsgDiskFull = 20018;
constexpr int32_t kTextMinimumVersionLabel = 20019;
constexpr int32_t kTextMaximumVersionLabel = 20020;

// True for the ids whose texts travel in the wide (UTF-16) table.
constexpr bool isWideTextId(int32_t id) { return id >= kFirstWideText && id <= kLastWideText; }

struct PropertyName {
  int32_t id;
  const char* name;
};

// Every named id above, by the name a media configuration uses for it.
extern const PropertyName kPropertyNames[];
extern const size_t kPropertyNameCount;

// The id of `name`, or -1 when no property has that name (names are case-sensitive).
int32_t propertyIdByName(const char* name);
// The name of `id`, or nullptr for ids without one.
const char* propertyNameById(int32_t id);

}  // namespace drx::payload
