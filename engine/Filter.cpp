#include "Filter.h"

#include "SameReading.h"

namespace
{
constexpr float minimumCutoff = 20.0f;
constexpr float maximumCutoff = 20000.0f;

// The designs' prewarped gain, tan(pi * frequency / rate), grows without bound toward half the
// sample rate, where the framework refuses it; every design stays clear of that.
constexpr double designLimitRatio = 0.46;

float clampCutoff(float cutoff)
{
    if (cutoff < minimumCutoff)
        return minimumCutoff;
    if (cutoff > maximumCutoff)
        return maximumCutoff;
    return cutoff;
}
} // namespace

Filter::Filter(juce::AudioProcessorValueTreeState& state)
    : valueTreeState(state)
{
    using Type = StateVariable::Type;
    lowPassLeft.setType(Type::lowpass);
    lowPassRight.setType(Type::lowpass);
    highPassLeft.setType(Type::highpass);
    highPassRight.setType(Type::highpass);
}

void Filter::prepare(const juce::dsp::ProcessSpec& spec)
{
    sampleRate = static_cast<int>(spec.sampleRate);
    maximumDesignFrequency = static_cast<float>(designLimitRatio * sampleRate);
    bindParameters();
    lowPassMapped = {};
    highPassMapped = {};

    refreshEnvelopes(true);

    // Until the first sample, the cutoffs stand where the parameters put them.
    modulatedLowPassCutoff = clampCutoff(parameters.lowPass->load());
    modulatedHighPassCutoff = clampCutoff(parameters.highPass->load());

    // The envelopes keep their stage and level: a new rate must not cut off a held note.
    // Each filter runs one channel, designed at the whole-number rate; preparing clears it.
    const juce::dsp::ProcessSpec channelSpec{static_cast<double>(sampleRate), spec.maximumBlockSize, 1};
    highPassLeft.prepare(channelSpec);
    highPassRight.prepare(channelSpec);
    lowPassLeft.prepare(channelSpec);
    lowPassRight.prepare(channelSpec);
}

void Filter::reset() noexcept
{
    for (auto* section : {&highPassLeft, &highPassRight, &lowPassLeft, &lowPassRight})
        section->reset();
}

void Filter::bindParameters()
{
    auto handle = [this](const char* id) { return valueTreeState.getRawParameterValue(id); };

    parameters.lowPassAttack = handle("lpfEnvAttack");
    parameters.highPassAttack = handle("hpfEnvAttack");
    parameters.lowPassRelease = handle("lpfEnvRelease");
    parameters.highPassRelease = handle("hpfEnvRelease");
    parameters.lowPassDepth = handle("lpfEnv");
    parameters.highPassDepth = handle("hpfEnv");
    parameters.lowPass = handle("lowPass");
    parameters.highPass = handle("highPass");
    parameters.lowPassQ = handle("lowPassQ");
    parameters.highPassQ = handle("highPassQ");
    parameters.lowPassSkew = handle("lpfSkew");
    parameters.highPassSkew = handle("hpfSkew");
}

// The envelopes' own clock stays at its default of 44100 samples per second whatever the host
// rate, so the times are in units of that clock. Handing an envelope the settings it already
// has changes nothing, except right after a note-off, which sets a release rate scaled by the
// level; the refresh puts back the full-scale rate, so a release always falls at 1/(R * 44100).
void Filter::refreshEnvelopes(bool force)
{
    const float lowPassAttack = parameters.lowPassAttack->load();
    const float highPassAttack = parameters.highPassAttack->load();
    const float lowPassRelease = parameters.lowPassRelease->load();
    const float highPassRelease = parameters.highPassRelease->load();

    auto refresh =
        [force](juce::ADSR& envelope, juce::ADSR::Parameters& settings, float attack, float release)
    {
        if (!force && sameReading(attack, settings.attack) && sameReading(release, settings.release))
            return;
        settings.attack = attack;
        settings.decay = 0.1f;
        settings.sustain = 1.0f;
        settings.release = release;
        envelope.setParameters(settings);
    };

    refresh(lowPassEnvelope, lowPassEnvelopeParams, lowPassAttack, lowPassRelease);
    refresh(highPassEnvelope, highPassEnvelopeParams, highPassAttack, highPassRelease);
}

