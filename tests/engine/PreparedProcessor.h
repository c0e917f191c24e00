#pragma once

#include "PluginProcessor.h"

#include <cmath>

// A processor set up the way a host sets it up: bus layout, then prepareToPlay. Parameters are
// set through their normalised values, as the host sets them.
class PreparedProcessor
{
public:
    explicit PreparedProcessor(double sampleRate = 48000.0, int blockSize = 512, int numChannels = 2)
    {
        if (numChannels == 1)
        {
            juce::AudioProcessor::BusesLayout mono;
            mono.inputBuses.add(juce::AudioChannelSet::mono());
            mono.outputBuses.add(juce::AudioChannelSet::mono());
            processor.setBusesLayout(mono);
        }

        processor.setRateAndBufferSizeDetails(sampleRate, blockSize);
        processor.prepareToPlay(sampleRate, blockSize);
    }

    void set(const juce::String& id, float value)
    {
        auto* parameter = processor.valueTreeState.getParameter(id);
        parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
    }

    float get(const juce::String& id) const
    {
        return processor.valueTreeState.getRawParameterValue(id)->load();
    }

    void process(juce::AudioBuffer<float>& buffer)
    {
        juce::MidiBuffer none;
        processor.processBlock(buffer, none);
    }

    void process(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
    {
        processor.processBlock(buffer, midi);
    }

    // Settings under which both units audibly change the signal.
    void setColouredUnits()
    {
        set("delay", 300.0f);
        set("feedback", 0.37f);
        set("distortion", 12.0f);
        set("distType", 2.0f);
        set("lowPass", 2500.0f);
        set("highPass", 150.0f);
        set("lowPassQ", 4.0f);
    }

    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;
};

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

inline juce::MidiBuffer noteOn(int channel = 1, int velocity = 100)
{
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOn(channel, 60, (juce::uint8) velocity), 0);
    return midi;
}

inline juce::MidiBuffer noteOff(int channel = 1)
{
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOff(channel, 60), 0);
    return midi;
}
