// Array functions: object and primitive arrays, element copies with release modes, regions.
#include "vm_state.h"

#include <cstring>

namespace minijni {

namespace {

ObjectData* arrayArg(Entry& e, jarray array, char elementType) {
  ObjectData* object = e.vm.deref(array, e.slot);
  if (!object) failLoudly(std::string(e.slot) + ": null array");
  if (object->kind != Kind::Array) failLoudly(std::string(e.slot) + ": argument is not an array");
  if (elementType && object->elementType != elementType) {
    failLoudly(std::string(e.slot) + ": array of " + object->cls->name + " has another element type");
  }
  return object;
}

std::u16string outOfBounds(jsize index, jsize length) {
  return utf8ToUtf16("Index " + std::to_string(index) + " out of bounds for length " +
                     std::to_string(length));
}

jsize JNICALL getArrayLength(JNIEnv* env, jarray array) {
  Entry e(env, "GetArrayLength");
  return arrayArg(e, array, 0)->length;
}

jobjectArray JNICALL newObjectArray(JNIEnv* env, jsize length, jclass elementClass, jobject initial) {
  Entry e(env, "NewObjectArray", std::to_string(length));
  ObjectData* cls = e.vm.deref(elementClass, e.slot);
  if (!cls || cls->kind != Kind::Class) failLoudly("NewObjectArray: element class is null or not a class");
  if (length < 0) {
    return static_cast<jobjectArray>(
        e.vm.raise(e.env, "java/lang/NegativeArraySizeException", utf8ToUtf16(std::to_string(length))));
  }
  ObjectData* init = e.vm.deref(initial, e.slot);
  if (init && !e.vm.isSubclass(init->cls, cls->described)) {
    return static_cast<jobjectArray>(
        e.vm.raise(e.env, "java/lang/ArrayStoreException", utf8ToUtf16(dottedName(init->cls->name))));
  }
  if (e.vm.allocationFails(e.env, "NewObjectArray")) return nullptr;
  ObjectData* array = e.vm.newArray('L', cls->described, length);
  for (auto& element : array->elements) element = init;
  return static_cast<jobjectArray>(e.vm.newLocal(e.env, array));
}

jobject JNICALL getObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index) {
  Entry e(env, "GetObjectArrayElement", std::to_string(index));
  ObjectData* object = arrayArg(e, array, 'L');
  if (index < 0 || index >= object->length) {
    return e.vm.raise(e.env, "java/lang/ArrayIndexOutOfBoundsException", outOfBounds(index, object->length));
  }
  return e.vm.newLocal(e.env, object->elements[static_cast<size_t>(index)]);
}

void JNICALL setObjectArrayElement(JNIEnv* env, jobjectArray array, jsize index, jobject value) {
  Entry e(env, "SetObjectArrayElement", std::to_string(index));
  ObjectData* object = arrayArg(e, array, 'L');
  ObjectData* element = e.vm.deref(value, e.slot);
  if (index < 0 || index >= object->length) {
    e.vm.raise(e.env, "java/lang/ArrayIndexOutOfBoundsException", outOfBounds(index, object->length));
    return;
  }
  if (element && !e.vm.isSubclass(element->cls, object->elementClass)) {
    e.vm.raise(e.env, "java/lang/ArrayStoreException", utf8ToUtf16(dottedName(element->cls->name)));
    return;
  }
  object->elements[static_cast<size_t>(index)] = element;
}

jarray newPrimitiveArray(JNIEnv* env, const char* slot, char type, jsize length) {
  Entry e(env, slot, std::to_string(length));
  if (length < 0) {
    return static_cast<jarray>(
        e.vm.raise(e.env, "java/lang/NegativeArraySizeException", utf8ToUtf16(std::to_string(length))));
  }
  if (e.vm.allocationFails(e.env, slot)) return nullptr;
  return static_cast<jarray>(e.vm.newLocal(e.env, e.vm.newArray(type, nullptr, length)));
}

void* elements(JNIEnv* env, const char* slot, BufferKind kind, jarray array, char type, jboolean* isCopy) {
  Entry e(env, slot);
  ObjectData* object = arrayArg(e, array, type);
  if (object->elementType == 'L')
    failLoudly(std::string(slot) + ": object arrays have no primitive elements");
  return e.vm.handOut(kind, object, object->elementType, object->primitives.data(), object->primitives.size(),
                      isCopy);
}

void release(JNIEnv* env, const char* slot, BufferKind kind, jarray array, char type, void* pointer,
             jint mode) {
  Entry e(env, slot, std::to_string(mode));
  ObjectData* object = arrayArg(e, array, type);
  auto found = e.vm.handedOut(kind, object, pointer, slot, "array");
  if (mode != 0 && mode != JNI_COMMIT && mode != JNI_ABORT) {
    failLoudly(std::string(slot) + ": unknown release mode " + std::to_string(mode));
  }
  if (mode != JNI_ABORT && !object->primitives.empty()) {
    std::memcpy(object->primitives.data(), pointer, object->primitives.size());
  }
  if (mode != JNI_COMMIT) e.vm.buffers.erase(found);
}

void region(JNIEnv* env, const char* slot, jarray array, char type, jsize start, jsize length, void* buf,
            bool write) {
  Entry e(env, slot);
  ObjectData* object = arrayArg(e, array, type);
  if (start < 0 || length < 0 || static_cast<int64_t>(start) + length > object->length) {
    e.vm.raise(e.env, "java/lang/ArrayIndexOutOfBoundsException",
               utf8ToUtf16("Array region " + std::to_string(start) + ".." +
                           std::to_string(static_cast<int64_t>(start) + length) +
                           " out of bounds for length " + std::to_string(object->length)));
    return;
  }
  if (length == 0) return;
  if (!buf) failLoudly(std::string(slot) + ": null buffer");
  size_t size = elementSize(type);
  unsigned char* at = object->primitives.data() + static_cast<size_t>(start) * size;
  if (write) {
    std::memcpy(at, buf, static_cast<size_t>(length) * size);
  } else {
    std::memcpy(buf, at, static_cast<size_t>(length) * size);
  }
}

void* JNICALL getPrimitiveArrayCritical(JNIEnv* env, jarray array, jboolean* isCopy) {
  return elements(env, "GetPrimitiveArrayCritical", BufferKind::ArrayCritical, array, 0, isCopy);
}

void JNICALL releasePrimitiveArrayCritical(JNIEnv* env, jarray array, void* carray, jint mode) {
  release(env, "ReleasePrimitiveArrayCritical", BufferKind::ArrayCritical, array, 0, carray, mode);
}

#define DRX_ARRAY_FAMILY(Type, jtype, letter, member)                                                        \
  jtype##Array JNICALL new##Type##Array(JNIEnv* env, jsize length) {                                         \
    return static_cast<jtype##Array>(newPrimitiveArray(env, "New" #Type "Array", letter, length));           \
  }                                                                                                          \
  jtype* JNICALL get##Type##ArrayElements(JNIEnv* env, jtype##Array array, jboolean* isCopy) {               \
    return static_cast<jtype*>(                                                                              \
        elements(env, "Get" #Type "ArrayElements", BufferKind::ArrayElements, array, letter, isCopy));       \
  }                                                                                                          \
  void JNICALL release##Type##ArrayElements(JNIEnv* env, jtype##Array array, jtype* elems, jint mode) {      \
    release(env, "Release" #Type "ArrayElements", BufferKind::ArrayElements, array, letter, elems, mode);    \
  }                                                                                                          \
  void JNICALL get##Type##ArrayRegion(JNIEnv* env, jtype##Array array, jsize start, jsize len, jtype* buf) { \
    region(env, "Get" #Type "ArrayRegion", array, letter, start, len, buf, false);                           \
  }                                                                                                          \
  void JNICALL set##Type##ArrayRegion(JNIEnv* env, jtype##Array array, jsize start, jsize len,               \
                                      const jtype* buf) {                                                    \
    region(env, "Set" #Type "ArrayRegion", array, letter, start, len, const_cast<jtype*>(buf), true);        \
  }

DRX_MINIJNI_PRIMITIVES(DRX_ARRAY_FAMILY)

#undef DRX_ARRAY_FAMILY

}  // namespace

void installArrayFunctions(JNINativeInterface_& t) {
  t.GetArrayLength = getArrayLength;
  t.NewObjectArray = newObjectArray;
  t.GetObjectArrayElement = getObjectArrayElement;
  t.SetObjectArrayElement = setObjectArrayElement;
  t.GetPrimitiveArrayCritical = getPrimitiveArrayCritical;
  t.ReleasePrimitiveArrayCritical = releasePrimitiveArrayCritical;
#define DRX_INSTALL(Type, jtype, letter, member)                 \
  t.New##Type##Array = new##Type##Array;                         \
  t.Get##Type##ArrayElements = get##Type##ArrayElements;         \
  t.Release##Type##ArrayElements = release##Type##ArrayElements; \
  t.Get##Type##ArrayRegion = get##Type##ArrayRegion;             \
  t.Set##Type##ArrayRegion = set##Type##ArrayRegion;
  DRX_MINIJNI_PRIMITIVES(DRX_INSTALL)
#undef DRX_INSTALL
}

}  // namespace minijni
