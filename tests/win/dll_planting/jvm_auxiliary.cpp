// The real jvmaux.dll of the stand-in runtime whose jvm.dll imports a DLL of its own.
extern "C" __declspec(dllexport) int drxJvmAuxiliary() { return 1; }
