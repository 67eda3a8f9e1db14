// String functions: UTF-16 storage, copies handed out and given back, modified UTF-8 forms.
#include "vm_state.h"

#include <cstring>

namespace minijni {

namespace {

ObjectData* stringArg(Entry& e, jstring str) {
  ObjectData* object = e.vm.deref(str, e.slot);
  // A real VM crashes on a null string here.
  if (!object) failLoudly(std::string(e.slot) + ": null string");
  if (object->kind != Kind::String) failLoudly(std::string(e.slot) + ": argument is not a string");
  return object;
}

void* handOut(Entry& e, BufferKind kind, ObjectData* owner, const void* data, size_t bytes,
              jboolean* isCopy) {
  return e.vm.handOut(kind, owner, 0, data, bytes, isCopy);
}

void takeBack(Entry& e, BufferKind kind, ObjectData* owner, const void* pointer) {
  e.vm.buffers.erase(e.vm.handedOut(kind, owner, pointer, e.slot, "string"));
}

jstring JNICALL newString(JNIEnv* env, const jchar* chars, jsize length) {
  Entry e(env, "NewString", std::to_string(length));
  if (length < 0 || (length > 0 && !chars)) failLoudly("NewString: negative length or null characters");
  if (e.vm.allocationFails(e.env, "NewString")) return nullptr;
  std::u16string text(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(length));
  return static_cast<jstring>(e.vm.newLocal(e.env, e.vm.newString(std::move(text))));
}

jsize JNICALL getStringLength(JNIEnv* env, jstring str) {
  Entry e(env, "GetStringLength");
  return static_cast<jsize>(stringArg(e, str)->text.size());
}

const jchar* stringChars(JNIEnv* env, const char* slot, BufferKind kind, jstring str, jboolean* isCopy) {
  Entry e(env, slot);
  ObjectData* object = stringArg(e, str);
  // Like HotSpot's copy, terminated by a zero character, unless the test asked to expose reliance on that.
  std::u16string copy = object->text;
  if (!e.vm.terminateStringChars) copy += u"\ufffd\ufffd";
  copy.push_back(u'\0');
  return static_cast<const jchar*>(
      handOut(e, kind, object, copy.data(), copy.size() * sizeof(char16_t), isCopy));
}

const jchar* JNICALL getStringChars(JNIEnv* env, jstring str, jboolean* isCopy) {
  return stringChars(env, "GetStringChars", BufferKind::StringChars, str, isCopy);
}

void JNICALL releaseStringChars(JNIEnv* env, jstring str, const jchar* chars) {
  Entry e(env, "ReleaseStringChars");
  takeBack(e, BufferKind::StringChars, stringArg(e, str), chars);
}

const jchar* JNICALL getStringCritical(JNIEnv* env, jstring str, jboolean* isCopy) {
  return stringChars(env, "GetStringCritical", BufferKind::StringCritical, str, isCopy);
}

void JNICALL releaseStringCritical(JNIEnv* env, jstring str, const jchar* chars) {
  Entry e(env, "ReleaseStringCritical");
  takeBack(e, BufferKind::StringCritical, stringArg(e, str), chars);
}

jstring JNICALL newStringUtf(JNIEnv* env, const char* utf) {
  Entry e(env, "NewStringUTF");
  if (!utf) return nullptr;  // HotSpot answers null for a null text
  if (e.vm.allocationFails(e.env, "NewStringUTF")) return nullptr;
  return static_cast<jstring>(e.vm.newLocal(e.env, e.vm.newString(fromModifiedUtf8(utf))));
}

jsize JNICALL getStringUtfLength(JNIEnv* env, jstring str) {
  Entry e(env, "GetStringUTFLength");
  return static_cast<jsize>(toModifiedUtf8(stringArg(e, str)->text).size());
}

const char* JNICALL getStringUtfChars(JNIEnv* env, jstring str, jboolean* isCopy) {
  Entry e(env, "GetStringUTFChars");
  ObjectData* object = stringArg(e, str);
  std::string utf = toModifiedUtf8(object->text);
  return static_cast<const char*>(
      handOut(e, BufferKind::StringUtf, object, utf.c_str(), utf.size() + 1, isCopy));
}

void JNICALL releaseStringUtfChars(JNIEnv* env, jstring str, const char* chars) {
  Entry e(env, "ReleaseStringUTFChars");
  takeBack(e, BufferKind::StringUtf, stringArg(e, str), chars);
}

bool regionFits(Entry& e, const std::u16string& text, jsize start, jsize length) {
  if (start < 0 || length < 0 || static_cast<size_t>(start) + static_cast<size_t>(length) > text.size()) {
    e.vm.raise(e.env, "java/lang/StringIndexOutOfBoundsException", u"");
    return false;
  }
  return true;
}

void JNICALL getStringRegion(JNIEnv* env, jstring str, jsize start, jsize length, jchar* buf) {
  Entry e(env, "GetStringRegion");
  ObjectData* object = stringArg(e, str);
  if (!regionFits(e, object->text, start, length)) return;
  if (length > 0 && !buf) failLoudly("GetStringRegion: null buffer");
  std::memcpy(buf, object->text.data() + start, static_cast<size_t>(length) * sizeof(jchar));
}

void JNICALL getStringUtfRegion(JNIEnv* env, jstring str, jsize start, jsize length, char* buf) {
  Entry e(env, "GetStringUTFRegion");
  ObjectData* object = stringArg(e, str);
  if (!regionFits(e, object->text, start, length)) return;
  if (!buf) failLoudly("GetStringUTFRegion: null buffer");
  std::string utf = toModifiedUtf8(
      std::u16string_view(object->text).substr(static_cast<size_t>(start), static_cast<size_t>(length)));
  std::memcpy(buf, utf.c_str(), utf.size() + 1);
}

}  // namespace

void installStringFunctions(JNINativeInterface_& t) {
  t.NewString = newString;
  t.GetStringLength = getStringLength;
  t.GetStringChars = getStringChars;
  t.ReleaseStringChars = releaseStringChars;
  t.GetStringCritical = getStringCritical;
  t.ReleaseStringCritical = releaseStringCritical;
  t.NewStringUTF = newStringUtf;
  t.GetStringUTFLength = getStringUtfLength;
  t.GetStringUTFChars = getStringUtfChars;
  t.ReleaseStringUTFChars = releaseStringUtfChars;
  t.GetStringRegion = getStringRegion;
  t.GetStringUTFRegion = getStringUtfRegion;
}

}  // namespace minijni
