// Natives of the Java class Win32UserInfo that create and delete local users and groups
// through netapi32, looked up at run time.
#include <jni.h>
#include <windows.h>
#include <lm.h>

#include <string>

#include "common/unique_handle.h"
#include "platform/jni_frame.h"
#include "platform/optional_functions.h"
#include "platform/portable/security_rules.h"

using namespace drx::platform;

namespace {

constexpr DWORD kLookupBufferSize = 8192;

using DeleteFn = NET_API_STATUS(WINAPI*)(LPCWSTR, LPCWSTR);
using GroupAddFn = NET_API_STATUS(WINAPI*)(LPCWSTR, DWORD, LPBYTE, LPDWORD);
using GroupGetInfoFn = NET_API_STATUS(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
using BufferFreeFn = NET_API_STATUS(WINAPI*)(LPVOID);
using UserAddFn = NET_API_STATUS(WINAPI*)(LPCWSTR, DWORD, LPBYTE, LPDWORD);
using UserGetInfoFn = NET_API_STATUS(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE*);
using AddMembersFn = NET_API_STATUS(WINAPI*)(LPCWSTR, LPCWSTR, DWORD, LPBYTE, DWORD);
using ConvertSidFn = BOOL(WINAPI*)(PSID, LPWSTR*);

jint deleteThrough(JNIEnv* env, const char* function, jstring server, jstring name) {
  auto remove = asFunction<DeleteFn>(netapiFunction(function));
  if (remove == nullptr) return -1;
  JavaText serverText(env, server);
  JavaText nameText(env, name);
  return static_cast<jint>(remove(serverText.get(), nameText.get()));
}

struct NetApi {
  GroupAddFn groupAdd = asFunction<GroupAddFn>(netapiFunction("NetLocalGroupAdd"));
  GroupGetInfoFn groupGetInfo = asFunction<GroupGetInfoFn>(netapiFunction("NetLocalGroupGetInfo"));
  BufferFreeFn bufferFree = asFunction<BufferFreeFn>(netapiFunction("NetApiBufferFree"));
  UserAddFn userAdd = asFunction<UserAddFn>(netapiFunction("NetUserAdd"));
  UserGetInfoFn userGetInfo = asFunction<UserGetInfoFn>(netapiFunction("NetUserGetInfo"));
  AddMembersFn addMembers = asFunction<AddMembersFn>(netapiFunction("NetLocalGroupAddMembers"));
  bool complete() const {
    return groupAdd && groupGetInfo && bufferFree && userAdd && userGetInfo && addMembers;
  }
};

struct UserRequest {
  const wchar_t* user;
  const wchar_t* password;
  const wchar_t* comment;
  const wchar_t* group;
  const wchar_t* groupComment;
  bool createGroup;
  bool failIfGroupExists;
};

// Frees a netapi32 buffer when it leaves scope.
class NetBuffer {
 public:
  explicit NetBuffer(BufferFreeFn free) : free_(free) {}
  NetBuffer(const NetBuffer&) = delete;
  NetBuffer& operator=(const NetBuffer&) = delete;
  ~NetBuffer() {
    if (data_ != nullptr) free_(data_);
  }
  LPBYTE* put() { return &data_; }
  LPBYTE get() const { return data_; }

 private:
  BufferFreeFn free_;
  LPBYTE data_ = nullptr;
};

// Creates or checks the group; an empty text means the user may be created.
std::wstring prepareGroup(const NetApi& api, const UserRequest& request, bool& created) {
  if (request.createGroup) {
    LOCALGROUP_INFO_1 info = {const_cast<LPWSTR>(request.group), const_cast<LPWSTR>(request.groupComment)};
    const NET_API_STATUS status = api.groupAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&info), nullptr);
    if (status == NERR_Success) {
      created = true;
      return std::wstring();
    }
    if (groupAlreadyExists(status) && !request.failIfGroupExists) return std::wstring();
    return addUserFailureText(AddUserFailure::CreateGroup, status);
  }
  NetBuffer info(api.bufferFree);
  const NET_API_STATUS status = api.groupGetInfo(nullptr, request.group, 1, info.put());
  if (status != NERR_Success) return addUserFailureText(AddUserFailure::NoGroup, status);
  return std::wstring();
}

