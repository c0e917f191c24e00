#pragma once

#include <juce_dsp/juce_dsp.h>

#include <array>

// The bare framework work that the DSP units cannot avoid, with fixed settings, so that a unit's
// cost can be read against what no implementation of it could save. Each floor processes a
// stereo block in place.

// The distortion's floor: the 4x oversampling round trip with tanhf on every oversampled sample.
class OversampledTanhFloor
{
public:
    explicit OversampledTanhFloor(int blockSize);

    void process(juce::AudioBuffer<float>& buffer);

private:
    juce::dsp::Oversampling<float> oversampler;
};

// The reverb network's pops and pushes on seven lines at the fractional lengths of the heaviest
// setting (delay 2500, feedback 0.37).
class DelayLinesFloor
{
public:
    DelayLinesFloor(double sampleRate, int blockSize);

    void process(juce::AudioBuffer<float>& buffer);

private:
    using Line = juce::dsp::DelayLine<float, juce::dsp::DelayLineInterpolationTypes::Linear>;

    std::array<Line, 7> lines;
};

// Four state-variable steps per frame, with both cutoffs moving at every sample, so that each of
// the four filters recomputes its design. With the skew mapping, each cutoff first goes through
// the framework's skewed range as the unit's do, which a skew below 1 cannot avoid either.
class FilterDesignsFloor
{
public:
    FilterDesignsFloor(double rate, bool skewMapping);

    void process(juce::AudioBuffer<float>& buffer);

private:
    using StateVariable = juce::dsp::StateVariableTPTFilter<float>;

    bool withSkewMapping;
    StateVariable highLeft, highRight, lowLeft, lowRight;
    juce::NormalisableRange<float> linear{20.0f, 20000.0f, 1.0f};
    juce::NormalisableRange<float> skewed{20.0f, 20000.0f, 1.0f};
    float sweep = 0.0f;
};
