#pragma once

#include "Distortion.h"

// Seven-line reverb: three recursive sections in series feeding four taps. Runs the
// distortion before or after its network.
class SVerb
{
public:
    explicit SVerb(juce::AudioProcessorValueTreeState& state);

    void prepare(const juce::dsp::ProcessSpec& spec);
    void process(juce::AudioBuffer<float>& buffer, std::atomic<float>* delay, std::atomic<float>* feedback);

private:
    juce::AudioProcessorValueTreeState& valueTreeState;
    Distortion distortionUnit;
};
