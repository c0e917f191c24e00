#pragma once

#include <juce_graphics/juce_graphics.h>

// Reads back what is on screen inside a desktop window, child windows included. The plug-in's
// editor draws into a window of its own, embedded in the host's, with its own copy of the
// framework, so its pixels are only reachable through the display server.
namespace windowCapture
{
// Returns a null image when the display or the window cannot be read.
juce::Image capture(void* nativeWindowHandle, int width, int height);
} // namespace windowCapture
