#include "WindowCapture.h"

#include <dlfcn.h>

namespace windowCapture
{
namespace
{
// Only what is needed from Xlib, loaded at run time as the framework itself loads it, so the
// suite needs no X11 development package to build.
using Display = struct _XDisplay;
using XImage = struct _XImage;
using Window = unsigned long;

struct Xlib
{
    Xlib()
    {
        library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);

        if (library == nullptr)
            return;

        openDisplay = reinterpret_cast<Display* (*) (const char*)>(dlsym(library, "XOpenDisplay"));
        sync = reinterpret_cast<int (*)(Display*, int)>(dlsym(library, "XSync"));
        getImage = reinterpret_cast<XImage* (*) (Display*, Window, int, int, unsigned, unsigned,
                                                 unsigned long, int)>(dlsym(library, "XGetImage"));
        getPixel = reinterpret_cast<unsigned long (*)(XImage*, int, int)>(dlsym(library, "XGetPixel"));
        destroyImage = reinterpret_cast<int (*)(XImage*)>(dlsym(library, "XDestroyImage"));

        if (openDisplay != nullptr && sync != nullptr && getImage != nullptr && getPixel != nullptr &&
            destroyImage != nullptr)
            display = openDisplay(nullptr);
    }

    void* library = nullptr;
    Display* display = nullptr;
    Display* (*openDisplay)(const char*) = nullptr;
    int (*sync)(Display*, int) = nullptr;
    XImage* (*getImage)(Display*, Window, int, int, unsigned, unsigned, unsigned long, int) = nullptr;
    unsigned long (*getPixel)(XImage*, int, int) = nullptr;
    int (*destroyImage)(XImage*) = nullptr;
};

constexpr int zPixmap = 2;
constexpr unsigned long allPlanes = ~0ul;
} // namespace

juce::Image capture(void* nativeWindowHandle, int width, int height)
{
    // One connection for the life of the process: the display server forgets nothing then.
    static Xlib xlib;

    if (xlib.display == nullptr || nativeWindowHandle == nullptr || width <= 0 || height <= 0)
        return {};

    xlib.sync(xlib.display, 0);
    auto* grabbed =
        xlib.getImage(xlib.display, (Window) reinterpret_cast<juce::pointer_sized_uint>(nativeWindowHandle),
                      0, 0, (unsigned) width, (unsigned) height, allPlanes, zPixmap);

    if (grabbed == nullptr)
        return {};

    juce::Image image(juce::Image::RGB, width, height, false);
    juce::Image::BitmapData pixels(image, juce::Image::BitmapData::writeOnly);

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            pixels.setPixelColour(x, y,
                                  juce::Colour((juce::uint32)(0xff000000u | xlib.getPixel(grabbed, x, y))));

    xlib.destroyImage(grabbed);
    return image;
}
} // namespace windowCapture
