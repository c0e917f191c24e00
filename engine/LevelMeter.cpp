#include "LevelMeter.h"

LevelMeter::LevelMeter(std::atomic<float>& levelLeftToUse, std::atomic<float>& levelRightToUse,
                       std::atomic<bool>& clipLeftToUse, std::atomic<bool>& clipRightToUse)
    : levelLeft(levelLeftToUse)
    , levelRight(levelRightToUse)
    , clipLeft(clipLeftToUse)
    , clipRight(clipRightToUse)
{
}

void LevelMeter::measure(const juce::AudioBuffer<float>& buffer) noexcept
{
    levelLeft.store(levelInDecibels(buffer, 0));
    levelRight.store(levelInDecibels(buffer, 1));
    measureClip(buffer, 0, clipLeft);
    measureClip(buffer, 1, clipRight);
}

float LevelMeter::toDecibels(float gain) noexcept
{
    return juce::Decibels::gainToDecibels(gain);
}

float LevelMeter::levelInDecibels(const juce::AudioBuffer<float>& buffer, int channel) noexcept
{
    if (channel >= buffer.getNumChannels())
        return toDecibels(0.0f);

    return toDecibels(buffer.getRMSLevel(channel, 0, buffer.getNumSamples()));
}

bool LevelMeter::clips(const juce::AudioBuffer<float>& buffer, int channel) noexcept
{
    if (channel >= buffer.getNumChannels())
        return false;

    // Only positive overs count, as the dB mapping of a negative sample is the floor; comparing
    // with 1.0 gives the same answer as the logarithm, and NaN compares false.
    const auto* samples = buffer.getReadPointer(channel);
    bool clipped = false;

    for (int i = 0; i < buffer.getNumSamples(); ++i)
        clipped |= samples[i] > 1.0f;

    return clipped;
}

void LevelMeter::measureClip(const juce::AudioBuffer<float>& buffer, int channel,
                             std::atomic<bool>& flag) noexcept
{
    // An empty block says nothing about clipping, so the last verdict stands; a missing
    // channel never clips.
    if (channel < buffer.getNumChannels() && buffer.getNumSamples() == 0)
        return;

    flag.store(clips(buffer, channel));
}
