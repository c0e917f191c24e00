#include "SVerb.h"

SVerb::SVerb(juce::AudioProcessorValueTreeState& state)
    : valueTreeState(state)
    , distortionUnit(state)
{
}

void SVerb::prepare(const juce::dsp::ProcessSpec& spec)
{
    distortionUnit.prepare(spec);
}

void SVerb::process(juce::AudioBuffer<float>&, std::atomic<float>*, std::atomic<float>*) {}
