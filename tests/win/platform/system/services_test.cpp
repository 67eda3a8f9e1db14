// Win32Services natives of the real DLL against test_service.exe, installed for real in the
// test prefix under a unique name and always removed again.
#include <gtest/gtest.h>
#include <windows.h>
#include <winsvc.h>

#include <mini_jni.h>

#include <string>
#include <vector>

#include "drxinst_library.h"
#include "platform/service_failure_actions.h"
#include "test_paths.h"
#include "tests/support/process_driver/process_driver.h"

namespace drxtest {
namespace {

using ByName = jint(JNICALL*)(JNIEnv*, jclass, jstring);
using Binary = jstring(JNICALL*)(JNIEnv*, jclass, jstring);
using Install = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring);
using Restart = jint(JNICALL*)(JNIEnv*, jclass, jstring, jboolean, jint);
using Change = jint(JNICALL*)(JNIEnv*, jclass, jstring, jstring, jint, jint, jstring, jstring, jstring,
                              jstring);

constexpr char kClass[] = "Win32Services";
constexpr jint kNoChange = static_cast<jint>(SERVICE_NO_CHANGE);

struct Natives {
  ByName queryStatus = exportOf<ByName>(kClass, "queryStatus0", 12);
  Binary serviceBinary = exportOf<Binary>(kClass, "getServiceBinary0", 12);
  ByName startType = exportOf<ByName>(kClass, "getStartType0", 12);
  ByName stop = exportOf<ByName>(kClass, "stopService0", 12);
  ByName start = exportOf<ByName>(kClass, "startService0", 12);
  ByName uninstall = exportOf<ByName>(kClass, "uninstallService0", 12);
  Install install = exportOf<Install>(kClass, "installService0", 16);
  Restart setRestart = exportOf<Restart>(kClass, "setRestartServiceConfig0", 20);
  Change change = exportOf<Change>(kClass, "changeServiceConfig0", 40);
};

std::wstring uniqueServiceName() {
  static int counter = 0;
  return L"drxsys-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

// The stored configuration, read with the system's own calls.
struct StoredConfig {
  bool ok = false;
  DWORD startType = 0;
  std::wstring binary, account, description;
};

StoredConfig storedConfig(const std::wstring& name) {
  StoredConfig stored;
  SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  if (manager == nullptr) return stored;
  if (SC_HANDLE service = OpenServiceW(manager, name.c_str(), SERVICE_QUERY_CONFIG)) {
    std::vector<BYTE> buffer(8192);
    DWORD needed = 0;
    auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
    if (QueryServiceConfigW(service, config, static_cast<DWORD>(buffer.size()), &needed)) {
      stored.ok = true;
      stored.startType = config->dwStartType;
      stored.binary = config->lpBinaryPathName ? config->lpBinaryPathName : L"";
      stored.account = config->lpServiceStartName ? config->lpServiceStartName : L"";
    }
    auto* description = reinterpret_cast<SERVICE_DESCRIPTIONW*>(buffer.data());
    if (QueryServiceConfig2W(service, SERVICE_CONFIG_DESCRIPTION, buffer.data(),
                             static_cast<DWORD>(buffer.size()), &needed) &&
        description->lpDescription != nullptr) {
      stored.description = description->lpDescription;
    }
    CloseServiceHandle(service);
  }
  CloseServiceHandle(manager);
  return stored;
}

// Removes the service when the test leaves, ending its process first if it still runs; also
// before the test, in case a crashed earlier run with the same process id left it behind.
class ServiceCleanup {
 public:
  explicit ServiceCleanup(std::wstring name) : name_(std::move(name)) { remove(); }
  ~ServiceCleanup() { remove(); }

 private:
  void remove() {
    SC_HANDLE manager = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    if (manager == nullptr) return;
    if (SC_HANDLE service = OpenServiceW(manager, name_.c_str(), SERVICE_ALL_ACCESS)) {
      SERVICE_STATUS_PROCESS status{};
      DWORD needed = 0;
      if (QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status),
                               sizeof status, &needed) &&
          status.dwProcessId != 0) {
        if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, status.dwProcessId)) {
          TerminateProcess(process, 1);
          WaitForSingleObject(process, 5000);
          CloseHandle(process);
        }
      }
      DeleteService(service);
      CloseServiceHandle(service);
    }
    CloseServiceHandle(manager);
  }

  std::wstring name_;
};

class ServicesTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(vm.outstandingBuffers(), 0u); }
  jstring str(const std::wstring& text) { return vm.newString(utf16(text)); }
  std::wstring text(jstring value) { return wide(vm.string(value)); }
  std::wstring serviceCommand(const wchar_t* arguments = L"") {
    return L"\"" + besideTestProgram(L"test_service.exe") + L"\"" + arguments;
  }
  bool waitForStatus(const std::wstring& name, jint status) {
    return drx::test::waitUntil(15000,
                                [&] { return natives.queryStatus(env, nullptr, str(name)) == status; });
  }

  minijni::Jvm vm;
  JNIEnv* env = vm.env();
  Natives natives;
};

