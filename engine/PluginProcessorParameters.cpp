#include "PluginProcessor.h"

namespace
{
using Layout = juce::AudioProcessorValueTreeState::ParameterLayout;

constexpr int versionHint = 1;

void addInt(Layout& layout, const char* id, int minimum, int maximum, int defaultValue)
{
    layout.add(std::make_unique<juce::AudioParameterInt>(juce::ParameterID{id, versionHint}, id, minimum,
                                                         maximum, defaultValue));
}

// The framework's short form: interval 0.01.
void addFloat(Layout& layout, const char* id, float minimum, float maximum, float defaultValue)
{
    layout.add(std::make_unique<juce::AudioParameterFloat>(juce::ParameterID{id, versionHint}, id, minimum,
                                                           maximum, defaultValue));
}

void addFloat(Layout& layout, const char* id, juce::NormalisableRange<float> range, float defaultValue)
{
    layout.add(std::make_unique<juce::AudioParameterFloat>(juce::ParameterID{id, versionHint}, id, range,
                                                           defaultValue));
}
} // namespace

juce::AudioProcessorValueTreeState::ParameterLayout SorvandelAudioProcessor::createParameters()
{
    Layout layout;

    addInt(layout, "delay", 0, 2500, 0);
    addFloat(layout, "feedback", 0.0f, 1.0f, 0.0f);
    addInt(layout, "distortion", 1, 99, 1);
    addFloat(layout, "lowPass", {20.0f, 20000.0f, 0.1f, 1.0f}, 20000.0f);
    addFloat(layout, "highPass", {20.0f, 20000.0f, 0.1f, 1.0f}, 20.0f);
    addFloat(layout, "dryWet", 0.0f, 1.0f, 1.0f);
    addFloat(layout, "lowPassQ", {1.0f, 25.0f, 0.1f, 1.0f}, 1.0f);
    addFloat(layout, "highPassQ", {1.0f, 25.0f, 0.1f, 1.0f}, 1.0f);
    addFloat(layout, "freqGain", {1.0f, 12.0f, 0.1f, 1.0f}, 1.0f);
    addFloat(layout, "freqQ", {1.0f, 25.0f, 0.1f, 1.0f}, 1.0f);
    addFloat(layout, "ratio", {1.0f, 16.0f, 1.0f, 1.0f}, 1.0f);
    addInt(layout, "signalOrder", 0, 1, 0);
    addInt(layout, "filterOrder", 0, 1, 0);
    addInt(layout, "distType", 1, 3, 1);
    addFloat(layout, "lpfEnv", -20000.0f, 20000.0f, 0.0f);
    addFloat(layout, "hpfEnv", -20000.0f, 20000.0f, 0.0f);
    addFloat(layout, "lpfEnvAttack", 0.0f, 3.0f, 0.0f);
    addFloat(layout, "lpfEnvRelease", 0.0f, 3.0f, 1.0f);
    addFloat(layout, "hpfEnvAttack", 0.0f, 3.0f, 0.0f);
    addFloat(layout, "hpfEnvRelease", 0.0f, 3.0f, 1.0f);
    addFloat(layout, "lpfSkew", 0.1f, 1.0f, 1.0f);
    addFloat(layout, "hpfSkew", 0.1f, 1.0f, 1.0f);
    addFloat(layout, "inputGain", {-100.0f, 24.0f, 0.1f, 1.0f}, 0.0f);
    addFloat(layout, "outputGain", {-100.0f, 24.0f, 0.1f, 1.0f}, 0.0f);

    return layout;
}
