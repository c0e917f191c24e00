#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <atomic>

// Measures one point of the chain, left and right, and publishes what the editor's meters
// show there: an RMS level in dB and whether any sample went above full scale.
class LevelMeter
{
public:
    LevelMeter(std::atomic<float>& levelLeft, std::atomic<float>& levelRight, std::atomic<bool>& clipLeft,
               std::atomic<bool>& clipRight);

    void measure(const juce::AudioBuffer<float>& buffer) noexcept;

    // Gain to dB with a floor of -100 dB; zero, negative and NaN gains read as the floor.
    static float toDecibels(float gain) noexcept;
    static float levelInDecibels(const juce::AudioBuffer<float>& buffer, int channel) noexcept;
    static bool clips(const juce::AudioBuffer<float>& buffer, int channel) noexcept;

private:
    static void measureClip(const juce::AudioBuffer<float>& buffer, int channel,
                            std::atomic<bool>& flag) noexcept;

    std::atomic<float>& levelLeft;
    std::atomic<float>& levelRight;
    std::atomic<bool>& clipLeft;
    std::atomic<bool>& clipRight;
};
