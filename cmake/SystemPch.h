// The system headers nearly every source of the project reads: Windows and the standard
// library. Compiled once per build as the shared precompiled header (cmake/Area.cmake);
// every source still includes what it uses. The project's own headers stay out of it, so
// editing one never rebuilds the precompiled header, and a larger one costs more to load
// in every source than it saves.
#pragma once

// Winsock 2 must come before windows.h, which would otherwise pull in the old winsock.h.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>
