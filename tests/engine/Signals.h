#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <cmath>

// Reproducible test signals and the checks made on what comes back.
namespace signals
{
inline juce::AudioBuffer<float> noise(int numChannels, int numSamples, juce::int64 seed,
                                      float amplitude = 0.5f)
{
    juce::Random random(seed);
    juce::AudioBuffer<float> buffer(numChannels, numSamples);

    for (int channel = 0; channel < numChannels; ++channel)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample(channel, i, amplitude * (2.0f * random.nextFloat() - 1.0f));

    return buffer;
}

inline juce::AudioBuffer<float> sine(int numChannels, int numSamples, double frequency, double sampleRate,
                                     float amplitude, int startSample = 0)
{
    juce::AudioBuffer<float> buffer(numChannels, numSamples);

    for (int channel = 0; channel < numChannels; ++channel)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample(channel, i,
                             amplitude * (float) std::sin(juce::MathConstants<double>::twoPi * frequency *
                                                          (startSample + i) / sampleRate));

    return buffer;
}

inline juce::AudioBuffer<float> constant(int numChannels, int numSamples, float value)
{
    juce::AudioBuffer<float> buffer(numChannels, numSamples);

    for (int channel = 0; channel < numChannels; ++channel)
        juce::FloatVectorOperations::fill(buffer.getWritePointer(channel), value, numSamples);

    return buffer;
}

inline juce::AudioBuffer<float> scaled(const juce::AudioBuffer<float>& source, float gain)
{
    juce::AudioBuffer<float> buffer(source);

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample(channel, i, source.getSample(channel, i) * gain);

    return buffer;
}

inline bool allFinite(const juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (!std::isfinite(buffer.getSample(channel, i)))
                return false;

    return true;
}

inline float maxDifference(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    float largest = 0.0f;

    for (int channel = 0; channel < a.getNumChannels(); ++channel)
        for (int i = 0; i < a.getNumSamples(); ++i)
            largest = std::max(largest, std::abs(a.getSample(channel, i) - b.getSample(channel, i)));

    return largest;
}
} // namespace signals
