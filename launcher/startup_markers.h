// Registry markers that reveal a start-up which never reached the Java side.
#pragma once

#include <windows.h>

namespace drx::launcher {

inline constexpr const char* kMarkerKey = "SOFTWARE\\morvenic\\lanqo\\";
inline constexpr const char* kPlainMarker = "InstallStarted";
inline constexpr const char* kProcessMarkerFormat = "%s_%d";

enum class MarkerAction { set, remove };

// Applies action to the process marker (withProcessId) and/or the plain marker (plain).
// Does nothing in a language restart; registry failures are silent.
void setStartupMarkers(MarkerAction action, bool withProcessId, bool plain);

// The value of the process marker (withProcessId) or the plain marker; 0 when missing.
DWORD readStartupMarker(bool withProcessId);

}  // namespace drx::launcher
