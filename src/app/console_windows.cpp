#include "console.h"

#include <cstdio>

#include <windows.h>

namespace console {

namespace {

// A handle that goes somewhere already (a file, a pipe, the terminal Wine runs in) is kept.
bool goesNowhere(DWORD which) {
    const HANDLE handle = GetStdHandle(which);
    return handle == nullptr || handle == INVALID_HANDLE_VALUE ||
           GetFileType(handle) == FILE_TYPE_UNKNOWN;
}

} // namespace

void useStartingConsole() {
    const bool out = goesNowhere(STD_OUTPUT_HANDLE);
    const bool error = goesNowhere(STD_ERROR_HANDLE);
    // Attached also when both are redirected: the console's Ctrl+C and closing then reach the
    // program (CloseOnSignal).
    if (!AttachConsole(ATTACH_PARENT_PROCESS))
        return;
    if (out)
        std::freopen("CONOUT$", "w", stdout);
    if (error)
        std::freopen("CONOUT$", "w", stderr);
}

} // namespace console
