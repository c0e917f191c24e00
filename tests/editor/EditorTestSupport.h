#pragma once

#include "PluginEditor.h"

#include <gtest/gtest.h>

// JUCE's own message pump step, which its plug-in wrappers use to run the loop by hand. Some of
// the framework's headers declare it too, depending on which modules a target pulls in. JUCE 7.0.5
// keeps it in juce, later versions in juce::detail.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wredundant-decls"
namespace juce
{
#if JUCE_VERSION > 0x070005
namespace detail
{
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace detail
using detail::dispatchNextMessageOnSystemQueue;
#else
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
#endif
} // namespace juce
#pragma GCC diagnostic pop

namespace editortest
{
// The test thread is the message thread for the whole run.
class GuiEnvironment : public ::testing::Environment
{
public:
    void SetUp() override { gui = std::make_unique<juce::ScopedJuceInitialiser_GUI>(); }
    void TearDown() override { gui.reset(); }

private:
    std::unique_ptr<juce::ScopedJuceInitialiser_GUI> gui;
};

inline void pumpMessages(int milliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;
    while (juce::Time::getMillisecondCounter() < end)
        if (!juce::dispatchNextMessageOnSystemQueue(true))
            juce::Thread::sleep(1);
}

inline juce::Image blankImage(int width, int height)
{
    return juce::Image(juce::Image::ARGB, width, height, true, juce::SoftwareImageType());
}

inline juce::Image render(juce::Component& component)
{
    auto image = blankImage(component.getWidth(), component.getHeight());
    juce::Graphics g(image);
    component.paintEntireComponent(g, false);
    return image;
}

// Premultiplied, as stored: translucent colours can then be compared without the rounding of
// un-premultiplying.
inline juce::PixelARGB storedPixel(const juce::Image& image, int x, int y)
{
    const juce::Image::BitmapData data(image, juce::Image::BitmapData::readOnly);
    return *reinterpret_cast<const juce::PixelARGB*>(data.getPixelPointer(x, y));
}

inline juce::PixelARGB premultiplied(juce::Colour colour)
{
    return colour.getPixelARGB();
}

inline ::testing::AssertionResult pixelNear(const juce::Image& image, int x, int y, juce::Colour expected,
                                            int tolerance = 0)
{
    const auto actual = storedPixel(image, x, y);
    const auto wanted = premultiplied(expected);
    const int diffs[] = {actual.getAlpha() - wanted.getAlpha(), actual.getRed() - wanted.getRed(),
                         actual.getGreen() - wanted.getGreen(), actual.getBlue() - wanted.getBlue()};
    for (auto diff : diffs)
        if (std::abs(diff) > tolerance)
            return ::testing::AssertionFailure()
                   << "pixel (" << x << ", " << y << ") is 0x"
                   << juce::String::toHexString((int) actual.getNativeARGB()) << ", expected 0x"
                   << juce::String::toHexString((int) wanted.getNativeARGB()) << " within " << tolerance;
    return ::testing::AssertionSuccess();
}

inline bool sameRgb(juce::Colour actual, juce::Colour expected, int tolerance)
{
    return std::abs(actual.getRed() - expected.getRed()) <= tolerance &&
           std::abs(actual.getGreen() - expected.getGreen()) <= tolerance &&
           std::abs(actual.getBlue() - expected.getBlue()) <= tolerance;
}

inline bool isOpaqueBlack(const juce::Image& image, int x, int y)
{
    return image.getPixelAt(x, y) == juce::Colours::black;
}

inline bool isTransparent(const juce::Image& image, int x, int y)
{
    return image.getPixelAt(x, y).getAlpha() == 0;
}

// Runs a left click through the hierarchy as a mouse would: the click lands on whatever the
// editor's hit-testing finds at that point.
inline juce::Component* clickAt(juce::Component& root, juce::Point<int> position)
{
    auto* target = root.getComponentAt(position);
    if (target == nullptr)
        return nullptr;

    const auto local = target->getLocalPoint(&root, position).toFloat();
    const auto now = juce::Time::getCurrentTime();
    auto source = juce::Desktop::getInstance().getMainMouseSource();
    const juce::MouseEvent down(source, local, juce::ModifierKeys(juce::ModifierKeys::leftButtonModifier),
                                1.0f, 0.0f, 0.0f, 0.0f, 0.0f, target, target, now, local, now, 1, false);
    const juce::MouseEvent up(source, local, juce::ModifierKeys(), 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, target,
                              target, now, local, now, 1, false);
    target->mouseDown(down);
    target->mouseUp(up);
    return target;
}

inline void setParameter(SorvandelAudioProcessor& processor, const juce::String& id, float value)
{
    auto* parameter = processor.valueTreeState.getParameter(id);
    parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
}

inline float parameterValue(SorvandelAudioProcessor& processor, const juce::String& id)
{
    return processor.valueTreeState.getRawParameterValue(id)->load();
}
} // namespace editortest
