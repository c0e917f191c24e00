#pragma once

// JUCE's Linux windowing looks up the window-manager atoms (WM_PROTOCOLS and the like) without
// creating them and then uses them unchecked. On a display that no window manager has touched,
// such as a fresh Xvfb server, they do not exist and the first window dies with BadAtom. Interning
// them once on the display, before JUCE opens it in this process or in the plug-in, avoids that.
// Does nothing when there is no display.
void internWindowManagerAtoms();
