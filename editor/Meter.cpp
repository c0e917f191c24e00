#include "Meter.h"

namespace
{
constexpr float inset = 5.0f;
constexpr float cornerSize = 5.0f;
constexpr float capHeight = 10.0f;
} // namespace

Meter::~Meter() = default;

void Meter::paint(juce::Graphics& g)
{
    const auto w = (float) getWidth();
    const auto h = (float) getHeight();
    const auto innerWidth = juce::jmax(w - 2.0f * inset, 0.0f);

    g.setColour(juce::Colours::lightblue);
    g.drawRoundedRectangle(inset, inset, innerWidth, juce::jmax(h - 2.0f * inset, 0.0f), cornerSize, 1.0f);

    // Fixed to the component rather than to the bar, so a pixel keeps its colour whatever the level.
    juce::ColourGradient gradient(juce::Colours::lightpink, 0.0f, 0.0f, juce::Colours::palegreen, w, h,
                                  false);
    gradient.addColour(0.5, juce::Colours::lightblue);

    // Limited above only: a level under -100 dB gives a negative height, which fills nothing.
    const auto barHeight = juce::jmin(h, juce::jmap(levelDb, -100.0f, 6.0f, 0.0f, h));
    const auto barTop = h - barHeight + inset;
    const auto filledHeight = juce::jmax(barHeight - 2.0f * inset, 0.0f);

    g.setGradientFill(gradient);
    g.fillRoundedRectangle(inset, barTop, innerWidth, filledHeight, cornerSize);

    g.setColour(juce::Colours::red);
    if (clipping)
        g.fillRoundedRectangle(inset, barTop, innerWidth, juce::jmin(filledHeight, capHeight), cornerSize);
}
