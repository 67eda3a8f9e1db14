// Scripted behaviour inside the stand-in's main: windows, registry marker, sleeps, threads, export calls,
// exit.
#ifndef DRX_TESTS_STANDIN_MAIN_ACTIONS_H
#define DRX_TESTS_STANDIN_MAIN_ACTIONS_H

#include "mini_jni.h"

#include <string>

namespace standin {

// Runs one "jvm.main.action" value (see standin_config.h) on the calling (launching) thread.
void runAction(minijni::Jvm& vm, const std::string& action);

// Waits until every thread started by actions has ended; returns how many there were.
int joinStartedThreads();

}  // namespace standin

#endif
