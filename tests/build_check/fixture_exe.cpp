// A console program importing fixture_dll.dll: the import check must reject it.
extern "C" __declspec(dllimport) int fixtureValue();
int main() { return fixtureValue() == 7 ? 0 : 1; }
