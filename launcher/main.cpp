// Entry point of the setup launcher.
#include <windows.h>

#include "launcher/app/entry.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandTail, int) {
  return drx::launcher::runLauncher(instance, commandTail);
}
