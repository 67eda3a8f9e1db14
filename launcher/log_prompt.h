// Tells the user where the kept log goes and offers an Explorer window showing it.
#pragma once

namespace drx::launcher {

// Runs only when the kept log was requested; productTitle is the caption of the question.
void logPrompt(const char* productTitle);

}  // namespace drx::launcher
