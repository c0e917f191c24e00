#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// What the X server really shows: used to check the plug-in's window from outside, as a person
// looking at the screen would, rather than through either copy of JUCE's own drawing.
namespace screenGrab
{
struct Rgb
{
    std::uint8_t red = 0, green = 0, blue = 0;
};

struct Capture
{
    int width = 0, height = 0;
    std::vector<Rgb> pixels; // row by row

    bool isValid() const { return width > 0 && height > 0; }
    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y * width + x)]; }
};

struct WindowSize
{
    int width = 0, height = 0;
};

// The on-screen contents of an area of a window, child windows included. Empty when there is no
// display, or the window is not viewable.
Capture grab(unsigned long window, int x, int y, int width, int height);

// The sizes of every window nested inside the given one, at any depth.
std::vector<WindowSize> descendantSizes(unsigned long window);
} // namespace screenGrab
