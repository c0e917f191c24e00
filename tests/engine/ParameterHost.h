#pragma once

#include "PluginProcessor.h"

#include <juce_audio_processors/juce_audio_processors.h>

// Brings up the message manager before the value-tree state starts its timer.
struct JuceRuntime
{
    juce::ScopedJuceInitialiser_GUI gui;
};

// A bare processor that owns a value-tree state, so a DSP unit can be tested on its own with
// the plug-in's parameters or with a layout made for the test.
class ParameterHost : private JuceRuntime, public juce::AudioProcessor
{
public:
    explicit ParameterHost(juce::AudioProcessorValueTreeState::ParameterLayout layout =
                               SorvandelAudioProcessor::createParameters())
        : state(*this, nullptr, "PARAMETERS", std::move(layout))
    {
    }

    // Sets a parameter the way the host does, so the unit sees the value the framework keeps.
    void set(const juce::String& id, float value)
    {
        auto* parameter = state.getParameter(id);
        jassert(parameter != nullptr);
        parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
    }

    float get(const juce::String& id) const { return state.getRawParameterValue(id)->load(); }

    const juce::String getName() const override { return "ParameterHost"; }
    void prepareToPlay(double, int) override {}
    void releaseResources() override {}
    void processBlock(juce::AudioBuffer<float>&, juce::MidiBuffer&) override {}
    using juce::AudioProcessor::processBlock;
    double getTailLengthSeconds() const override { return 0.0; }
    bool acceptsMidi() const override { return false; }
    bool producesMidi() const override { return false; }
    juce::AudioProcessorEditor* createEditor() override { return nullptr; }
    bool hasEditor() const override { return false; }
    int getNumPrograms() override { return 1; }
    int getCurrentProgram() override { return 0; }
    void setCurrentProgram(int) override {}
    const juce::String getProgramName(int) override { return {}; }
    void changeProgramName(int, const juce::String&) override {}
    void getStateInformation(juce::MemoryBlock&) override {}
    void setStateInformation(const void*, int) override {}

    juce::AudioProcessorValueTreeState state;
};

inline juce::dsp::ProcessSpec makeSpec(double sampleRate, int maximumBlockSize)
{
    return {sampleRate, static_cast<juce::uint32>(maximumBlockSize), 2};
}