// " <group SID>" is only appended when the group can be looked up by name.
bool groupSidText(const wchar_t* group, ConvertSidFn convert, std::wstring& text) {
  std::wstring sid(kLookupBufferSize / sizeof(wchar_t), L'\0');  // 8,192 bytes
  std::wstring domain(kLookupBufferSize, L'\0');
  DWORD sidSize = kLookupBufferSize;
  DWORD domainSize = kLookupBufferSize;
  SID_NAME_USE use;
  if (!LookupAccountNameW(nullptr, group, sid.data(), &sidSize, domain.data(), &domainSize, &use))
    return false;
  LPWSTR converted = nullptr;
  if (!convert(sid.data(), &converted)) return false;
  drx::LocalMemory owner(converted);
  text = converted;
  return true;
}

std::wstring addUser(const NetApi& api, ConvertSidFn convert, const UserRequest& request) {
  bool groupCreated = false;
  if (request.group != nullptr) {
    std::wstring failure = prepareGroup(api, request, groupCreated);
    if (!failure.empty()) return failure;
  }
  USER_INFO_1 user = {};
  user.usri1_name = const_cast<LPWSTR>(request.user);
  user.usri1_password = const_cast<LPWSTR>(request.password);
  user.usri1_priv = USER_PRIV_USER;
  user.usri1_comment = const_cast<LPWSTR>(request.comment);
  user.usri1_flags = UF_SCRIPT;
  DWORD parameterIndex = 0;
  NET_API_STATUS status = api.userAdd(nullptr, 1, reinterpret_cast<LPBYTE>(&user), &parameterIndex);
  if (status != NERR_Success) return addUserFailureText(AddUserFailure::CreateUser, status, parameterIndex);

  NetBuffer info(api.bufferFree);
  status = api.userGetInfo(nullptr, request.user, 23, info.put());
  if (status != NERR_Success || info.get() == nullptr)
    return addUserFailureText(AddUserFailure::ReadUser, status);
  const PSID userSid = reinterpret_cast<USER_INFO_23*>(info.get())->usri23_user_sid;

  if (request.group != nullptr) {
    LOCALGROUP_MEMBERS_INFO_0 member = {userSid};
    status = api.addMembers(nullptr, request.group, 0, reinterpret_cast<LPBYTE>(&member), 1);
    if (status != NERR_Success && status != ERROR_MEMBER_IN_ALIAS)
      return addUserFailureText(AddUserFailure::AddMember, status);
  }
  LPWSTR converted = nullptr;
  if (userSid == nullptr || !convert(userSid, &converted))
    return addUserFailureText(AddUserFailure::SidText, 0);
  drx::LocalMemory owner(converted);
  std::wstring groupSid;
  const bool haveGroupSid = request.group != nullptr && groupSidText(request.group, convert, groupSid);
  return addUserSuccessText(converted, haveGroupSid ? &groupSid : nullptr, groupCreated);
}

}  // namespace

extern "C" {

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_deleteUser0(
    JNIEnv* env, jclass, jstring server, jstring user) {
  return deleteThrough(env, "NetUserDel", server, user);
}

JNIEXPORT jint JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_deleteLocalGroup0(
    JNIEnv* env, jclass, jstring server, jstring group) {
  return deleteThrough(env, "NetLocalGroupDel", server, group);
}

JNIEXPORT jstring JNICALL Java_com_deployrix_runtime_installer_platform_win32_Win32UserInfo_addUser0(
    JNIEnv* env, jclass, jstring user, jstring password, jstring comment, jstring group, jstring groupComment,
    jboolean createGroup, jboolean failIfGroupExists) {
  auto convert = asFunction<ConvertSidFn>(advapiFunction("ConvertSidToStringSidW"));
  const NetApi api;
  if (convert == nullptr || !api.complete()) return nullptr;
  JavaText userText(env, user);
  JavaText passwordText(env, password);
  JavaText commentText(env, comment);
  JavaText groupText(env, group);
  JavaText groupCommentText(env, groupComment);
  // A group whose characters could not be had must not turn into "no group".
  if (!userText.ok() || (!groupText.isNull() && !groupText.ok())) return nullptr;
  const UserRequest request = {userText.get(),
                               passwordText.get(),
                               commentText.get(),
                               groupText.get(),
                               groupCommentText.get(),
                               (createGroup & 0xFF) != 0,
                               (failIfGroupExists & 0xFF) != 0};
  const std::wstring text = addUser(api, convert, request);
  if (text.empty()) return nullptr;
  return newJavaString(env, text.c_str(), text.size());
}

}  // extern "C"
