#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <vector>

// The X server as a host's process sees it, read from outside JUCE: the plug-in's editor draws
// into a window of its own, embedded in the host's, with the bundle's own copy of the framework,
// so what it shows is only reachable through the display server. Every call does nothing, or
// returns nothing, when there is no display.
namespace x11Display
{
// JUCE's Linux windowing looks up the window-manager atoms (WM_PROTOCOLS and the like) without
// creating them and then uses them unchecked. On a display that no window manager has touched,
// such as a fresh Xvfb server, they do not exist and the first window dies with BadAtom.
// Interning them once, before JUCE opens the display in this process or in the plug-in, avoids
// that.
void internWindowManagerAtoms();

// The X window of the desktop window that holds the component.
unsigned long windowOf(const juce::Component& component);

// The on-screen contents of an area of a window, child windows included: a null image when the
// window is not viewable.
juce::Image capture(unsigned long window, juce::Rectangle<int> area);

// The sizes of every window nested inside the given one, at any depth.
std::vector<juce::Point<int>> descendantSizes(unsigned long window);
} // namespace x11Display
