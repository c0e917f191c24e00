#include "TestSignals.h"

#include <cmath>

namespace testSignals
{
void fillSine(juce::AudioBuffer<float>& buffer, double frequency, double sampleRate, float amplitude)
{
    const auto step = juce::MathConstants<double>::twoPi * frequency / sampleRate;

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample(channel, i, amplitude * (float) std::sin(step * i));
}

void fillNoise(juce::AudioBuffer<float>& buffer, float amplitude, std::int64_t seed)
{
    juce::Random random(seed);

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample(channel, i, amplitude * (2.0f * random.nextFloat() - 1.0f));
}

double rms(const juce::AudioBuffer<float>& buffer, int channel, int start, int length)
{
    if (length <= 0)
        return 0.0;

    double sum = 0.0;
    const auto* samples = buffer.getReadPointer(channel, start);

    for (int i = 0; i < length; ++i)
        sum += (double) samples[i] * (double) samples[i];

    return std::sqrt(sum / length);
}

bool allFinite(const juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (!std::isfinite(buffer.getSample(channel, i)))
                return false;

    return true;
}

double toDecibels(double level)
{
    return level > 0.0 ? juce::jmax(-100.0, 20.0 * std::log10(level)) : -100.0;
}
} // namespace testSignals
