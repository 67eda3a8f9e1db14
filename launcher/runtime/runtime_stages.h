// The runtime stages that come after the decision: unpacking an included runtime archive,
// handing an extracted runtime over, expanding packed included files and the download flow.
#pragma once

#include <windows.h>

#include "launcher/portable/run_failure.h"

namespace drx::launcher {

// Unpacks "jre.tar.gz" into "jre" (and its pack200 archives), then hands the runtime over.
// The failure of the step concerned when the archive is damaged or the runtime unusable.
RunFailure extractIncludedRuntime(HWND dialog);

// Prepares the runtime in "jre" (falling back to a search); a failure when neither works.
RunFailure useExtractedRuntime();

// Expands included files whose names end in ".pack".
RunFailure unpackIncludedFiles(HWND dialog);

// Lets the user download a runtime archive or pick a java executable, inside the progress dialog.
// ready is true when a runtime is ready: a downloaded archive (StartupState::runtimeIncluded is
// then set) or a java executable picked by hand and already loaded. A download that cannot be
// started, fails or brings a damaged archive is a failure.
RunFailure runDownloadFlow(HWND dialog, bool& ready);

// Whether the download flow ended with a java executable picked by hand (and loaded): the flow may
// have run on the thread of a progress dialog shown only to host it.
bool runtimeLocatedByHand();

}  // namespace drx::launcher
