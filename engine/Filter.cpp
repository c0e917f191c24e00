#include "Filter.h"

Filter::Filter(juce::AudioProcessorValueTreeState& state)
    : valueTreeState(state)
{
}

void Filter::prepare(const juce::dsp::ProcessSpec&) {}

void Filter::process(juce::dsp::ProcessContextReplacing<float>) {}
