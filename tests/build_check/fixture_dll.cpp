// A DLL of our own, so the import check has a non-system import to reject.
extern "C" __declspec(dllexport) int fixtureValue() { return 7; }
