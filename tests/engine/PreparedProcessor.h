#pragma once

#include "PluginProcessor.h"
#include "Signals.h"

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

using signals::noteOff;
using signals::noteOn;
