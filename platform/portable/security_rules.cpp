// Portable rules of the account, access-list and picker natives (no system calls).
#include "platform/portable/security_rules.h"

#include <cstdio>
#include <cstring>

namespace drx::platform {

uint32_t rightsMask(bool read, bool write, bool execute, bool all) {
  uint32_t mask = 0;
  if (read) mask |= 0x80000000u;     // GENERIC_READ
  if (write) mask |= 0x40000000u;    // GENERIC_WRITE
  if (execute) mask |= 0x20000000u;  // GENERIC_EXECUTE
  if (all) mask |= 0x10000000u;      // GENERIC_ALL
  return mask;
}

PrincipalKind principalKind(int32_t code) {
  switch (code) {
    case 1:
      return PrincipalKind::AuthenticatedUsers;
    case 3:
      return PrincipalKind::NamedAccount;
    case 5:
      return PrincipalKind::Code5;
    default:
      return PrincipalKind::Everyone;
  }
}

SidRecipe sidRecipe(PrincipalKind kind) {
  switch (kind) {
    case PrincipalKind::AuthenticatedUsers:
      return {{0, 0, 0, 0, 0, 5}, 11};
    // Authority 2 (local) with the Power Users relative identifier: S-1-2-547. The Java side
    // has always received this SID for code 5, so it is kept as it is.
    case PrincipalKind::Code5:
      return {{0, 0, 0, 0, 0, 2}, 547};
    case PrincipalKind::NamedAccount:
    case PrincipalKind::Everyone:
      break;
  }
  return {{0, 0, 0, 0, 0, 1}, 0};
}

namespace {

std::wstring widen(const char* text) {
  std::wstring wide;
  for (const char* p = text; *p != '\0'; ++p) wide += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  return wide;
}

}  // namespace

std::wstring addUserFailureText(AddUserFailure failure, uint32_t status, uint32_t parameterIndex) {
  char text[64];
  const int kind = static_cast<int>(failure);
  const int32_t signedStatus = static_cast<int32_t>(status);
  switch (failure) {
    case AddUserFailure::CreateUser:
      snprintf(text, sizeof text, "%d %d %d", kind, signedStatus, static_cast<int32_t>(parameterIndex));
      break;
    case AddUserFailure::SidText:
      snprintf(text, sizeof text, "%d", kind);
      break;
    default:
      snprintf(text, sizeof text, "%d %d", kind, signedStatus);
      break;
  }
  return widen(text);
}

std::wstring addUserSuccessText(const std::wstring& userSid, const std::wstring* groupSid,
                                bool groupCreated) {
  std::wstring text = userSid;
  if (groupSid != nullptr) {
    text += L' ';
    text += *groupSid;
    text += groupCreated ? L" true" : L" false";
  }
  return capAccountText(std::move(text));
}

bool groupAlreadyExists(uint32_t status) {
  return status == kStatusGroupExists || status == kStatusAliasExists;
}

const wchar_t* wellKnownAccountName(const std::wstring& sidText) {
  if (sidText == L"S-1-5-18") return L"NT AUTHORITY\\System";
  if (sidText == L"S-1-5-19") return L"NT AUTHORITY\\LocalService";
  if (sidText == L"S-1-5-20") return L"NT AUTHORITY\\NetworkService";
  return nullptr;
}

std::wstring accountNameText(const std::wstring& sidText, const std::wstring& domain,
                             const std::wstring& name) {
  const bool builtIn = sidText.compare(0, 9, L"S-1-5-32-") == 0;
  std::wstring text = (builtIn || domain.empty()) ? std::wstring(L".") : domain;
  text += L'\\';
  text += name;
  return capAccountText(std::move(text));
}

std::wstring accountErrorText(uint32_t error) {
  char text[24];
  snprintf(text, sizeof text, " %d", static_cast<int32_t>(error));
  return widen(text);
}

std::wstring capAccountText(std::wstring text) {
  if (text.size() > kAccountTextLimit - 1) text.resize(kAccountTextLimit - 1);
  return text;
}

LsaRightRequest lsaRightRequest(bool rightIsNull, size_t characters, bool add) {
  LsaRightRequest request;
  if (rightIsNull) characters = 0;
  // Both lengths are byte counts in 16 bits; a longer right would wrap into a short, wrong one.
  if (characters > 0xFFFF / 2 - 1) return request;
  request.ok = true;
  request.length = static_cast<uint16_t>(2 * characters);
  request.maximumLength = static_cast<uint16_t>(2 * (characters + 1));
  request.allRights = !add && rightIsNull;
  return request;
}

PickerFilters pickerFilters(bool groups, bool users, bool wellKnown, bool computerOnly) {
  PickerFilters filters;
  // Target computer alone, or also the joined, enterprise, external and user-entered domains.
  filters.scopeTypes = computerOnly ? 0x1u : 0x36Fu;
  filters.scopeFlags = 0x40u | 0x80u;  // default filters: users and groups
  if (users) filters.uplevelBothModes |= 0x2u;
  if (groups) filters.uplevelBothModes |= 0x3F4u;
  if (wellKnown) filters.uplevelBothModes |= 0x8u;
  if (users) filters.downlevel |= 0x80000001u;
  if (groups) filters.downlevel |= 0x80000002u | 0x80000004u;
  if (wellKnown) filters.downlevel |= groups ? 0x80020000u : 0x800C4000u;  // all, or SYSTEM + services
  return filters;
}

uint32_t pickerOptions(bool multiple) {
  return multiple ? 0x1u : 0u;  // DSOP_FLAG_MULTISELECT
}

size_t sidByteLength(const uint8_t* data, size_t size) {
  if (data == nullptr || size < 8) return 0;
  const uint8_t revision = data[0];
  const uint8_t subAuthorities = data[1];
  if (revision != 1 || subAuthorities > 15) return 0;
  const size_t length = 8 + 4 * static_cast<size_t>(subAuthorities);
  return length <= size ? length : 0;
}

namespace {

uint64_t readUnsigned(const uint8_t* data, unsigned width) {
  uint64_t value = 0;
  for (unsigned i = 0; i < width; ++i) value |= static_cast<uint64_t>(data[i]) << (8 * i);
  return value;
}

// Reads the {SID pointer, attributes} record at offset and checks that its SID lies in the block.
bool readSidRecord(const uint8_t* data, size_t size, size_t offset, uint64_t base, unsigned pointerSize,
                   TokenSidEntry& entry) {
  if (offset > size || size - offset < pointerSize + 4u) return false;
  const uint64_t pointer = readUnsigned(data + offset, pointerSize);
  entry.attributes = static_cast<uint32_t>(readUnsigned(data + offset + pointerSize, 4));
  if (pointer < base || pointer - base >= size) return false;
  entry.sidOffset = static_cast<size_t>(pointer - base);
  entry.sidLength = sidByteLength(data + entry.sidOffset, size - entry.sidOffset);
  return entry.sidLength != 0;
}

}  // namespace

bool decodeTokenGroups(const uint8_t* data, size_t size, uint64_t base, unsigned pointerSize,
                       std::vector<TokenSidEntry>& groups) {
  groups.clear();
  if (data == nullptr || (pointerSize != 4 && pointerSize != 8) || size < 4) return false;
  const uint64_t count = readUnsigned(data, 4);
  const size_t recordSize = 2 * pointerSize;  // pointer, 32-bit attributes, padding to the pointer
  const size_t first = pointerSize;           // the count, padded to the records' alignment
  if (size < first || count > (size - first) / recordSize) return false;
  groups.reserve(static_cast<size_t>(count));
  for (size_t i = 0; i < count; ++i) {
    TokenSidEntry entry;
    if (!readSidRecord(data, size, first + i * recordSize, base, pointerSize, entry)) {
      groups.clear();
      return false;
    }
    groups.push_back(entry);
  }
  return true;
}

bool decodeTokenUser(const uint8_t* data, size_t size, uint64_t base, unsigned pointerSize,
                     TokenSidEntry& user) {
  if (data == nullptr || (pointerSize != 4 && pointerSize != 8)) return false;
  return readSidRecord(data, size, 0, base, pointerSize, user);
}

bool groupGrantsMembership(uint32_t attributes) {
  // SE_GROUP_ENABLED set, SE_GROUP_USE_FOR_DENY_ONLY clear.
  return (attributes & (0x4u | 0x10u)) == 0x4u;
}

}  // namespace drx::platform
