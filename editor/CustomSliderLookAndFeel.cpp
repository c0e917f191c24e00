#include "CustomSliderLookAndFeel.h"

namespace
{
constexpr float barHeight = 20.0f;
constexpr float barCorner = 5.0f;

// px(f) on a linear 20..20000 Hz scale across the slider's own width less 20 px.
float cutoffToPixels(float frequency, int sliderWidth)
{
    return (frequency - 20.0f) * (float) (sliderWidth - 20) / 19980.0f + 20.0f;
}

struct KnobGeometry
{
    KnobGeometry(int width, int height)
        : diameter(juce::jmin(width, height) - 5)
        , left((width - diameter) / 2)
        , top((height - diameter) / 2)
        , radius(diameter / 2)
    {
    }

    juce::Point<float> centre() const { return {(float) (left + radius), (float) (top + radius)}; }
    juce::Rectangle<float> disc() const
    {
        return {(float) left, (float) top, (float) diameter, (float) diameter};
    }

    int diameter, left, top, radius;
};

struct KnobStyle
{
    float rotation, wedgeAngle, gradientReach, pointerAngle;
    juce::Colour innerColour, outerColour;
};

// Bipolar knobs grow their wedge from 12 o'clock either way; unipolar ones clockwise from 3 o'clock.
KnobStyle knobStyle(bool bipolar, float p)
{
    const auto pointerTravel = p * 359.0f * juce::MathConstants<float>::pi / 180.0f;

    if (bipolar)
        return {0.0f,
                (float) (((double) p - 0.5) * 2.0 * juce::MathConstants<double>::pi),
                20.0f,
                pointerTravel + juce::MathConstants<float>::halfPi,
                juce::Colours::blue,
                juce::Colours::red};

    return {juce::MathConstants<float>::halfPi,
            juce::MathConstants<float>::twoPi * p,
            100.0f,
            pointerTravel,
            juce::Colours::blue,
            juce::Colour(0xffdc9ec5)};
}

void drawKnobWedge(juce::Graphics& g, const KnobGeometry& knob, const KnobStyle& style, float p)
{
    const auto c = knob.centre();
    const auto r = (float) knob.radius;

    juce::Path wedge;
    wedge.addCentredArc(c.x, c.y, r, r, style.rotation, 0.0f, style.wedgeAngle, true);
    wedge.lineTo(c);

    // The framework's fill does not close an open sub-path: without this the edge from the
    // centre back to 12 o'clock is missing and a bipolar wedge loses its upper half.
    wedge.closeSubPath();

    // The gradient's far point moves out with the value, so the wedge's colour spreads as it grows.
    const auto reach = (float) (knob.left + knob.diameter) + style.gradientReach * p;
    const auto farY = (float) (knob.top + knob.diameter) + style.gradientReach * p;
    g.setGradientFill(juce::ColourGradient(style.innerColour, c, style.outerColour, {reach, farY}, true));
    g.fillPath(wedge);
}

void drawKnobPointer(juce::Graphics& g, const KnobGeometry& knob, const KnobStyle& style, bool bipolar)
{
    const auto c = knob.centre();
    const auto length = (float) knob.diameter * 0.5f;

    g.setColour(juce::Colours::white);
    g.drawLine(c.x, c.y, c.x + std::cos(style.pointerAngle) * length,
               c.y + std::sin(style.pointerAngle) * length, 2.0f);

    // A fixed mark on the wedge's zero, from the centre to the disc's right edge.
    if (!bipolar)
        g.drawLine(c.x, c.y, (float) (knob.left + knob.diameter), c.y, 2.0f);
}

void drawKnobRing(juce::Graphics& g, const KnobGeometry& knob)
{
    juce::Path ring;
    ring.addEllipse(knob.disc());
    ring.addEllipse(knob.disc().expanded(1.0f));
    ring.setUsingNonZeroWinding(false);

    g.setColour(juce::Colours::white);
    g.fillPath(ring);
}
} // namespace

CustomSliderLookAndFeel::CustomSliderLookAndFeel(juce::AudioProcessorValueTreeState& state)
    : valueTreeState(state)
{
}

CustomSliderLookAndFeel::~CustomSliderLookAndFeel() = default;

void CustomSliderLookAndFeel::drawToggleButton(juce::Graphics& g, juce::ToggleButton& button, bool, bool)
{
    const auto centreX = (float) button.getWidth() * 0.5f;
    const auto centreY = (float) button.getHeight() * 0.5f;

    // The arrow points from the stage that runs first to the one that runs second.
    const auto tipOffset = button.getToggleState() ? -10.0f : 10.0f;

    juce::Path arrow;
    arrow.addTriangle(centreX + tipOffset, centreY, centreX - tipOffset, centreY - 10.0f, centreX - tipOffset,
                      centreY + 10.0f);

    g.setColour(juce::Colours::lightgrey);
    g.fillPath(arrow);
}

