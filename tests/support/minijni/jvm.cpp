// The test-facing Jvm object: function tables, class definition, value helpers and the invocation interface.
#include "vm_state.h"

#include <cstring>

namespace minijni {

namespace {

// Parses "(ILjava/lang/String;[B)V" into one letter per parameter and the return letter,
// with 'L' for objects and arrays.
bool parseSignature(std::string_view sig, std::string& params, char& returnType) {
  auto readType = [&](size_t& at, char& letter) {
    size_t start = at;
    while (at < sig.size() && sig[at] == '[') ++at;
    if (at >= sig.size()) return false;
    char c = sig[at];
    if (c == 'L') {
      size_t end = sig.find(';', at);
      if (end == std::string_view::npos || end == at + 1) return false;
      at = end + 1;
      letter = 'L';
      return true;
    }
    if (std::string_view("ZBCSIJFD").find(c) == std::string_view::npos) return false;
    ++at;
    letter = at - start > 1 ? 'L' : c;
    return true;
  };
  params.clear();
  if (sig.empty() || sig[0] != '(') return false;
  size_t at = 1;
  while (at < sig.size() && sig[at] != ')') {
    char letter = 0;
    if (!readType(at, letter)) return false;
    params += letter;
  }
  if (at >= sig.size()) return false;
  ++at;
  if (at < sig.size() && sig[at] == 'V' && at + 1 == sig.size()) {
    returnType = 'V';
    return true;
  }
  return readType(at, returnType) && at == sig.size();
}

char fieldType(std::string_view sig) {
  std::string params;
  char type = 0;
  if (!parseSignature("()" + std::string(sig), params, type) || type == 'V') {
    failLoudly("bad field signature " + std::string(sig));
  }
  return type;
}

}  // namespace

const JNINativeInterface_& functionTable() {
  static const JNINativeInterface_ table = [] {
    JNINativeInterface_ t{};
    fillWithUnimplementedSlots(t);
    installObjectFunctions(t);
    installCallFunctions(t);
    installStringFunctions(t);
    installArrayFunctions(t);
    installExceptionAndReferenceFunctions(t);
    return t;
  }();
  return table;
}

namespace {

VmState& vmOf(JavaVM* javaVm) {
  if (!javaVm) failLoudly("invocation function called with a null JavaVM");
  return *reinterpret_cast<VmBlock*>(javaVm)->state;
}

jint JNICALL destroyJavaVm(JavaVM* javaVm) {
  VmState& vm = vmOf(javaVm);
  std::vector<std::function<void()>> actions;
  {
    std::lock_guard<std::mutex> hold(vm.lock);
    if (vm.destroyed) return JNI_ERR;
    vm.record("DestroyJavaVM");
    actions = vm.destroyActions;
  }
  // Outside the lock: the actions wait for threads that may still call into the VM.
  for (auto& action : actions) action();
  std::lock_guard<std::mutex> hold(vm.lock);
  vm.destroyed = true;
  return JNI_OK;
}

jint attach(JavaVM* javaVm, void** penv, const char* slot) {
  VmState& vm = vmOf(javaVm);
  std::lock_guard<std::mutex> hold(vm.lock);
  if (vm.destroyed) failLoudly(std::string(slot) + " called after DestroyJavaVM");
  if (!penv) failLoudly(std::string(slot) + ": null environment pointer");
  vm.record(slot);
  EnvState& env = vm.envFor(std::this_thread::get_id());
  env.attached = true;
  *penv = &env.block.env;
  return JNI_OK;
}

jint JNICALL attachCurrentThread(JavaVM* javaVm, void** penv, void*) {
  return attach(javaVm, penv, "AttachCurrentThread");
}

jint JNICALL attachCurrentThreadAsDaemon(JavaVM* javaVm, void** penv, void*) {
  return attach(javaVm, penv, "AttachCurrentThreadAsDaemon");
}

jint JNICALL detachCurrentThread(JavaVM* javaVm) {
  VmState& vm = vmOf(javaVm);
  std::lock_guard<std::mutex> hold(vm.lock);
  vm.record("DetachCurrentThread");
  auto found = vm.envByThread.find(std::this_thread::get_id());
  if (found == vm.envByThread.end() || !found->second->attached) return JNI_EDETACHED;
  EnvState& env = *found->second;
  for (Ref* ref : env.frame) ref->live = false;
  env.frame.clear();
  env.frameStarts.assign(1, 0);
  env.pending = nullptr;
  env.attached = false;
  return JNI_OK;
}

jint JNICALL getEnv(JavaVM* javaVm, void** penv, jint version) {
  VmState& vm = vmOf(javaVm);
  std::lock_guard<std::mutex> hold(vm.lock);
  if (!penv) failLoudly("GetEnv: null environment pointer");
  *penv = nullptr;
  if (version < JNI_VERSION_1_1 || version > JNI_VERSION_10 || (version & 0xffff) > 8) return JNI_EVERSION;
  auto found = vm.envByThread.find(std::this_thread::get_id());
  if (found == vm.envByThread.end() || !found->second->attached) return JNI_EDETACHED;
  *penv = &found->second->block.env;
  return JNI_OK;
}

const JNIInvokeInterface_& invokeTable() {
  static const JNIInvokeInterface_ table = [] {
    JNIInvokeInterface_ t{};
    t.DestroyJavaVM = destroyJavaVm;
    t.AttachCurrentThread = attachCurrentThread;
    t.DetachCurrentThread = detachCurrentThread;
    t.GetEnv = getEnv;
    t.AttachCurrentThreadAsDaemon = attachCurrentThreadAsDaemon;
    return t;
  }();
  return table;
}

ObjectData* checkedObject(Entry& e, jobject ref, Kind kind, const char* what) {
  ObjectData* object = e.vm.deref(ref, e.slot);
  if (!object) failLoudly(std::string(e.slot) + ": null " + what);
  if (object->kind != kind) failLoudly(std::string(e.slot) + ": reference is not " + what);
  return object;
}

}  // namespace

// ---- ClassBuilder ----

ClassBuilder& ClassBuilder::addMethod(std::string name, std::string signature, bool isStatic, Body body) {
  std::lock_guard<std::mutex> hold(state_.lock);
  auto* cls = static_cast<ClassInfo*>(class_);
  MethodInfo& m = cls->methods.emplace_back();
  m.owner = cls;
  m.name = std::move(name);
  m.isStatic = isStatic;
  m.body = std::move(body);
  if (!parseSignature(signature, m.params, m.returnType)) failLoudly("bad method signature " + signature);
  m.signature = std::move(signature);
  return *this;
}

ClassBuilder& ClassBuilder::staticMethod(std::string name, std::string signature, Body body) {
  return addMethod(std::move(name), std::move(signature), true, std::move(body));
}

ClassBuilder& ClassBuilder::method(std::string name, std::string signature, Body body) {
  return addMethod(std::move(name), std::move(signature), false, std::move(body));
}

ClassBuilder& ClassBuilder::constructor(std::string signature, Body body) {
  return addMethod("<init>", std::move(signature), false, std::move(body));
}

ClassBuilder& ClassBuilder::field(std::string name, std::string signature) {
  std::lock_guard<std::mutex> hold(state_.lock);
  auto* cls = static_cast<ClassInfo*>(class_);
  FieldInfo& f = cls->fields.emplace_back();
  f.owner = cls;
  f.type = fieldType(signature);
  f.name = std::move(name);
  f.signature = std::move(signature);
  return *this;
}

ClassBuilder& ClassBuilder::staticField(std::string name, std::string signature, jvalue initial) {
  std::lock_guard<std::mutex> hold(state_.lock);
  auto* cls = static_cast<ClassInfo*>(class_);
  FieldInfo& f = cls->fields.emplace_back();
  f.owner = cls;
  f.isStatic = true;
  f.type = fieldType(signature);
  f.staticValue = state_.store(f.type, initial, "staticField");
  f.name = std::move(name);
  f.signature = std::move(signature);
  return *this;
}

// ---- Call ----

std::u16string Call::stringArg(size_t index) const {
  if (index >= args.size())
    failLoudly("method body read argument " + std::to_string(index) + " that was not passed");
  return vm.string(args[index].l);
}

void Call::setField(std::string_view name, jvalue value) const {
  if (!self) failLoudly("setField in a static method");
  VmState& state = *envState(env).vm;
  Entry e(Entry::Helper{}, state, "Call::setField");
  ObjectData* object = state.deref(self, e.slot);
  FieldInfo* f = state.findField(object->cls, name, false);
  if (!f) failLoudly("class " + object->cls->name + " has no field " + std::string(name));
  object->fields[f->name] = state.store(f->type, value, e.slot);
}

jvalue Call::field(std::string_view name) const { return vm.field(self, name); }

void Call::throwNew(std::string_view className, std::string_view message) const {
  vm.throwNew(className, message);
}

// ---- Jvm ----

Jvm::Jvm() : state_(std::make_unique<VmState>(*this)) {
  state_->vmBlock.vm.functions = &invokeTable();
  defineBuiltinClasses(*state_);
}

Jvm::~Jvm() = default;

JNIEnv* Jvm::env() {
  std::lock_guard<std::mutex> hold(state_->lock);
  EnvState& env = state_->envFor(std::this_thread::get_id());
  env.attached = true;
  return &env.block.env;
}

JavaVM* Jvm::javaVm() { return &state_->vmBlock.vm; }

Jvm& Jvm::from(JNIEnv* env) { return envState(env).vm->jvm; }

ClassBuilder Jvm::defineClass(std::string name, std::string superName) {
  std::lock_guard<std::mutex> hold(state_->lock);
  ClassInfo* super = state_->findClass(superName);
  if (!super) failLoudly("super class " + superName + " of " + name + " is not defined");
  return ClassBuilder(*state_, state_->defineClass(std::move(name), super));
}

bool Jvm::hasClass(std::string_view name) {
  std::lock_guard<std::mutex> hold(state_->lock);
  return state_->findClass(name) != nullptr;
}

jstring Jvm::newString(std::u16string_view text) {
  Entry e(Entry::Helper{}, *state_, "Jvm::newString");
  return static_cast<jstring>(state_->newLocal(e.env, state_->newString(std::u16string(text))));
}

jstring Jvm::newStringUtf8(std::string_view utf8) { return newString(utf8ToUtf16(utf8)); }

jbyteArray Jvm::newByteArray(const std::vector<jbyte>& bytes) {
  Entry e(Entry::Helper{}, *state_, "Jvm::newByteArray");
  ObjectData* array = state_->newArray('B', nullptr, static_cast<jsize>(bytes.size()));
  if (!bytes.empty()) std::memcpy(array->primitives.data(), bytes.data(), bytes.size());
  return static_cast<jbyteArray>(state_->newLocal(e.env, array));
}

jintArray Jvm::newIntArray(const std::vector<jint>& values) {
  Entry e(Entry::Helper{}, *state_, "Jvm::newIntArray");
  ObjectData* array = state_->newArray('I', nullptr, static_cast<jsize>(values.size()));
  if (!values.empty()) std::memcpy(array->primitives.data(), values.data(), values.size() * sizeof(jint));
  return static_cast<jintArray>(state_->newLocal(e.env, array));
}

jobjectArray Jvm::newObjectArray(std::string_view elementClass, const std::vector<jobject>& elements) {
  Entry e(Entry::Helper{}, *state_, "Jvm::newObjectArray");
  ClassInfo* cls = state_->findClass(elementClass);
  if (!cls) failLoudly("Jvm::newObjectArray: class " + std::string(elementClass) + " is not defined");
  ObjectData* array = state_->newArray('L', cls, static_cast<jsize>(elements.size()));
  for (size_t i = 0; i < elements.size(); ++i) {
    ObjectData* element = state_->deref(elements[i], e.slot);
    if (element && !state_->isSubclass(element->cls, cls))
      failLoudly("Jvm::newObjectArray: element of another class");
    array->elements[i] = element;
  }
  return static_cast<jobjectArray>(state_->newLocal(e.env, array));
}

jobjectArray Jvm::newStringArray(const std::vector<std::u16string>& texts) {
  std::vector<jobject> elements;
  for (const auto& text : texts) elements.push_back(newString(text));
  return newObjectArray("java/lang/String", elements);
}

jobject Jvm::newObject(std::string_view className, std::string_view constructorSignature,
                       std::initializer_list<jvalue> args) {
  JNIEnv* jni = env();
  jclass cls = jni->FindClass(std::string(className).c_str());
  if (!cls) failLoudly("Jvm::newObject: class " + std::string(className) + " is not defined");
  jmethodID ctor = jni->GetMethodID(cls, "<init>", std::string(constructorSignature).c_str());
  if (!ctor) failLoudly("Jvm::newObject: no constructor " + std::string(constructorSignature));
  std::vector<jvalue> values(args);
  return jni->NewObjectA(cls, ctor, values.data());
}

bool Jvm::isNull(jobject ref) {
  Entry e(Entry::Helper{}, *state_, "Jvm::isNull");
  return state_->deref(ref, e.slot) == nullptr;
}

std::string Jvm::className(jobject ref) {
  Entry e(Entry::Helper{}, *state_, "Jvm::className");
  ObjectData* object = state_->deref(ref, e.slot);
  if (!object) failLoudly("Jvm::className: null reference");
  return object->cls->name;
}

std::u16string Jvm::string(jobject ref) {
  Entry e(Entry::Helper{}, *state_, "Jvm::string");
  return checkedObject(e, ref, Kind::String, "a string")->text;
}

std::string Jvm::stringUtf8(jobject ref) { return utf16ToUtf8(string(ref)); }

jsize Jvm::arrayLength(jobject ref) {
  Entry e(Entry::Helper{}, *state_, "Jvm::arrayLength");
  return checkedObject(e, ref, Kind::Array, "an array")->length;
}

std::vector<jbyte> Jvm::bytes(jobject ref) {
  Entry e(Entry::Helper{}, *state_, "Jvm::bytes");
  ObjectData* array = checkedObject(e, ref, Kind::Array, "an array");
  if (array->elementType != 'B') failLoudly("Jvm::bytes: not a byte array");
  return std::vector<jbyte>(array->primitives.begin(), array->primitives.end());
}

std::vector<jint> Jvm::ints(jobject ref) {
  Entry e(Entry::Helper{}, *state_, "Jvm::ints");
  ObjectData* array = checkedObject(e, ref, Kind::Array, "an array");
  if (array->elementType != 'I') failLoudly("Jvm::ints: not an int array");
  std::vector<jint> values(static_cast<size_t>(array->length));
  if (!values.empty()) std::memcpy(values.data(), array->primitives.data(), array->primitives.size());
  return values;
}

std::vector<jobject> Jvm::elements(jobject ref) {
  Entry e(Entry::Helper{}, *state_, "Jvm::elements");
  ObjectData* array = checkedObject(e, ref, Kind::Array, "an array");
  if (array->elementType != 'L') failLoudly("Jvm::elements: not an object array");
  std::vector<jobject> out;
  for (ObjectData* element : array->elements) out.push_back(state_->newLocal(e.env, element));
  return out;
}

std::vector<std::u16string> Jvm::strings(jobject ref) {
  std::vector<std::u16string> out;
  for (jobject element : elements(ref)) {
    if (isNull(element)) failLoudly("Jvm::strings: null element");
    out.push_back(string(element));
  }
  return out;
}

jvalue Jvm::field(jobject ref, std::string_view name) {
  Entry e(Entry::Helper{}, *state_, "Jvm::field");
  ObjectData* object = state_->deref(ref, e.slot);
  if (!object) failLoudly("Jvm::field: null reference");
  FieldInfo* f = state_->findField(object->cls, name, false);
  if (!f) failLoudly("Jvm::field: class " + object->cls->name + " has no field " + std::string(name));
  auto found = object->fields.find(f->name);
  return state_->load(e.env, f->type, found == object->fields.end() ? Void() : found->second);
}

jvalue Jvm::staticField(std::string_view className, std::string_view name) {
  Entry e(Entry::Helper{}, *state_, "Jvm::staticField");
  ClassInfo* cls = state_->findClass(className);
  FieldInfo* f = cls ? state_->findField(cls, name, true) : nullptr;
  if (!f) failLoudly("Jvm::staticField: no static field " + std::string(className) + "." + std::string(name));
  return state_->load(e.env, f->type, f->staticValue);
}

bool Jvm::sameObject(jobject a, jobject b) {
  Entry e(Entry::Helper{}, *state_, "Jvm::sameObject");
  return state_->deref(a, e.slot) == state_->deref(b, e.slot);
}

bool Jvm::exceptionPending() {
  Entry e(Entry::Helper{}, *state_, "Jvm::exceptionPending");
  return e.env.pending != nullptr;
}

std::string Jvm::pendingExceptionClass() {
  Entry e(Entry::Helper{}, *state_, "Jvm::pendingExceptionClass");
  return e.env.pending ? e.env.pending->cls->name : std::string();
}

std::u16string Jvm::pendingExceptionMessage() {
  Entry e(Entry::Helper{}, *state_, "Jvm::pendingExceptionMessage");
  if (!e.env.pending) return {};
  auto message = e.env.pending->fields.find("message");
  if (message == e.env.pending->fields.end() || !message->second.l) return {};
  return reinterpret_cast<ObjectData*>(message->second.l)->text;
}

void Jvm::clearException() {
  Entry e(Entry::Helper{}, *state_, "Jvm::clearException");
  e.env.pending = nullptr;
}

void Jvm::throwNew(std::string_view className, std::string_view message) {
  Entry e(Entry::Helper{}, *state_, "Jvm::throwNew");
  ClassInfo* cls = state_->findClass(className);
  if (!cls || !state_->isSubclass(cls, state_->findClass("java/lang/Throwable"))) {
    failLoudly("Jvm::throwNew: " + std::string(className) + " is not a defined Throwable");
  }
  state_->raise(e.env, className, utf8ToUtf16(message));
}

size_t Jvm::outstandingBuffers() {
  std::lock_guard<std::mutex> hold(state_->lock);
  return state_->buffers.size();
}

size_t Jvm::liveLocalReferences() {
  Entry e(Entry::Helper{}, *state_, "Jvm::liveLocalReferences");
  size_t live = 0;
  for (Ref* ref : e.env.frame) live += ref->live ? 1 : 0;
  return live;
}

std::vector<std::string> Jvm::callsWithPendingException() {
  std::lock_guard<std::mutex> hold(state_->lock);
  return state_->pendingCalls;
}

void Jvm::setCallLogging(bool on) {
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->logging = on;
}

std::vector<std::string> Jvm::callLog() {
  std::lock_guard<std::mutex> hold(state_->lock);
  return state_->log;
}

void Jvm::setCallObserver(std::function<void(const std::string&)> observer) {
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->observer = std::move(observer);
}

void Jvm::failAllocation(std::string_view slot, int nth) {
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->allocationFailures[std::string(slot)] = nth < 1 ? 1 : nth;
}

void Jvm::setStringCharsTerminated(bool terminated) {
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->terminateStringChars = terminated;
}

void Jvm::onDestroy(std::function<void()> action) {
  std::lock_guard<std::mutex> hold(state_->lock);
  state_->destroyActions.push_back(std::move(action));
}

bool Jvm::destroyed() {
  std::lock_guard<std::mutex> hold(state_->lock);
  return state_->destroyed;
}

}  // namespace minijni
