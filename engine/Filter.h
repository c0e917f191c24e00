#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

// High-pass then low-pass biquad pair whose cutoffs two MIDI-triggered envelopes sweep.
class Filter
{
public:
    explicit Filter(juce::AudioProcessorValueTreeState& state);

    void prepare(const juce::dsp::ProcessSpec& spec);
    void process(juce::dsp::ProcessContextReplacing<float> context);

    bool noteOnPending = false;
    bool noteOffPending = false;
    float modulatedLowPassCutoff = 20000.0f;
    float modulatedHighPassCutoff = 20.0f;

private:
    juce::AudioProcessorValueTreeState& valueTreeState;
};
