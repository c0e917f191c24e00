#pragma once

#include "Distortion.h"

#include <array>
#include <limits>

// Seven-line reverb: three recursive sections in series feeding four taps. Runs the
// distortion before or after its network.
class SVerb
{
public:
    explicit SVerb(juce::AudioProcessorValueTreeState& state);

    void prepare(const juce::dsp::ProcessSpec& spec);
    // Empties the lines and the distortion's filters; lengths and settings stay.
    void reset() noexcept;
    void process(juce::AudioBuffer<float>& buffer, std::atomic<float>* delay, std::atomic<float>* feedback);

    // The lines' current lengths in samples, in the order allpass1..3, tap1..4.
    std::array<float, 7> getDelayLengths() const;

private:
    using Line = juce::dsp::DelayLine<float, juce::dsp::DelayLineInterpolationTypes::Linear>;

    std::array<Line*, 7> allLines() noexcept;
    void setLengths(float delay, float spread);
    float processSample(int channel, float input);

    Line allpass1, allpass2, allpass3;
    Line tap1, tap2, tap3, tap4;
    std::array<int, 7> baseDelays{};
    juce::AudioProcessorValueTreeState& valueTreeState;
    Distortion distortionUnit;

    // Bound by prepare: the state is built after this unit.
    std::atomic<float>* signalOrderValue = nullptr;
    // The readings the lengths were last set from; NaN forces the first setting after prepare.
    float lengthsDelay = std::numeric_limits<float>::quiet_NaN();
    float lengthsSpread = std::numeric_limits<float>::quiet_NaN();
};
