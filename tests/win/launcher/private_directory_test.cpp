// The extraction directory admits the current user, SYSTEM and the Administrators only, whatever
// its parent; read back with GetSecurityInfo.
#include <gtest/gtest.h>

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <set>
#include <string>
#include <vector>

#include "common/unique_handle.h"
#include "common/private_security.h"
#include "launcher/private_directory.h"
#include "tests/win/launcher/child_process.h"

namespace drx::test {
namespace {

constexpr char kSystem[] = "S-1-5-18";
constexpr char kAdministrators[] = "S-1-5-32-544";

struct Entry {
  std::string sid;
  BYTE type = 0;
  BYTE flags = 0;
  DWORD mask = 0;
};

struct ReadBack {
  bool read = false;
  bool isProtected = false;
  std::vector<Entry> entries;
};

std::string sidText(PSID sid) {
  LPSTR text = nullptr;
  if (!ConvertSidToStringSidA(sid, &text)) return "?";
  LocalMemory owned(text);
  return text;
}

std::string currentUser() {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return "?";
  KernelHandle owned(token);
  std::vector<DWORD> buffer(256);
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size() * 4), &size))
    return "?";
  return sidText(reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid);
}

ReadBack readDacl(HANDLE object, SE_OBJECT_TYPE type) {
  ReadBack result;
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(object, type, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl, nullptr,
                      &descriptor) != 0) {
    return result;
  }
  LocalMemory owned(descriptor);
  SECURITY_DESCRIPTOR_CONTROL control = 0;
  DWORD revision = 0;
  if (!dacl || !GetSecurityDescriptorControl(descriptor, &control, &revision)) return result;
  result.read = true;
  result.isProtected = (control & SE_DACL_PROTECTED) != 0;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* ace = nullptr;
    if (!GetAce(dacl, i, &ace)) return ReadBack{};
    auto* header = static_cast<ACE_HEADER*>(ace);
    Entry entry;
    entry.type = header->AceType;
    entry.flags = header->AceFlags;
    if (header->AceType == ACCESS_ALLOWED_ACE_TYPE || header->AceType == ACCESS_DENIED_ACE_TYPE) {
      auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      entry.mask = allowed->Mask;
      entry.sid = sidText(&allowed->SidStart);
    }
    result.entries.push_back(entry);
  }
  return result;
}

bool underWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// Exactly the three entries, in this order, inherited by files and folders below, none from above.
void expectExactlyPrivate(const ReadBack& back, const char* what) {
  ASSERT_TRUE(back.read) << what;
  EXPECT_TRUE(back.isProtected) << what;
  const std::vector<std::string> expected = {currentUser(), kSystem, kAdministrators};
  ASSERT_EQ(back.entries.size(), expected.size()) << what;
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(back.entries[i].sid, expected[i]) << what;
    EXPECT_EQ(back.entries[i].type, ACCESS_ALLOWED_ACE_TYPE) << what;
    EXPECT_EQ(back.entries[i].flags, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE) << what;
    EXPECT_EQ(back.entries[i].mask, static_cast<DWORD>(FILE_ALL_ACCESS)) << what;
  }
}

TEST(PrivateSecurity, DescriptorReadsBackAsTheUserSystemAndAdministrators) {
  PrivateSecurity security(PrivateSecurity::Inheritance::kToChildren);
  ASSERT_TRUE(security);
  // A kernel object keeps the descriptor as given on wine and Windows alike.
  KernelHandle event(CreateEventW(security.attributes(), TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  expectExactlyPrivate(readDacl(event.get(), SE_KERNEL_OBJECT), "event");
}

// The temporary directory of a normal start, and of one whose user temporary path cannot be used
// at all, so that it lands in the shared Windows temp directory.
TEST(TemporaryDirectory, AdmitsOnlyTheUserSystemAndAdministrators) {
  const std::string user = currentUser();
  ASSERT_NE(user, "?");
  struct Row {
    const char* what;
    std::wstring temp;  // TMP and TEMP of the child; empty: unchanged
  };
  const Row rows[] = {{"user temp", L""},
                      {"shared fallback", L"C:\\lc_missing_dir\\\x0442\x0435\x043c\x043f"}};
  for (const Row& row : rows) {
    std::vector<std::pair<std::wstring, std::wstring>> changes;
    if (!row.temp.empty()) changes = {{L"TMP", row.temp}, {L"TEMP", row.temp}};
    EnvironmentGuard environment(changes);
    const ChildResult result = runDriver(L"tempdir");
    ASSERT_EQ(result.exitCode, 0u) << row.what << result.err;
    const std::string directory = lines(result.out).at(0);
    FileHandle opened(CreateFileA(directory.c_str(), READ_CONTROL,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    ASSERT_TRUE(opened) << directory;
    const ReadBack back = readDacl(opened.get(), SE_FILE_OBJECT);
    opened.reset();
    RemoveDirectoryA(directory.c_str());
    DeleteFileA(directory.substr(0, directory.size() - 4).c_str());
    if (!underWine()) {
      expectExactlyPrivate(back, row.what);
      continue;
    }
    // wine keeps a file's DACL as Unix mode bits and reads it back from them: the owner's and
    // SYSTEM's entries survive, Administrators has no Unix counterpart, and no flags are kept.
    // What must hold there too: nobody else has an entry, and the user has full access.
    ASSERT_TRUE(back.read) << row.what;
    const std::set<std::string> allowed = {user, kSystem, kAdministrators};
    bool userFull = false;
    for (const Entry& entry : back.entries) {
      EXPECT_TRUE(allowed.count(entry.sid))
          << row.what << ": entry for " << entry.sid << " mask " << entry.mask;
      userFull = userFull || (entry.sid == user && entry.type == ACCESS_ALLOWED_ACE_TYPE &&
                              (entry.mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS);
    }
    EXPECT_TRUE(userFull) << row.what;
  }
}

}  // namespace
}  // namespace drx::test
