// Default texts: the wording the launcher's messages are known by, and our own where it has none.
#include "tools/mkmedia/default_texts.h"

#include "common/payload/property_ids.h"

namespace drx::mkmedia {

using namespace drx::payload;

const DefaultText kDefaultTexts[] = {
    {kMsgErrorCaption, "Error"},
    {kMsgCouldNotStartJvm,
     "The JVM could not be started. The maximum heap size (-Xmx) might be too large or an antivirus or "
     "firewall tool could block the execution."},
    {kMsgClassPathEntryMissing, "File or directory {0} not found or empty\n"},
    {kMsgWrongParameterUsage, "Wrong Parameter Usage"},
    {kMsgClassPathVariableUndefined, "The environment variable {0} has to be defined"},
    {kMsgInternalError, "An internal error occurred (error code: {0})"},
    {kMsgMainClassMissing, "Couldn't load main class."},
    {kMsgMainMethodMissing, "Main method not found."},
    {kMsgNoWritableTemp, "You must be at least Poweruser to run this program."},
    {kMsgNoUsableRuntime,
     "No suitable {0}-bit Java Runtime Environment was found.\nPlease define LANQO_JAVA_HOME to point to an "
     "installed {0}-bit JDK or JRE, or download one."},
    {kMsgDamagedRuntime32,
     "The JVM found at {0} is damaged.\nPlease reinstall or define LANQO_JAVA_HOME\nto point to an installed "
     "32-bit JDK or JRE."},
    {kMsgDamagedRuntime64,
     "The JVM found at {0} is damaged.\nPlease reinstall or define LANQO_JAVA_HOME\nto point to an installed "
     "64-bit JDK or JRE."},
    {kTextDownloading, "Downloading a Java Runtime Environment..."},
    {kTextInternetUnavailable,
     "The download cannot be started because the system's internet functions are not available."},
    {kTextDownloadFailed, "The Java Runtime Environment could not be downloaded."},
    {kTextLocateJavaTitle, "Locate java.exe"},
    {kTextChoiceWithDownload,
     "No suitable %S-bit Java Runtime Environment was found on this computer. You can download one now or "
     "locate an installed one by hand"},
    {kTextChoiceWithoutDownload,
     "No suitable %S-bit Java Runtime Environment was found on this computer. Please locate an "
     "installed one by hand"},
    {kMsgPreparing,
     "%PRODUCT% is preparing the setup wizard that will guide you through the installation. Please wait."},
    {kTextTransferStatus, "%.2f MB of %.2f MB (%.1f%%) at %.1f kb/s"},
    {kTextConnecting, "Connecting..."},
    {kTextDownloadButton, "Download"},
    {kTextLocateButton, "Locate"},
    {kTextCancelButton, "Cancel"},
    {kMsgWizardTitle, "%PRODUCT% Wizard"},
    {kMsgVmStartTimeout,
     "The Java VM cannot be started. Please restart the installation. With the parameter /manual you can "
     "download or select a different Java VM."},
    {kMsgLastRunFailed,
     "The installer did not start up correctly on the last run.\nThis is probably caused by a corrupted Java "
     "VM.\nDo you want to download or manually select the JVM?"},
    {kMsgCorruptedInstaller, "The installation file is corrupted. If it is a download please try it again."},
    {kMsgDiskFull, "Not Enough Disk Space"},
    {kTextMinimumVersionLabel, "minimum version"},
    {kTextMaximumVersionLabel, "maximum version"},
};

const size_t kDefaultTextCount = sizeof(kDefaultTexts) / sizeof(kDefaultTexts[0]);

std::string defaultText(int32_t id, char flavour) {
  for (const DefaultText& entry : kDefaultTexts) {
    if (entry.id != id) continue;
    std::string text = entry.text;
    const std::string marker = "%PRODUCT%";
    size_t at = text.find(marker);
    if (at != std::string::npos) text.replace(at, marker.size(), flavour == 'l' ? "lanqo" : "deployrix");
    return text;
  }
  return std::string();
}

}  // namespace drx::mkmedia
