// Key opening, tree deletion and privilege enabling behind the Registry natives.
#pragma once

#include <jni.h>
#include <windows.h>

#include "common/unique_handle.h"

namespace drx::platform {

// The predefined key for a root code 1 to 5; null for any other code.
HKEY rootKeyOfCode(jint rootCode);

enum class KeyAccess { kRead, kWrite, kCreate };

// Opens (or creates) root\path with the view bits ORed into the access mask. An empty
// handle when the root code is unknown, the path is null or the system call fails.
RegKey openKey(JNIEnv* env, jint rootCode, jstring path, KeyAccess access, jint viewBits);

// True when the key has neither sub-keys nor values.
bool keyIsEmpty(HKEY key);

// Deletes parent\name with everything below it; failures are not reported.
void deleteKeyTree(HKEY parent, const wchar_t* name, REGSAM viewBits);

// Enables a privilege of the process token; counts as enabled on the Windows 95 family.
bool enablePrivilege(const wchar_t* name);

}  // namespace drx::platform
