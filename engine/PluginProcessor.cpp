#include "PluginProcessor.h"

#include "PluginEditor.h"

SorvandelAudioProcessor::SorvandelAudioProcessor()
    : juce::AudioProcessor(BusesProperties()
                               .withInput("Input", juce::AudioChannelSet::stereo(), true)
                               .withOutput("Output", juce::AudioChannelSet::stereo(), true))
    , filter(valueTreeState)
    , reverb(valueTreeState)
    , valueTreeState(*this, nullptr, "PARAMETERS", createParameters())
{
    delayValue = valueTreeState.getRawParameterValue("delay");
    feedbackValue = valueTreeState.getRawParameterValue("feedback");
}

SorvandelAudioProcessor::~SorvandelAudioProcessor() = default;

const juce::String SorvandelAudioProcessor::getName() const
{
    return "Sorvandel";
}

void SorvandelAudioProcessor::prepareToPlay(double, int) {}

void SorvandelAudioProcessor::releaseResources() {}

void SorvandelAudioProcessor::processBlock(juce::AudioBuffer<float>&, juce::MidiBuffer&) {}

double SorvandelAudioProcessor::getTailLengthSeconds() const
{
    return 0.0;
}

bool SorvandelAudioProcessor::acceptsMidi() const
{
    return true;
}

bool SorvandelAudioProcessor::producesMidi() const
{
    return false;
}

bool SorvandelAudioProcessor::isMidiEffect() const
{
    return false;
}

juce::AudioProcessorEditor* SorvandelAudioProcessor::createEditor()
{
    return new SorvandelAudioProcessorEditor(*this);
}

bool SorvandelAudioProcessor::hasEditor() const
{
    return true;
}

int SorvandelAudioProcessor::getNumPrograms()
{
    return 1;
}

int SorvandelAudioProcessor::getCurrentProgram()
{
    return 0;
}

void SorvandelAudioProcessor::setCurrentProgram(int) {}

const juce::String SorvandelAudioProcessor::getProgramName(int)
{
    return {};
}

void SorvandelAudioProcessor::changeProgramName(int, const juce::String&) {}

void SorvandelAudioProcessor::getStateInformation(juce::MemoryBlock&) {}

void SorvandelAudioProcessor::setStateInformation(const void*, int) {}

bool SorvandelAudioProcessor::isBusesLayoutSupported(const BusesLayout& layouts) const
{
    const auto mainOutput = layouts.getMainOutputChannelSet();

    if (mainOutput != juce::AudioChannelSet::mono() && mainOutput != juce::AudioChannelSet::stereo())
        return false;

    return layouts.getMainInputChannelSet() == mainOutput;
}

juce::AudioProcessor* JUCE_CALLTYPE createPluginFilter()
{
    return new SorvandelAudioProcessor();
}
