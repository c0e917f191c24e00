#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <array>

// 4x-oversampled waveshaper: drive, one of three curves, then a trim of 1/sqrt(drive).
class Distortion
{
public:
    explicit Distortion(juce::AudioProcessorValueTreeState& state);

    void prepare(const juce::dsp::ProcessSpec& spec);
    void reset() noexcept;
    void process(juce::AudioBuffer<float>& buffer);

    // Whole base-rate samples by which the output trails the input.
    int getLatencyInSamples() const;

private:
    juce::dsp::AudioBlock<float> blockOf(juce::AudioBuffer<float>& buffer);
    void shape(juce::dsp::AudioBlock<float>& block, size_t numChannels, int type) const;
    void shapeWithCurrentDrive(float* samples, size_t numSamples) const;

    juce::dsp::Gain<float> preGain;
    juce::dsp::Gain<float> postGain;
    std::unique_ptr<juce::dsp::Oversampling<float>> oversampler;
    juce::AudioBuffer<float> spareChannel;
    std::array<float*, 2> monoChannels{};
    juce::AudioProcessorValueTreeState& valueTreeState;

    // Bound by prepare: the state is built after this unit, so the constructor cannot look them up.
    std::atomic<float>* driveValue = nullptr;
    std::atomic<float>* typeValue = nullptr;
};
