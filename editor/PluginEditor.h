#pragma once

#include "CustomSliderLookAndFeel.h"
#include "Meter.h"
#include "PluginProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

// A caption written one character per line, top to bottom, as a centred column.
class VerticalLabel : public juce::Label
{
public:
    VerticalLabel();
    ~VerticalLabel() override;

    void paint(juce::Graphics& g) override;
};

// The plug-in's fixed-size window. Every 24 ms it copies the processor's published cutoffs and
// meter values into its look-and-feel and meters and repaints.
class SorvandelAudioProcessorEditor : public juce::AudioProcessorEditor, public juce::Timer
{
public:
    explicit SorvandelAudioProcessorEditor(SorvandelAudioProcessor& processorToEdit);
    ~SorvandelAudioProcessorEditor() override;

    void paint(juce::Graphics& g) override;
    void resized() override;
    void timerCallback() override;

private:
    using SliderAttachment = juce::AudioProcessorValueTreeState::SliderAttachment;
    using ButtonAttachment = juce::AudioProcessorValueTreeState::ButtonAttachment;
    using ComboBoxAttachment = juce::AudioProcessorValueTreeState::ComboBoxAttachment;

    void addOrderSwitch(juce::ToggleButton& button, std::unique_ptr<ButtonAttachment>& attachment,
                        const juce::String& parameterId);
    void addSlider(juce::Slider& slider, juce::Slider::SliderStyle style, const juce::String& componentId,
                   std::unique_ptr<SliderAttachment>& attachment, const juce::String& parameterId);
    void addCaption(juce::Label& caption, const juce::String& text);
    void addSliders();
    void addCaptions();
    void addDistTypeBox();

    void layOutSideStrip(juce::Rectangle<int> strip, Meter& left, Meter& right, juce::Slider& gain);
    void layOutKnobRow(juce::Rectangle<int> upperHalf, int columnWidth);
    void layOutFilterColumn(juce::Rectangle<int> column, int envelopeKnobWidth, juce::Label& envCaption,
                            juce::Slider& envKnob, juce::Label& skewCaption, juce::Slider& skewKnob,
                            juce::Slider& cutoff, juce::Slider& attack, juce::Slider& release,
                            juce::Slider& q, juce::Label& groupCaption);
    void layOutCaptionColumn(juce::Rectangle<int> column);
    void layOutMixColumn(juce::Rectangle<int> column);

    void drawImage(juce::Graphics& g, juce::Image& image, const char* data, int size,
                   juce::Rectangle<float> target);

    // Destroyed in reverse order: captions, then the attachments while their controls still
    // exist, then the look-and-feel (cleared from every control in the destructor), then the
    // controls themselves.
    SorvandelAudioProcessor& audioProcessor;

    Meter inputMeterLeft, inputMeterRight, outputMeterLeft, outputMeterRight;

    juce::Image titleBannerImage, logoImage, backgroundImage;

    juce::Slider delayKnob, feedbackKnob, distortionKnob, highPassSlider, lowPassSlider, dryWetKnob,
        lowPassQSlider, highPassQSlider, lpfEnvKnob, hpfEnvKnob, lpfEnvAttackSlider, lpfEnvReleaseSlider,
        hpfEnvAttackSlider, hpfEnvReleaseSlider, lpfSkewKnob, hpfSkewKnob, inputGainSlider, outputGainSlider;

    juce::ToggleButton signalOrderButton, filterOrderButton;

    juce::ComboBox distTypeBox;

    CustomSliderLookAndFeel customLookAndFeel;

    std::unique_ptr<ButtonAttachment> signalOrderAttachment, filterOrderAttachment;
    std::unique_ptr<SliderAttachment> delayAttachment, feedbackAttachment, distortionAttachment,
        lowPassAttachment, highPassAttachment, dryWetAttachment, lowPassQAttachment, highPassQAttachment,
        lpfEnvAttachment, hpfEnvAttachment, lpfEnvAttackAttachment, lpfEnvReleaseAttachment,
        hpfEnvAttackAttachment, hpfEnvReleaseAttachment, lpfSkewAttachment, hpfSkewAttachment,
        inputGainAttachment, outputGainAttachment;
    std::unique_ptr<ComboBoxAttachment> distTypeAttachment;

    juce::Label delayLabel, feedbackLabel, distortionLabel, dryWetLabel, highPassLabel, qLabel, freqLabel,
        lowPassLabel, filterOrderLabel, inputGainLabel, outputGainLabel, attackReleaseLabel, signalOrderLabel;

    VerticalLabel hpfSkewLabel, hpfEnvLabel, lpfSkewLabel, lpfEnvLabel;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SorvandelAudioProcessorEditor)
};
