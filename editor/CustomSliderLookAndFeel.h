#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

// The editor's own drawing of knobs, sliders and the two order switches. The component ID of a
// control picks the variant: "envKnob" a bipolar knob, "gainSlider" a fader, "lpf" and "hpf" a
// bar that also shows how far the filter envelopes move the cutoff; anything else a unipolar
// knob or a plain bar.
class CustomSliderLookAndFeel : public juce::LookAndFeel_V4
{
public:
    explicit CustomSliderLookAndFeel(juce::AudioProcessorValueTreeState& state);
    ~CustomSliderLookAndFeel() override;

    void drawToggleButton(juce::Graphics& g, juce::ToggleButton& button, bool shouldDrawButtonAsHighlighted,
                          bool shouldDrawButtonAsDown) override;

    void drawLinearSlider(juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                          float minSliderPos, float maxSliderPos, juce::Slider::SliderStyle style,
                          juce::Slider& slider) override;

    void drawRotarySlider(juce::Graphics& g, int x, int y, int width, int height, float sliderPosProportional,
                          float rotaryStartAngle, float rotaryEndAngle, juce::Slider& slider) override;

    // The processor's published cutoffs, copied in by the editor's timer. They start at the
    // parameters' defaults, so an untouched filter shows no overlay before the first tick.
    float currentLowPassCutoff = 20000.0f;
    float currentHighPassCutoff = 20.0f;

private:
    void drawFader(juce::Graphics& g, int x, int y, int width, int height, float sliderPos);
    void drawBar(juce::Graphics& g, int x, int y, int width, int height, float sliderPos,
                 juce::Slider& slider);
    void drawCutoffOverlay(juce::Graphics& g, float sliderPos, float top, juce::Slider& slider);

    // Set values of "lowPass" and "highPass", re-read on every bar drawing.
    float lowPassValue = 0.0f;
    float highPassValue = 0.0f;

    juce::AudioProcessorValueTreeState& valueTreeState;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(CustomSliderLookAndFeel)
};
