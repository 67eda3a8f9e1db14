// Portable rules of the account, access-list and picker natives: result texts, rights masks,
// principal SIDs, counted strings, picker filters and the decoding of token data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace drx::platform {

// Result texts of addUser0 and getAccountName0 are built in 8,192 characters (with the NUL).
inline constexpr size_t kAccountTextLimit = 8192;

// ---- Access control entries ----

uint32_t rightsMask(bool read, bool write, bool execute, bool all);

enum class PrincipalKind { AuthenticatedUsers, NamedAccount, Code5, Everyone };
PrincipalKind principalKind(int32_t code);

// Identifier authority and the single sub-authority of a principal made with
// AllocateAndInitializeSid (every kind but NamedAccount).
struct SidRecipe {
  uint8_t authority[6];
  uint32_t subAuthority;
};
SidRecipe sidRecipe(PrincipalKind kind);

// ---- addUser0 ----

enum class AddUserFailure {
  CreateGroup = 1,
  CreateUser = 2,
  ReadUser = 3,
  AddMember = 4,
  SidText = 5,
  NoGroup = 6
};

// "1 <status>", "2 <status> <index>", "3 <status>", "4 <status>", "5", "6 <status>"; statuses
// and the index print as signed 32-bit numbers.
std::wstring addUserFailureText(AddUserFailure failure, uint32_t status, uint32_t parameterIndex = 0);

// The user's SID text, then, when the group's SID is known, " <group SID> true|false".
std::wstring addUserSuccessText(const std::wstring& userSid, const std::wstring* groupSid, bool groupCreated);

// The network API statuses that addUser0 tells apart.
inline constexpr uint32_t kStatusMemberInAlias = 1378;  // ERROR_MEMBER_IN_ALIAS
inline constexpr uint32_t kStatusAliasExists = 1379;    // ERROR_ALIAS_EXISTS
inline constexpr uint32_t kStatusGroupExists = 2223;    // NERR_GroupExists
bool groupAlreadyExists(uint32_t status);

// ---- getAccountName0 ----

// "NT AUTHORITY\..." for S-1-5-18, -19 and -20; null for every other text.
const wchar_t* wellKnownAccountName(const std::wstring& sidText);
// ".\name" for the built-in domain (S-1-5-32-...) or an empty domain, else "domain\name".
std::wstring accountNameText(const std::wstring& sidText, const std::wstring& domain,
                             const std::wstring& name);
// " <error>" when a conversion or lookup failed.
std::wstring accountErrorText(uint32_t error);

// Cuts a result text to what fits the 8,192-character buffer with its terminator.
std::wstring capAccountText(std::wstring text);

// ---- LSA account rights ----

// The right as LSA's counted string: byte lengths that must fit 16 bits. A null right is the
// empty string, and, when revoking, asks for all rights to go.
struct LsaRightRequest {
  bool ok = false;  // false when the text is too long for a counted string
  uint16_t length = 0;
  uint16_t maximumLength = 0;
  bool allRights = false;
};
LsaRightRequest lsaRightRequest(bool rightIsNull, size_t characters, bool add);

// ---- Object picker ----

struct PickerFilters {
  uint32_t scopeTypes = 0;
  uint32_t scopeFlags = 0;
  uint32_t uplevelBothModes = 0;
  uint32_t downlevel = 0;
};
PickerFilters pickerFilters(bool groups, bool users, bool wellKnown, bool computerOnly);
uint32_t pickerOptions(bool multiple);

// ---- SIDs and token data ----

// Bytes of the SID at data (revision 1, at most 15 sub-authorities, all within size); 0 when
// the bytes do not hold one.
size_t sidByteLength(const uint8_t* data, size_t size);

// One SID_AND_ATTRIBUTES record whose SID lies inside the decoded block.
struct TokenSidEntry {
  size_t sidOffset = 0;
  size_t sidLength = 0;
  uint32_t attributes = 0;
};

// TOKEN_GROUPS as GetTokenInformation fills it: a 32-bit count, then pointer-aligned {SID
// pointer, attributes} records whose pointers point into the same block, which starts at
// address base. pointerSize is 4 or 8. False when the block is short or a SID lies outside it.
bool decodeTokenGroups(const uint8_t* data, size_t size, uint64_t base, unsigned pointerSize,
                       std::vector<TokenSidEntry>& groups);
// TOKEN_USER: one such record at the start of the block.
bool decodeTokenUser(const uint8_t* data, size_t size, uint64_t base, unsigned pointerSize,
                     TokenSidEntry& user);

// A group counts when it is enabled and not for deny only.
bool groupGrantsMembership(uint32_t attributes);

}  // namespace drx::platform
