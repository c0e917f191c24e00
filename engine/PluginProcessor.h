#pragma once

#include "Filter.h"
#include "LevelMeter.h"
#include "SVerb.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

class SorvandelAudioProcessor : public juce::AudioProcessor
{
public:
    SorvandelAudioProcessor();
    ~SorvandelAudioProcessor() override;

    const juce::String getName() const override;

    void prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock) override;
    void releaseResources() override;
    void processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages) override;
    using juce::AudioProcessor::processBlock;

    double getTailLengthSeconds() const override;
    bool acceptsMidi() const override;
    bool producesMidi() const override;
    bool isMidiEffect() const override;

    juce::AudioProcessorEditor* createEditor() override;
    bool hasEditor() const override;

    int getNumPrograms() override;
    int getCurrentProgram() override;
    void setCurrentProgram(int index) override;
    const juce::String getProgramName(int index) override;
    void changeProgramName(int index, const juce::String& newName) override;

    void getStateInformation(juce::MemoryBlock& destData) override;
    void setStateInformation(const void* data, int sizeInBytes) override;

    bool isBusesLayoutSupported(const BusesLayout& layouts) const override;

    static juce::AudioProcessorValueTreeState::ParameterLayout createParameters();

    // Published once per block for the editor; the audio thread is the only writer.
    std::atomic<float> currentLowPassCutoff{20000.0f};
    std::atomic<float> currentHighPassCutoff{20.0f};
    std::atomic<bool> inputClipLeft{false};
    std::atomic<bool> inputClipRight{false};
    std::atomic<bool> outputClipLeft{false};
    std::atomic<bool> outputClipRight{false};
    std::atomic<float> inputLevelLeft{-100.0f};
    std::atomic<float> inputLevelRight{-100.0f};
    std::atomic<float> outputLevelLeft{-100.0f};
    std::atomic<float> outputLevelRight{-100.0f};

    std::atomic<float>* delayValue = nullptr;
    std::atomic<float>* feedbackValue = nullptr;

    juce::dsp::DryWetMixer<float> mixer;
    juce::dsp::Gain<float> inputGainStage;
    juce::dsp::Gain<float> outputGainStage;
    Filter filter;
    SVerb reverb;

private:
    LevelMeter inputMeter{inputLevelLeft, inputLevelRight, inputClipLeft, inputClipRight};
    LevelMeter outputMeter{outputLevelLeft, outputLevelRight, outputClipLeft, outputClipRight};

    // The longest piece the mixer and the units were sized for in prepareToPlay.
    int preparedBlockSize = 0;

public:
    // Last member: everything above is built before it and outlives it; the DSP units keep a
    // reference to it, which they first use when prepared.
    juce::AudioProcessorValueTreeState valueTreeState;

private:
    // The units only bind this reference while the processor is being built; the state itself
    // is constructed after them and they first use it when prepared.
    juce::AudioProcessorValueTreeState& unitState() noexcept { return valueTreeState; }

    void applyGain(juce::dsp::Gain<float>& stage, juce::AudioBuffer<float>& buffer) const;
    void mixThroughUnits(juce::AudioBuffer<float>& piece, float wetProportion, int filterOrder);
    void runUnits(juce::AudioBuffer<float>& piece, int filterOrder);
    void raiseNoteFlags(const juce::MidiBuffer& midiMessages);
    float readParameter(const char* parameterID) const;
    void clearAfterNonFiniteOutput(juce::AudioBuffer<float>& buffer) noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR(SorvandelAudioProcessor)
};