TEST_F(ServicesTest, InstallStartStopAndRemoveAService) {
  const std::wstring name = uniqueServiceName();
  ServiceCleanup cleanup(name);
  const std::wstring command = serviceCommand();
  ASSERT_EQ(natives.install(env, nullptr, str(name), str(command)), 0);
  EXPECT_EQ(natives.install(env, nullptr, str(name), str(command)), ERROR_SERVICE_EXISTS);
  EXPECT_EQ(natives.queryStatus(env, nullptr, str(name)), -static_cast<jint>(SERVICE_STOPPED));
  EXPECT_EQ(natives.startType(env, nullptr, str(name)), -static_cast<jint>(SERVICE_DEMAND_START));
  EXPECT_EQ(text(natives.serviceBinary(env, nullptr, str(name))), command);
  const StoredConfig stored = storedConfig(name);
  ASSERT_TRUE(stored.ok);
  EXPECT_EQ(stored.account, L"LocalSystem");

  ASSERT_EQ(natives.start(env, nullptr, str(name)), 0);
  ASSERT_TRUE(waitForStatus(name, -static_cast<jint>(SERVICE_RUNNING)));
  EXPECT_EQ(natives.start(env, nullptr, str(name)), ERROR_SERVICE_ALREADY_RUNNING);
  EXPECT_EQ(natives.stop(env, nullptr, str(name)), 0);
  EXPECT_EQ(natives.queryStatus(env, nullptr, str(name)), -static_cast<jint>(SERVICE_STOPPED));
  EXPECT_EQ(natives.stop(env, nullptr, str(name)), ERROR_SERVICE_NOT_ACTIVE);

  EXPECT_EQ(natives.uninstall(env, nullptr, str(name)), 0);
  EXPECT_EQ(natives.queryStatus(env, nullptr, str(name)), ERROR_SERVICE_DOES_NOT_EXIST);
}

TEST_F(ServicesTest, UnknownServiceGivesTheErrorOfOpeningIt) {
  const std::wstring name = uniqueServiceName();
  const jint unknown = ERROR_SERVICE_DOES_NOT_EXIST;
  EXPECT_EQ(natives.queryStatus(env, nullptr, str(name)), unknown);
  EXPECT_EQ(natives.startType(env, nullptr, str(name)), unknown);
  EXPECT_EQ(natives.start(env, nullptr, str(name)), unknown);
  EXPECT_EQ(natives.stop(env, nullptr, str(name)), unknown);
  EXPECT_EQ(natives.uninstall(env, nullptr, str(name)), unknown);
  EXPECT_EQ(natives.setRestart(env, nullptr, str(name), JNI_TRUE, 1000), unknown);
  EXPECT_EQ(natives.change(env, nullptr, str(name), nullptr, kNoChange, kNoChange, nullptr, nullptr, nullptr,
                           nullptr),
            unknown);
  EXPECT_EQ(text(natives.serviceBinary(env, nullptr, str(name))), L" 1060");
}

