#include "Distortion.h"

Distortion::Distortion(juce::AudioProcessorValueTreeState& state)
    : valueTreeState(state)
{
}

void Distortion::prepare(const juce::dsp::ProcessSpec&) {}

void Distortion::process(juce::AudioBuffer<float>&) {}
