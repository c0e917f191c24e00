#include "PluginProcessor.h"

#include "PluginEditor.h"

#include "SampleGuard.h"
#include "StateChunk.h"

namespace
{
// Runs fn on the whole buffer when it fits what prepareToPlay sized the mixer and the units
// for, and otherwise on consecutive pieces that do. A host that sends more than it announced
// is still processed in full, without writing past any internal buffer. An empty buffer has
// nothing for the gains, the units or the mixer, whose blocks must hold samples.
template <typename Fn> void forEachPiece(juce::AudioBuffer<float>& buffer, int maximumPiece, Fn&& fn)
{
    const auto numSamples = buffer.getNumSamples();

    if (numSamples == 0)
        return;

    if (numSamples <= maximumPiece)
    {
        fn(buffer);
        return;
    }

    for (int start = 0; start < numSamples; start += maximumPiece)
    {
        juce::AudioBuffer<float> piece(buffer.getArrayOfWritePointers(), buffer.getNumChannels(), start,
                                       juce::jmin(maximumPiece, numSamples - start));
        fn(piece);
    }
}

bool isNoteOn(const juce::uint8* data, int size) noexcept
{
    return size >= 3 && (data[0] & 0xf0) == 0x90 && data[2] != 0;
}

bool isNoteOff(const juce::uint8* data, int size) noexcept
{
    const auto status = data[0] & 0xf0;
    return status == 0x80 || (size >= 3 && status == 0x90 && data[2] == 0);
}
} // namespace

SorvandelAudioProcessor::SorvandelAudioProcessor()
    : juce::AudioProcessor(BusesProperties()
                               .withInput("Input", juce::AudioChannelSet::stereo(), true)
                               .withOutput("Output", juce::AudioChannelSet::stereo(), true))
    , filter(unitState())
    , reverb(unitState())
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

void SorvandelAudioProcessor::prepareToPlay(double sampleRate, int maximumExpectedSamplesPerBlock)
{
    // At least one sample, so that whatever a host announcing nothing then sends can be cut
    // into pieces that fit.
    preparedBlockSize = juce::jmax(1, maximumExpectedSamplesPerBlock);

    const juce::dsp::ProcessSpec spec{sampleRate, (juce::uint32) preparedBlockSize, 2};
    reverb.prepare(spec);
    mixer.prepare(spec);
    filter.prepare(spec);

    // An editor opened before the first block then shows the cutoffs a restored project set.
    currentLowPassCutoff.store(filter.modulatedLowPassCutoff);
    currentHighPassCutoff.store(filter.modulatedHighPassCutoff);
}

void SorvandelAudioProcessor::releaseResources() {}

void SorvandelAudioProcessor::processBlock(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midiMessages)
{
    // Nothing is sized before the first prepareToPlay; the host always calls it first.
    if (preparedBlockSize == 0)
        return;

    juce::ScopedNoDenormals noDenormals;

    for (auto channel = getTotalNumInputChannels();
         channel < juce::jmin(getTotalNumOutputChannels(), buffer.getNumChannels()); ++channel)
        buffer.clear(channel, 0, buffer.getNumSamples());

    inputGainStage.setGainDecibels(readParameter("inputGain"));
    outputGainStage.setGainDecibels(readParameter("outputGain"));

    applyGain(inputGainStage, buffer);
    inputMeter.measure(buffer);

    // The meters have seen what arrived; from here on a NaN, an infinity or a sample too large
    // to be audio would stay in the reverb's lines and the filters' state and silence the
    // plug-in until it is re-activated.
    SampleGuard::silenceImplausible(buffer);
    raiseNoteFlags(midiMessages);

    const auto wetProportion = readParameter("dryWet");
    const auto filterOrder = (int) readParameter("filterOrder");
    forEachPiece(buffer, preparedBlockSize,
                 [&](juce::AudioBuffer<float>& piece)
                 { mixThroughUnits(piece, wetProportion, filterOrder); });

    applyGain(outputGainStage, buffer);

    if (!SampleGuard::allFinite(buffer))
        clearAfterNonFiniteOutput(buffer);

    outputMeter.measure(buffer);
}

// Should anything still turn a unit's state non-finite, it would ring on in the lines and the
// filters for good: this block is dropped and the units start afresh, as after a new prepare.
void SorvandelAudioProcessor::clearAfterNonFiniteOutput(juce::AudioBuffer<float>& buffer) noexcept
{
    reverb.reset();
    filter.reset();
    mixer.reset();
    buffer.clear();
}

void SorvandelAudioProcessor::applyGain(juce::dsp::Gain<float>& stage, juce::AudioBuffer<float>& buffer) const
{
    // The gain stage keeps a per-sample gain table on the stack, so it gets no more than a
    // prepared block at a time either.
    forEachPiece(buffer, preparedBlockSize,
                 [&](juce::AudioBuffer<float>& piece)
                 {
                     juce::dsp::AudioBlock<float> block(piece);
                     stage.process(juce::dsp::ProcessContextReplacing<float>(block));
                 });
}

void SorvandelAudioProcessor::mixThroughUnits(juce::AudioBuffer<float>& piece, float wetProportion,
                                              int filterOrder)
{
    const juce::dsp::AudioBlock<float> block(piece);
    mixer.pushDrySamples(block);
    mixer.setWetMixProportion(wetProportion);

    runUnits(piece, filterOrder);

    currentLowPassCutoff.store(filter.modulatedLowPassCutoff);
    currentHighPassCutoff.store(filter.modulatedHighPassCutoff);

    mixer.mixWetSamples(block);
}

void SorvandelAudioProcessor::runUnits(juce::AudioBuffer<float>& piece, int filterOrder)
{
    juce::dsp::AudioBlock<float> block(piece);
    const juce::dsp::ProcessContextReplacing<float> context(block);

    if (filterOrder == 0)
    {
        reverb.process(piece, delayValue, feedbackValue);
        filter.process(context);
    }
    else if (filterOrder == 1)
    {
        filter.process(context);
        reverb.process(piece, delayValue, feedbackValue);
    }
}

void SorvandelAudioProcessor::raiseNoteFlags(const juce::MidiBuffer& midiMessages)
{
    // Any note on any channel moves both envelopes; the filter lowers the flags itself when it
    // takes them at its next sample.
    for (const auto metadata : midiMessages)
    {
        if (isNoteOn(metadata.data, metadata.numBytes))
            filter.noteOnPending = true;
        else if (isNoteOff(metadata.data, metadata.numBytes))
            filter.noteOffPending = true;
    }
}

float SorvandelAudioProcessor::readParameter(const char* parameterID) const
{
    return valueTreeState.getRawParameterValue(parameterID)->load();
}

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

void SorvandelAudioProcessor::getStateInformation(juce::MemoryBlock& destData)
{
    StateChunk::write(valueTreeState, destData);
}

void SorvandelAudioProcessor::setStateInformation(const void* data, int sizeInBytes)
{
    StateChunk::read(valueTreeState, data, sizeInBytes);
}

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
