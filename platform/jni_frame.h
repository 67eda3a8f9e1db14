// Conversions between Java values and Win32 arguments shared by every export of drxinst.
#pragma once

#include <jni.h>
#include <windows.h>

#include <string>
#include <vector>

namespace drx::platform {

// A Java string's UTF-16 characters, taken with GetStringChars and copied into a
// NUL-terminated wide string: JNI does not promise a terminator after the characters.
class JavaText {
 public:
  JavaText(JNIEnv* env, jstring text);
  JavaText(const JavaText&) = delete;
  JavaText& operator=(const JavaText&) = delete;

  // The text for a system call; null for a null string or when the characters could not be had.
  const wchar_t* get() const { return ok_ ? text_.c_str() : nullptr; }
  size_t length() const { return text_.size(); }
  bool isNull() const { return isNull_; }
  // True when a non-null string's characters were obtained.
  bool ok() const { return ok_; }

 private:
  std::wstring text_;
  bool isNull_ = true;
  bool ok_ = false;
};

// A Java string made from UTF-16 characters (NewString, never the modified UTF-8 functions).
jstring newJavaString(JNIEnv* env, const wchar_t* text, size_t length);
jstring newJavaString(JNIEnv* env, const wchar_t* text);

// Collects strings, then makes the String[]. Items that NewString could not make are not
// added; the exception that failure left pending makes build() give null.
class StringArrayBuilder {
 public:
  explicit StringArrayBuilder(JNIEnv* env) : env_(env) {}
  void add(const wchar_t* text, size_t length);
  void add(jstring item) {
    if (item != nullptr) items_.push_back(item);
  }
  // Null when an exception is pending or the class or the array cannot be made.
  jobjectArray build();

 private:
  JNIEnv* env_;
  std::vector<jstring> items_;
};

// Constructs className with the constructor of the given signature; null when the class,
// the constructor or the object cannot be made (the JNI exception stays pending).
jobject newJavaObject(JNIEnv* env, const char* className, const char* signature, const jvalue* arguments);

// A byte array's elements for the length of a call. Released with JNI_ABORT when only read,
// with 0 when the caller filled them (commit()).
class JavaBytes {
 public:
  JavaBytes(JNIEnv* env, jbyteArray array);
  JavaBytes(const JavaBytes&) = delete;
  JavaBytes& operator=(const JavaBytes&) = delete;
  ~JavaBytes();

  jbyte* get() const { return elements_; }
  jsize length() const { return length_; }
  void commit() { mode_ = 0; }

 private:
  JNIEnv* env_;
  jbyteArray array_;
  jbyte* elements_ = nullptr;
  jsize length_ = 0;
  jint mode_ = JNI_ABORT;
};

// The fixed diagnostic lines go to standard output; flushed at once so they survive a
// process that ends without unwinding the C runtime.
void diagnostic(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace drx::platform
