#include "WindowManagerAtoms.h"

#include <dlfcn.h>

namespace
{
// Only what is needed from Xlib, loaded at run time as JUCE itself loads it, so the harness
// needs no X11 development package to build.
using Display = struct _XDisplay;
using OpenDisplay = Display* (*) (const char*);
using InternAtom = unsigned long (*)(Display*, const char*, int);

const char* const atomNames[] = {
    "WM_PROTOCOLS", "WM_TAKE_FOCUS",       "WM_DELETE_WINDOW", "_NET_WM_PING",         "WM_CHANGE_STATE",
    "WM_STATE",     "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",    "_NET_WM_STATE_HIDDEN",
};
} // namespace

void internWindowManagerAtoms()
{
    static void* const xlib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);

    if (xlib == nullptr)
        return;

    auto openDisplay = reinterpret_cast<OpenDisplay>(dlsym(xlib, "XOpenDisplay"));
    auto internAtom = reinterpret_cast<InternAtom>(dlsym(xlib, "XInternAtom"));

    if (openDisplay == nullptr || internAtom == nullptr)
        return;

    // The connection stays open for the life of the process: an X server that loses its last
    // client resets itself and forgets its atoms, and the library stays loaded with it.
    static Display* const display = openDisplay(nullptr);

    if (display != nullptr)
        for (const auto* name : atomNames)
            internAtom(display, name, 0);
}
