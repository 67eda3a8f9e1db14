// Name table of the launcher property ids, for the builder and the inspector.
#include "common/payload/property_ids.h"

#include <cstring>

namespace drx::payload {

const PropertyName kPropertyNames[] = {
    {kRedirectStderr, "redirectStderr"},
    {kStderrFile, "stderrFile"},
    {kRedirectStdout, "redirectStdout"},
    {kStdoutFile, "stdoutFile"},
    {kMainFlagArgument, "mainFlagArgument"},
    {kLauncherType, "launcherType"},
    {kClassPath, "classPath"},
    {kMainClass, "mainClass"},
    {kVmParameters, "vmParameters"},
    {kProgramArguments, "programArguments"},
    {kJvmArgumentPassthrough, "jvmArgumentPassthrough"},
    {kMinJavaVersion, "minJavaVersion"},
    {kMaxJavaVersion, "maxJavaVersion"},
    {kJreSearchSequence, "jreSearchSequence"},
    {kAllowBetaVm, "allowBetaVm"},
    {kRequireJdk, "requireJdk"},
    {kWorkingDirectory, "workingDirectory"},
    {kJreDownloadUrl, "jreDownloadUrl"},
    {kIncludedJreSize, "includedJreSize"},
    {kPreferredVmType, "preferredVmType"},
    {kJrePacked, "jrePacked"},
    {kNoProgressDialog, "noProgressDialog"},
    {kDownloadWithoutAsking, "downloadWithoutAsking"},
    {kGlobalSemaphore, "globalSemaphore"},
    {kDisableStartTimeout, "disableStartTimeout"},
    {kApplicationId, "applicationId"},
    {kPreferInstalledJre, "preferInstalledJre"},
    {kJreDownloadSha256, "jreDownloadSha256"},
    {kLauncherFlavour, "launcherFlavour"},
    {kIncludedFileCount, "includedFileCount"},
    {kIncludedFileNames, "includedFileNames"},
    {kApplicationDirectory, "applicationDirectory"},
    {kNativeLibraryDirectories, "nativeLibraryDirectories"},
    {kProcessCommFile, "processCommFile"},
    {kMsgErrorCaption, "msgErrorCaption"},
    {kMsgInternalError, "msgInternalError"},
    {kMsgPreparing, "msgPreparing"},
    {kMsgWizardTitle, "msgWizardTitle"},
    {kMsgVmStartTimeout, "msgVmStartTimeout"},
    {kMsgLastRunFailed, "msgLastRunFailed"},
    {kMsgCorruptedInstaller, "msgCorruptedInstaller"},
    {kMsgDiskFull, "msgDiskFull"},
};

const size_t kPropertyNameCount = sizeof(kPropertyNames) / sizeof(kPropertyNames[0]);

int32_t propertyIdByName(const char* name) {
  for (const PropertyName& entry : kPropertyNames) {
    if (std::strcmp(entry.name, name) == 0) return entry.id;
  }
  return -1;
}

const char* propertyNameById(int32_t id) {
  for (const PropertyName& entry : kPropertyNames) {
    if (entry.id == id) return entry.name;
  }
  return nullptr;
}

}  // namespace drx::payload
