// Fixture: a program that imports comctl32 statically, which the import check must refuse.
#include <windows.h>
#include <commctrl.h>

int main() {
  InitCommonControls();
  return 0;
}
