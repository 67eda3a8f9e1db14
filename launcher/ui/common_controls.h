// comctl32 for the launcher's dialogs, loaded when the first of them is about to open.
#pragma once

namespace drx::launcher {

// Loads comctl32 from the system directory and initialises it, which registers the progress bar
// class the dialogs use. Called before each dialog rather than at entry: a start that opens no
// dialog (quiet mode) then never loads the library, whose window classes can cost a start tens of
// milliseconds (under wine, the desktop process is started for them).
void ensureCommonControls();

}  // namespace drx::launcher