TEST_F(ServicesTest, ConfigurationChangesRewriteOnlyTheExactSystemAccountNames) {
  const std::wstring name = uniqueServiceName();
  ServiceCleanup cleanup(name);
  ASSERT_EQ(natives.install(env, nullptr, str(name), str(serviceCommand())), 0);
  struct Case {
    const wchar_t* account;
    const wchar_t* stored;
  } cases[] = {
      {L".\\drxtester", L".\\drxtester"},
      {L"NT AUTHORITY\\System", L"LocalSystem"},
      {L"nt authority\\system", L"nt authority\\system"},
      {L"NT AUTHORITY\\LocalSystem", L"LocalSystem"},
      {L"NT AUTHORITY\\SYSTEM", L"NT AUTHORITY\\SYSTEM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.account, c.account + wcslen(c.account)));
    ASSERT_EQ(natives.change(env, nullptr, str(name), nullptr, kNoChange, kNoChange, nullptr, str(c.account),
                             nullptr, nullptr),
              0);
    EXPECT_EQ(storedConfig(name).account, c.stored);
  }
}

TEST_F(ServicesTest, ConfigurationChangesStoreStartTypeCommandLineAndDescription) {
  const std::wstring name = uniqueServiceName();
  ServiceCleanup cleanup(name);
  ASSERT_EQ(natives.install(env, nullptr, str(name), str(serviceCommand())), 0);
  const std::wstring changed = serviceCommand(L" --changed");
  // wine ignores dependency lists; the call itself must still succeed with "A,,B".
  ASSERT_EQ(natives.change(env, nullptr, str(name), str(changed), kNoChange, SERVICE_AUTO_START, str(L"A,,B"),
                           nullptr, nullptr, str(L"A test service")),
            0);
  EXPECT_EQ(natives.startType(env, nullptr, str(name)), -static_cast<jint>(SERVICE_AUTO_START));
  EXPECT_EQ(text(natives.serviceBinary(env, nullptr, str(name))), changed);
  EXPECT_EQ(storedConfig(name).description, L"A test service");

  // Null fields leave everything as it was.
  ASSERT_EQ(natives.change(env, nullptr, str(name), nullptr, kNoChange, kNoChange, nullptr, nullptr, nullptr,
                           nullptr),
            0);
  const StoredConfig unchanged = storedConfig(name);
  EXPECT_EQ(unchanged.binary, changed);
  EXPECT_EQ(unchanged.startType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(unchanged.description, L"A test service");

  // A failed change sets no description either.
  EXPECT_EQ(natives.change(env, nullptr, str(name), nullptr, kNoChange, 77, nullptr, nullptr, nullptr,
                           str(L"not set")),
            ERROR_INVALID_PARAMETER);
  EXPECT_EQ(storedConfig(name).description, L"A test service");
}

TEST_F(ServicesTest, DependencyListLongerThanItsBufferIsRefusedAndChangesNothing) {
  const std::wstring name = uniqueServiceName();
  ServiceCleanup cleanup(name);
  ASSERT_EQ(natives.install(env, nullptr, str(name), str(serviceCommand())), 0);
  // 8,190 units and its NUL leave room for the list's final NUL; one more unit does not.
  EXPECT_EQ(natives.change(env, nullptr, str(name), nullptr, kNoChange, kNoChange,
                           str(std::wstring(8190, L'd')), nullptr, nullptr, nullptr),
            0);
  EXPECT_EQ(natives.change(env, nullptr, str(name), str(L"C:\\other.exe"), kNoChange, SERVICE_DISABLED,
                           str(std::wstring(8191, L'd')), nullptr, nullptr, str(L"too long")),
            ERROR_INSUFFICIENT_BUFFER);
  const StoredConfig stored = storedConfig(name);
  EXPECT_EQ(stored.binary, serviceCommand());
  EXPECT_EQ(stored.startType, static_cast<DWORD>(SERVICE_DEMAND_START));
  EXPECT_EQ(stored.description, L"");
}

TEST_F(ServicesTest, RestartActionIsSetAndCleared) {
  const std::wstring name = uniqueServiceName();
  ServiceCleanup cleanup(name);
  ASSERT_EQ(natives.install(env, nullptr, str(name), str(serviceCommand())), 0);
  // wine accepts failure actions and keeps none, so only the results can be seen here.
  EXPECT_EQ(natives.setRestart(env, nullptr, str(name), JNI_TRUE, 60000), 0);
  EXPECT_EQ(natives.setRestart(env, nullptr, str(name), JNI_FALSE, 0), 0);
}

TEST(ServiceFailureActionsTest, RecordHoldsOneRestartActionOrNone) {
  const drx::platform::RestartFailureActions restart(true, 60000);
  EXPECT_EQ(restart.record.dwResetPeriod, 0u);
  EXPECT_EQ(restart.record.lpRebootMsg, nullptr);
  EXPECT_EQ(restart.record.lpCommand, nullptr);
  ASSERT_EQ(restart.record.cActions, 1u);
  ASSERT_EQ(restart.record.lpsaActions, &restart.action);
  EXPECT_EQ(restart.action.Type, SC_ACTION_RESTART);
  EXPECT_EQ(restart.action.Delay, 60000u);

  const drx::platform::RestartFailureActions cleared(false, 5);
  EXPECT_EQ(cleared.record.cActions, 0u);
  EXPECT_EQ(cleared.record.dwResetPeriod, 0u);
}

TEST_F(ServicesTest, StopOfAServiceThatStallsGives5001) {
  const std::wstring name = uniqueServiceName();
  ServiceCleanup cleanup(name);
  ASSERT_EQ(natives.install(env, nullptr, str(name), str(serviceCommand(L" stuck"))), 0);
  ASSERT_EQ(natives.start(env, nullptr, str(name)), 0);
  ASSERT_TRUE(waitForStatus(name, -static_cast<jint>(SERVICE_RUNNING)));
  EXPECT_EQ(natives.stop(env, nullptr, str(name)), 5001);
  EXPECT_EQ(natives.queryStatus(env, nullptr, str(name)), -static_cast<jint>(SERVICE_STOP_PENDING));
}

}  // namespace
}  // namespace drxtest
