#include "BareFloors.h"

#include <cmath>

OversampledTanhFloor::OversampledTanhFloor(int blockSize)
    : oversampler(2, 2, juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR, true, true)
{
    oversampler.initProcessing(static_cast<size_t>(blockSize));
}

void OversampledTanhFloor::process(juce::AudioBuffer<float>& buffer)
{
    juce::dsp::AudioBlock<float> block(buffer);
    auto up = oversampler.processSamplesUp(block);
    for (size_t channel = 0; channel < up.getNumChannels(); ++channel)
    {
        auto* samples = up.getChannelPointer(channel);
        for (size_t i = 0; i < up.getNumSamples(); ++i)
            samples[i] = tanhf(samples[i]);
    }
    oversampler.processSamplesDown(block);
}

DelayLinesFloor::DelayLinesFloor(double sampleRate, int blockSize)
{
    const float spread = 0.37f, delay = 2500.0f;
    const std::array<float, 7> lengths{347.0f + delay,
                                       (spread + 1.0f) * delay + 113.0f,
                                       (spread * 3.0f + 3.0f) * delay + 37.0f,
                                       (spread * 5.0f + 3.0f) * delay + 1687.0f,
                                       (spread * 7.0f + 3.0f) * delay + 1601.0f,
                                       (spread * 11.0f + 3.0f) * delay + 2053.0f,
                                       (spread * 13.0f + 3.0f) * delay + 2251.0f};

    for (size_t n = 0; n < lines.size(); ++n)
    {
        lines[n].prepare({sampleRate, static_cast<juce::uint32>(blockSize), 2});
        lines[n].setMaximumDelayInSamples(static_cast<int>(4.0 * sampleRate));
        lines[n].setDelay(lengths[n]);
    }
}

void DelayLinesFloor::process(juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < 2; ++channel)
    {
        auto* samples = buffer.getWritePointer(channel);
        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            float s = samples[i];
            for (size_t n = 0; n < 3; ++n)
            {
                const float d = lines[n].popSample(channel);
                lines[n].pushSample(channel, s - 0.7f * d);
                s = s * 0.7f + d;
            }
            float taps = 0.0f;
            for (size_t n = 3; n < 7; ++n)
            {
                taps += lines[n].popSample(channel) * 0.7f + s;
                lines[n].pushSample(channel, s);
            }
            samples[i] = 0.25f * taps;
        }
    }
}

FilterDesignsFloor::FilterDesignsFloor(double rate, bool skewMapping)
    : withSkewMapping(skewMapping)
{
    const juce::dsp::ProcessSpec spec{rate, 512, 1};
    for (auto* filter : {&highLeft, &highRight, &lowLeft, &lowRight})
    {
        filter->prepare(spec);
        filter->setResonance(4.0f);
    }
    highLeft.setType(StateVariable::Type::highpass);
    highRight.setType(StateVariable::Type::highpass);
    skewed.skew = 0.3f;
}

// The sweep and the ranges are held locally for the block: as members, every store into the
// filters could alias them and force reloads that the units do not pay.
void FilterDesignsFloor::process(juce::AudioBuffer<float>& buffer)
{
    const auto from = linear;
    const auto to = skewed;
    const bool mapped = withSkewMapping;
    const auto map = [&](float cutoff)
    { return mapped ? to.convertFrom0to1(from.convertTo0to1(cutoff)) : cutoff; };
    auto* left = buffer.getWritePointer(0);
    auto* right = buffer.getWritePointer(1);
    float position = sweep;

    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        position = position < 1.0f ? position + 1.0e-5f : 0.0f;
        const float high = map(100.0f + 3000.0f * position);
        const float low = map(18000.0f - 15000.0f * position);
        highLeft.setCutoffFrequency(high);
        highRight.setCutoffFrequency(high);
        lowLeft.setCutoffFrequency(low);
        lowRight.setCutoffFrequency(low);
        left[i] = lowLeft.processSample(0, highLeft.processSample(0, left[i]));
        right[i] = lowRight.processSample(0, highRight.processSample(0, right[i]));
    }

    sweep = position;
}
