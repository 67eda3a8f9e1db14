// The java.lang classes every VM has: Object, Class, String, boxed numbers and the throwables JNI raises.
#include "vm_state.h"

namespace minijni {

namespace {

ClassInfo* define(VmState& vm, const char* name, const char* super) {
  return vm.defineClass(name, super ? vm.findClass(super) : nullptr);
}

void addMethod(ClassInfo* cls, const char* name, const char* sig, std::string params, char ret, bool isStatic,
               Body body) {
  MethodInfo& m = cls->methods.emplace_back();
  m.owner = cls;
  m.name = name;
  m.signature = sig;
  m.params = std::move(params);
  m.returnType = ret;
  m.isStatic = isStatic;
  m.body = std::move(body);
}

void addField(ClassInfo* cls, const char* name, const char* sig, char type) {
  FieldInfo& f = cls->fields.emplace_back();
  f.owner = cls;
  f.name = name;
  f.signature = sig;
  f.type = type;
}

// A boxed number: field "value", a constructor from the primitive and the accessor.
void defineBox(VmState& vm, const char* name, char type, const char* ctorSig, const char* getter,
               const char* getterSig) {
  ClassInfo* cls = define(vm, name, "java/lang/Number");
  addField(cls, "value", std::string(1, type).c_str(), type);
  addMethod(cls, "<init>", ctorSig, std::string(1, type), 'V', false, [](Call& c) {
    c.setField("value", c.args[0]);
    return Void();
  });
  addMethod(cls, getter, getterSig, "", type, false, [](Call& c) { return c.field("value"); });
}

}  // namespace

void defineBuiltinClasses(VmState& vm) {
  std::lock_guard<std::mutex> hold(vm.lock);
  // Class must exist before any class object is made; Object's and Class's own class objects
  // are fixed up right after.
  ClassInfo* object = define(vm, "java/lang/Object", nullptr);
  ClassInfo* cls = define(vm, "java/lang/Class", "java/lang/Object");
  object->classObject->cls = cls;
  cls->classObject->cls = cls;
  addMethod(object, "<init>", "()V", "", 'V', false, {});
  define(vm, "java/lang/String", "java/lang/Object");
  define(vm, "java/lang/Number", "java/lang/Object");
  defineBox(vm, "java/lang/Integer", 'I', "(I)V", "intValue", "()I");
  defineBox(vm, "java/lang/Long", 'J', "(J)V", "longValue", "()J");
  ClassInfo* boolean = define(vm, "java/lang/Boolean", "java/lang/Object");
  addField(boolean, "value", "Z", 'Z');
  addMethod(boolean, "<init>", "(Z)V", "Z", 'V', false, [](Call& c) {
    c.setField("value", c.args[0]);
    return Void();
  });
  addMethod(boolean, "booleanValue", "()Z", "", 'Z', false, [](Call& c) { return c.field("value"); });

  ClassInfo* throwable = define(vm, "java/lang/Throwable", "java/lang/Object");
  addField(throwable, "message", "Ljava/lang/String;", 'L');
  addMethod(throwable, "<init>", "()V", "", 'V', false, {});
  addMethod(throwable, "<init>", "(Ljava/lang/String;)V", "L", 'V', false, [](Call& c) {
    c.setField("message", c.args[0]);
    return Void();
  });
  addMethod(throwable, "getMessage", "()Ljava/lang/String;", "", 'L', false,
            [](Call& c) { return c.field("message"); });

  static const char* const kThrowables[][2] = {
      {"java/lang/Exception", "java/lang/Throwable"},
      {"java/lang/RuntimeException", "java/lang/Exception"},
      {"java/lang/Error", "java/lang/Throwable"},
      {"java/lang/NullPointerException", "java/lang/RuntimeException"},
      {"java/lang/IllegalArgumentException", "java/lang/RuntimeException"},
      {"java/lang/IllegalStateException", "java/lang/RuntimeException"},
      {"java/lang/UnsupportedOperationException", "java/lang/RuntimeException"},
      {"java/lang/IndexOutOfBoundsException", "java/lang/RuntimeException"},
      {"java/lang/ArrayIndexOutOfBoundsException", "java/lang/IndexOutOfBoundsException"},
      {"java/lang/StringIndexOutOfBoundsException", "java/lang/IndexOutOfBoundsException"},
      {"java/lang/NegativeArraySizeException", "java/lang/RuntimeException"},
      {"java/lang/ArrayStoreException", "java/lang/RuntimeException"},
      {"java/io/IOException", "java/lang/Exception"},
      {"java/lang/LinkageError", "java/lang/Error"},
      {"java/lang/NoClassDefFoundError", "java/lang/LinkageError"},
      {"java/lang/IncompatibleClassChangeError", "java/lang/LinkageError"},
      {"java/lang/NoSuchMethodError", "java/lang/IncompatibleClassChangeError"},
      {"java/lang/NoSuchFieldError", "java/lang/IncompatibleClassChangeError"},
      {"java/lang/VirtualMachineError", "java/lang/Error"},
      {"java/lang/OutOfMemoryError", "java/lang/VirtualMachineError"},
  };
  for (const auto& pair : kThrowables) {
    ClassInfo* c = define(vm, pair[0], pair[1]);
    addMethod(c, "<init>", "()V", "", 'V', false, {});
    addMethod(c, "<init>", "(Ljava/lang/String;)V", "L", 'V', false, [](Call& call) {
      call.setField("message", call.args[0]);
      return Void();
    });
  }
}

}  // namespace minijni