void CustomSliderLookAndFeel::drawLinearSlider(juce::Graphics& g, int x, int y, int width, int height,
                                               float sliderPos, float, float, juce::Slider::SliderStyle,
                                               juce::Slider& slider)
{
    if (slider.getComponentID() == "gainSlider")
        drawFader(g, x, y, width, height, sliderPos);
    else
        drawBar(g, x, y, width, height, sliderPos, slider);
}

void CustomSliderLookAndFeel::drawRotarySlider(juce::Graphics& g, int, int, int width, int height,
                                               float sliderPosProportional, float, float,
                                               juce::Slider& slider)
{
    const auto bipolar = slider.getComponentID() == "envKnob";
    const KnobGeometry knob(width, height);
    const auto style = knobStyle(bipolar, sliderPosProportional);

    g.setColour(juce::Colours::black);
    g.fillEllipse(knob.disc());

    drawKnobWedge(g, knob, style, sliderPosProportional);
    drawKnobPointer(g, knob, style, bipolar);
    drawKnobRing(g, knob);
}

void CustomSliderLookAndFeel::drawFader(juce::Graphics& g, int x, int y, int width, int height,
                                        float sliderPos)
{
    const auto track = (float) (width - 4) * 0.5f + (float) x;
    const auto top = (float) y;

    g.setColour(juce::Colours::lightgrey);
    g.fillRect(track, top, 4.0f, (float) height);

    juce::Path dots;
    for (int offset = 0; offset < height; offset += 10)
        dots.addRectangle(track + 1.0f, top + (float) offset, 2.0f, 2.0f);
    g.setColour(juce::Colours::darkgrey);
    g.fillPath(dots);

    // 0 dB sits 24/124 of the way down the gain parameters' -100..+24 dB range.
    const auto unityGain = top + (float) height / 5.16f;
    g.setColour(juce::Colours::orange);
    g.drawLine(track - 5.0f, unityGain, track + 9.0f, unityGain, 2.0f);

    juce::Path thumb;
    thumb.addTriangle(track + 2.0f, sliderPos, track + 14.0f, sliderPos - 6.0f, track + 14.0f,
                      sliderPos + 6.0f);
    g.setColour(juce::Colours::lightblue);
    g.fillPath(thumb);
    g.setColour(juce::Colours::black);
    g.strokePath(thumb, juce::PathStrokeType(1.0f));
}

void CustomSliderLookAndFeel::drawBar(juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                                      juce::Slider& slider)
{
    const auto left = (float) x;
    const auto top = ((float) height - barHeight) * 0.5f + (float) y;
    const juce::Rectangle<float> track(left, top, (float) width, barHeight);

    // The first two fills only show in the anti-aliased edge pixels of the third.
    g.setColour(juce::Colours::darkgrey.darker(0.3f));
    g.fillRoundedRectangle(track, barCorner);
    g.setGradientFill(juce::ColourGradient(juce::Colours::darkgrey.brighter(0.5f), 0.0f, top,
                                           juce::Colours::darkgrey, 0.0f, top + barHeight, false));
    g.fillRoundedRectangle(track, barCorner);
    g.setGradientFill(juce::ColourGradient(juce::Colour(0xff6da99a), left, top, juce::Colour(0xffabca8c),
                                           sliderPos, top, false));
    g.fillRoundedRectangle(track, barCorner);

    g.setColour(juce::Colours::black);
    g.fillRoundedRectangle(sliderPos, top, left + (float) width - sliderPos, barHeight, barCorner);

    g.setColour(juce::Colours::white);
    drawCutoffOverlay(g, sliderPos, top, slider);
    g.drawRoundedRectangle(track, barCorner, 2.0f);

    g.setColour(juce::Colours::lightcyan);
    g.drawLine(sliderPos, top, sliderPos, top + barHeight, 6.0f);
    g.drawRect(0, 0, width + 20, height, 1);
}

void CustomSliderLookAndFeel::drawCutoffOverlay(juce::Graphics& g, float sliderPos, float top,
                                                juce::Slider& slider)
{
    lowPassValue = valueTreeState.getRawParameterValue("lowPass")->load();
    highPassValue = valueTreeState.getRawParameterValue("highPass")->load();

    const auto& id = slider.getComponentID();
    if (id != "lpf" && id != "hpf")
        return;

    const auto set = id == "lpf" ? lowPassValue : highPassValue;
    const auto current = id == "lpf" ? currentLowPassCutoff : currentHighPassCutoff;

    // Signed width: the bar runs right of the thumb when the envelope raises the cutoff and left
    // of it when the envelope lowers it; equal values leave it empty. The rectangle keeps the
    // sign, which the overload taking four numbers refuses.
    const auto length = cutoffToPixels(current, slider.getWidth()) - cutoffToPixels(set, slider.getWidth());
    g.fillRoundedRectangle(juce::Rectangle<float>(sliderPos, top, length, barHeight),
                           set > current ? 2.0f : barCorner);
}
