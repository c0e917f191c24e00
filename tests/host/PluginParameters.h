#pragma once

#include "HostedPlugin.h"

#include <array>
#include <string>
#include <vector>

// The plug-in's own 24 parameters as the host lists them, found once by title so that
// automating them costs no search through the framework's 2000-odd controller parameters.
class PluginParameters
{
public:
    static constexpr int count = 24;
    static const std::array<const char*, count> ids;

    explicit PluginParameters(HostedPlugin& plugin);

    // The position of a parameter in the plug-in's list, or -1.
    static int indexOf(const juce::String& id);

    // A value in the parameter's own units as the normalised value a host sends for it.
    static float normalised(const juce::String& id, float value);

    bool complete() const;

    // Sets a normalised value the way a host automates: one gesture, then the new value.
    void set(int index, float normalisedValue);

    // A random value for every parameter. A fifth of them land on an end of the range, where
    // the extremes (Q 25, +24 dB, the longest delays) live.
    std::vector<float> randomise(juce::Random& random);
    void setAll(const std::vector<float>& normalisedValues);

    static float randomValue(juce::Random& random);

    std::vector<float> values() const;
    float value(int index) const;

    // The settings as "id=value" pairs in the parameters' own units, for failure messages.
    std::string describe() const;

private:
    std::array<juce::AudioProcessorParameter*, count> parameters{};
};
