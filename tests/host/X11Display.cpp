#include "X11Display.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <dlfcn.h>

namespace x11Display
{
namespace
{
// Xlib is loaded at run time, as JUCE itself loads it, and its connection stays open for the
// life of the process: an X server that loses its last client resets itself and forgets the
// atoms interned on it.
struct Xlib
{
    Xlib()
    {
        library = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);

        if (library == nullptr)
            return;

        auto complete = load(openDisplay, "XOpenDisplay") && load(sync, "XSync") &&
                        load(internAtom, "XInternAtom") && load(getImage, "XGetImage") &&
                        load(getAttributes, "XGetWindowAttributes") && load(queryTree, "XQueryTree") &&
                        load(free, "XFree") && load(setErrorHandler, "XSetErrorHandler");

        if (complete)
            display = openDisplay(nullptr);
    }

    template <typename Function> bool load(Function& function, const char* name)
    {
        function = reinterpret_cast<Function>(dlsym(library, name));
        return function != nullptr;
    }

    void* library = nullptr;
    Display* display = nullptr;
    decltype(&XOpenDisplay) openDisplay = nullptr;
    decltype(&XSync) sync = nullptr;
    decltype(&XInternAtom) internAtom = nullptr;
    decltype(&XGetImage) getImage = nullptr;
    decltype(&XGetWindowAttributes) getAttributes = nullptr;
    decltype(&XQueryTree) queryTree = nullptr;
    decltype(&XFree) free = nullptr;
    decltype(&XSetErrorHandler) setErrorHandler = nullptr;
};

Xlib& xlib()
{
    static Xlib instance;
    return instance;
}

int ignoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

// While it lives, an X error (a window that is gone or not viewable) fails the call that caused
// it instead of ending the process. The handler is the library's, shared with JUCE, so it is put
// back once the server has answered everything asked meanwhile.
class ErrorsIgnored
{
public:
    ErrorsIgnored()
        : previous(xlib().setErrorHandler(ignoreErrors))
    {
    }

    ~ErrorsIgnored()
    {
        xlib().sync(xlib().display, False);
        xlib().setErrorHandler(previous);
    }

    ErrorsIgnored(const ErrorsIgnored&) = delete;
    ErrorsIgnored& operator=(const ErrorsIgnored&) = delete;

private:
    XErrorHandler previous;
};

std::uint8_t channel(unsigned long pixel, unsigned long mask)
{
    if (mask == 0)
        return 0;

    int shift = 0;

    while (((mask >> shift) & 1) == 0)
        ++shift;

    return static_cast<std::uint8_t>(((pixel & mask) >> shift) * 255 / (mask >> shift));
}

void collectSizes(Window window, std::vector<juce::Point<int>>& sizes)
{
    Window root = 0, parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;

    if (xlib().queryTree(xlib().display, window, &root, &parent, &children, &count) == 0)
        return;

    for (unsigned int i = 0; i < count; ++i)
    {
        XWindowAttributes attributes{};

        if (xlib().getAttributes(xlib().display, children[i], &attributes) != 0)
            sizes.push_back({attributes.width, attributes.height});

        collectSizes(children[i], sizes);
    }

    if (children != nullptr)
        xlib().free(children);
}
} // namespace

void internWindowManagerAtoms()
{
    const char* const names[] = {
        "WM_PROTOCOLS", "WM_TAKE_FOCUS",       "WM_DELETE_WINDOW", "_NET_WM_PING",         "WM_CHANGE_STATE",
        "WM_STATE",     "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",    "_NET_WM_STATE_HIDDEN",
    };

    if (xlib().display != nullptr)
        for (const auto* name : names)
            xlib().internAtom(xlib().display, name, False);
}

unsigned long windowOf(const juce::Component& component)
{
    auto* peer = component.getPeer();
    return peer != nullptr
               ? static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(peer->getNativeHandle()))
               : 0;
}

juce::Image capture(unsigned long window, juce::Rectangle<int> area)
{
    if (xlib().display == nullptr || window == 0 || area.isEmpty())
        return {};

    XImage* grabbed = nullptr;
    {
        const ErrorsIgnored errors;
        grabbed = xlib().getImage(xlib().display, window, area.getX(), area.getY(),
                                  static_cast<unsigned int>(area.getWidth()),
                                  static_cast<unsigned int>(area.getHeight()), AllPlanes, ZPixmap);
    }

    if (grabbed == nullptr)
        return {};

    juce::Image image(juce::Image::RGB, area.getWidth(), area.getHeight(), false, juce::SoftwareImageType());

    for (int y = 0; y < area.getHeight(); ++y)
        for (int x = 0; x < area.getWidth(); ++x)
        {
            const auto pixel = grabbed->f.get_pixel(grabbed, x, y);
            image.setPixelAt(x, y,
                             juce::Colour(channel(pixel, grabbed->red_mask),
                                          channel(pixel, grabbed->green_mask),
                                          channel(pixel, grabbed->blue_mask)));
        }

    grabbed->f.destroy_image(grabbed);
    return image;
}

std::vector<juce::Point<int>> descendantSizes(unsigned long window)
{
    std::vector<juce::Point<int>> sizes;

    if (xlib().display != nullptr && window != 0)
    {
        const ErrorsIgnored errors;
        collectSizes(window, sizes);
    }

    return sizes;
}
} // namespace x11Display