void Filter::process(juce::dsp::ProcessContextReplacing<float> context)
{
    // Nothing is bound before the first prepare. An empty block has no channel data to point
    // at, and its note flags wait for the next sample processed.
    auto& block = context.getOutputBlock();
    if (parameters.lowPass == nullptr || block.getNumSamples() == 0)
        return;

    const auto numChannels = block.getNumChannels();
    float* leftSamples = numChannels > 0 ? block.getChannelPointer(0) : nullptr;
    float* rightSamples = numChannels > 1 ? block.getChannelPointer(1) : nullptr;

    for (size_t i = 0; i < block.getNumSamples(); ++i)
    {
        refreshEnvelopes(handleNoteFlags());

        lowPassEnvelopeDepth = parameters.lowPassDepth->load();
        highPassEnvelopeDepth = parameters.highPassDepth->load();
        left = leftSamples != nullptr ? leftSamples[i] : 0.0f;
        right = rightSamples != nullptr ? rightSamples[i] : 0.0f;
        lowPassCutoff = parameters.lowPass->load();
        highPassCutoff = parameters.highPass->load();
        lowPassQ = parameters.lowPassQ->load();
        highPassQ = parameters.highPassQ->load();

        modulateCutoffs();
        designFilters();

        // A mono block runs through the left pair alone.
        if (leftSamples != nullptr)
            leftSamples[i] = runChannel(highPassLeft, lowPassLeft, left);
        if (rightSamples != nullptr)
            rightSamples[i] = runChannel(highPassRight, lowPassRight, right);
    }
}

float Filter::runChannel(StateVariable& highPass, StateVariable& lowPass, float input)
{
    return lowPass.processSample(0, highPass.processSample(0, input));
}

// Note-on goes first so that a note-off in the same block still releases the envelopes.
// Returns whether a note-off was handled.
bool Filter::handleNoteFlags()
{
    if (noteOnPending)
    {
        noteOnPending = false;
        lowPassEnvelope.noteOn();
        highPassEnvelope.noteOn();
    }

    if (!noteOffPending)
        return false;

    noteOffPending = false;
    lowPassEnvelope.noteOff();
    highPassEnvelope.noteOff();
    return true;
}

void Filter::modulateCutoffs()
{
    highPassCutoff = clampCutoff(highPassCutoff + highPassEnvelopeDepth * highPassEnvelope.getNextSample());
    lowPassCutoff = clampCutoff(lowPassCutoff + lowPassEnvelopeDepth * lowPassEnvelope.getNextSample());

    modulatedLowPassCutoff = lowPassCutoff;
    modulatedHighPassCutoff = highPassCutoff;
}

void Filter::designFilters()
{
    lowPassSkew = parameters.lowPassSkew->load();
    highPassSkew = parameters.highPassSkew->load();

    design(highPassLeft, highPassRight, highPassMapped, highPassCutoff, highPassSkew, highPassQ);
    design(lowPassLeft, lowPassRight, lowPassMapped, lowPassCutoff, lowPassSkew, lowPassQ);
}

// Each setter recomputes the filter's whole design, so a filter is only handed what has moved
// since the last sample; while the inputs hold still, the design in place stands.
void Filter::design(StateVariable& leftFilter, StateVariable& rightFilter, MappedCutoff& mapped, float cutoff,
                    float skew, float q)
{
    if (!sameReading(cutoff, mapped.cutoff) || !sameReading(skew, mapped.skew))
    {
        mapped = {cutoff, skew};
        const float frequency = designFrequency(cutoff, skew);
        if (!sameReading(frequency, leftFilter.getCutoffFrequency()))
        {
            leftFilter.setCutoffFrequency(frequency);
            rightFilter.setCutoffFrequency(frequency);
        }
    }

    if (!sameReading(q, leftFilter.getResonance()))
    {
        leftFilter.setResonance(q);
        rightFilter.setResonance(q);
    }
}

// A skew below 1 pulls the design toward 20 Hz, so the envelope's sweep lingers in the low end.
float Filter::designFrequency(float cutoff, float skew)
{
    skewedRange.skew = skew;
    const float frequency = skewedRange.convertFrom0to1(linearRange.convertTo0to1(cutoff));
    return juce::jmin(frequency, maximumDesignFrequency);
}
