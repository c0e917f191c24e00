#include "ScreenGrab.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <dlfcn.h>

namespace screenGrab
{
namespace
{
// Xlib is loaded at run time, as the rest of the harness and JUCE itself load it.
struct Xlib
{
    Xlib()
    {
        library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        if (library == nullptr)
            return;

        load(openDisplay, "XOpenDisplay");
        load(closeDisplay, "XCloseDisplay");
        load(sync, "XSync");
        load(getImage, "XGetImage");
        load(getAttributes, "XGetWindowAttributes");
        load(queryTree, "XQueryTree");
        load(free, "XFree");
        load(setErrorHandler, "XSetErrorHandler");
    }

    template <typename Function> void load(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(dlsym(library, name));
        complete = complete && function != nullptr;
    }

    void* library = nullptr;
    bool complete = true;
    decltype(&XOpenDisplay) openDisplay = nullptr;
    decltype(&XCloseDisplay) closeDisplay = nullptr;
    decltype(&XSync) sync = nullptr;
    decltype(&XGetImage) getImage = nullptr;
    decltype(&XGetWindowAttributes) getAttributes = nullptr;
    decltype(&XQueryTree) queryTree = nullptr;
    decltype(&XFree) free = nullptr;
    decltype(&XSetErrorHandler) setErrorHandler = nullptr;
};

const Xlib& xlib()
{
    static const Xlib instance;
    return instance;
}

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

// A connection of our own, with X errors reported as failed calls instead of ending the process.
class Connection
{
public:
    Connection()
    {
        if (!xlib().complete)
            return;

        display = xlib().openDisplay(nullptr);
        if (display != nullptr)
            previousHandler = xlib().setErrorHandler(ignoreErrors);
    }

    ~Connection()
    {
        if (display == nullptr)
            return;

        xlib().sync(display, False);
        xlib().setErrorHandler(previousHandler);
        xlib().closeDisplay(display);
    }

    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Display* get() const { return display; }

private:
    Display* display = nullptr;
    XErrorHandler previousHandler = nullptr;
};

std::uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;

    int shift = 0;
    while (((mask >> shift) & 1) == 0)
        ++shift;

    const auto maximum = mask >> shift;
    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / maximum);
}

void collectSizes(Display* display, Window window, std::vector<WindowSize>& sizes)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;

    if (xlib().queryTree(display, window, &root, &parent, &children, &count) == 0)
        return;

    for (unsigned int i = 0; i < count; ++i)
    {
        XWindowAttributes attributes{};
        if (xlib().getAttributes(display, children[i], &attributes) != 0)
            sizes.push_back({attributes.width, attributes.height});

        collectSizes(display, children[i], sizes);
    }

    if (children != nullptr)
        xlib().free(children);
}
} // namespace

Capture grab(unsigned long window, int x, int y, int width, int height)
{
    Connection connection;
    Capture capture;

    if (connection.get() == nullptr)
        return capture;

    xlib().sync(connection.get(), False);
    auto* image = xlib().getImage(connection.get(), window, x, y, static_cast<unsigned int>(width),
                                  static_cast<unsigned int>(height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return capture;

    capture.width = width;
    capture.height = height;
    capture.pixels.reserve(static_cast<size_t>(width * height));

    for (int row = 0; row < height; ++row)
        for (int column = 0; column < width; ++column)
        {
            const auto pixel = image->f.get_pixel(image, column, row);
            capture.pixels.push_back({channel(pixel, image->red_mask), channel(pixel, image->green_mask),
                                      channel(pixel, image->blue_mask)});
        }

    image->f.destroy_image(image);
    return capture;
}

std::vector<WindowSize> descendantSizes(unsigned long window)
{
    Connection connection;
    std::vector<WindowSize> sizes;

    if (connection.get() != nullptr)
        collectSizes(connection.get(), window, sizes);

    return sizes;
}
} // namespace screenGrab
