#include "Filter.h"

#include "AssignDesign.h"

namespace
{
constexpr float minimumCutoff = 20.0f;
constexpr float maximumCutoff = 20000.0f;

// Keeps every design clear of half the sample rate, where the biquads become unstable.
constexpr double designLimitRatio = 0.46;

// Each design is stable on its own, but a biquad that is handed a different design at every
// block (a host automating a resonant cutoff) can build up without bound and end in infinity,
// which would then stay in its state for good. No real signal comes near this level: a
// full-scale input at the highest input gain through the highest Q stays below 1000.
constexpr float runawayLimit = 1.0e5f;

float clampCutoff(float cutoff)
{
    if (cutoff < minimumCutoff)
        return minimumCutoff;
    if (cutoff > maximumCutoff)
        return maximumCutoff;
    return cutoff;
}

juce::dsp::IIR::Coefficients<float>::Ptr makeSecondOrderSet()
{
    return new juce::dsp::IIR::Coefficients<float>(1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
}
} // namespace

Filter::Filter(juce::AudioProcessorValueTreeState& state)
    : valueTreeState(state)
    , lowPassCoefficients(makeSecondOrderSet())
    , highPassCoefficients(makeSecondOrderSet())
{
    // Sized for second order here so that processing never has to grow a biquad's state.
    lowPassLeft.coefficients = lowPassCoefficients;
    lowPassRight.coefficients = lowPassCoefficients;
    highPassLeft.coefficients = highPassCoefficients;
    highPassRight.coefficients = highPassCoefficients;

    for (auto* biquad : {&lowPassLeft, &lowPassRight, &highPassLeft, &highPassRight})
        biquad->reset();
}

void Filter::prepare(const juce::dsp::ProcessSpec& spec)
{
    sampleRate = static_cast<int>(spec.sampleRate);
    maximumDesignFrequency = static_cast<float>(designLimitRatio * sampleRate);
    bindParameters();
    lowPassDesigned = {};
    highPassDesigned = {};

    refreshEnvelopes(true);

    // The envelopes keep their stage and level: a new rate must not cut off a held note.
    highPassLeft.reset();
    highPassRight.reset();
    lowPassLeft.reset();
    lowPassRight.reset();
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
        if (!force && attack == settings.attack && release == settings.release)
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
    // Nothing is bound before the first prepare.
    if (parameters.lowPass == nullptr)
        return;

    auto& block = context.getOutputBlock();
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
        designCoefficients();

        // A mono block runs through the left pair alone.
        if (leftSamples != nullptr)
            leftSamples[i] = runChannel(highPassLeft, lowPassLeft, left);
        if (rightSamples != nullptr)
            rightSamples[i] = runChannel(highPassRight, lowPassRight, right);
    }
}

// A channel that has run away starts again from rest rather than sounding on at that level.
float Filter::runChannel(Biquad& highPass, Biquad& lowPass, float input)
{
    const float output = lowPass.processSample(highPass.processSample(input));
    if (std::abs(output) <= runawayLimit)
        return output;

    highPass.reset();
    lowPass.reset();
    return 0.0f;
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

void Filter::designCoefficients()
{
    lowPassSkew = parameters.lowPassSkew->load();
    highPassSkew = parameters.highPassSkew->load();

    // A design is a pure function of its inputs: while they hold still, the set in place stands.
    using Designs = juce::dsp::IIR::ArrayCoefficients<float>;
    const auto rate = static_cast<double>(sampleRate);

    const bool highPassMoved = highPassDesigned.update(highPassCutoff, highPassSkew, highPassQ);
    const bool lowPassMoved = lowPassDesigned.update(lowPassCutoff, lowPassSkew, lowPassQ);

    // Both mappings before both designs: the two chains are independent and can overlap.
    if (highPassMoved)
        highPassDesignFrequency = designFrequency(highPassCutoff, highPassSkew);
    if (lowPassMoved)
        lowPassDesignFrequency = designFrequency(lowPassCutoff, lowPassSkew);

    if (highPassMoved)
        assignDesign(*highPassCoefficients, Designs::makeHighPass(rate, highPassDesignFrequency, highPassQ));
    if (lowPassMoved)
        assignDesign(*lowPassCoefficients, Designs::makeLowPass(rate, lowPassDesignFrequency, lowPassQ));
}

bool Filter::DesignInputs::update(float newCutoff, float newSkew, float newQ)
{
    if (newCutoff == cutoff && newSkew == skew && newQ == q)
        return false;

    cutoff = newCutoff;
    skew = newSkew;
    q = newQ;
    return true;
}

// A skew below 1 pulls the design toward 20 Hz, so the envelope's sweep lingers in the low end.
float Filter::designFrequency(float cutoff, float skew)
{
    skewedRange.skew = skew;
    const float frequency = skewedRange.convertFrom0to1(linearRange.convertTo0to1(cutoff));
    return juce::jmin(frequency, maximumDesignFrequency);
}
