#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_dsp/juce_dsp.h>

#include <limits>

// High-pass then low-pass state-variable pair whose cutoffs two MIDI-triggered envelopes sweep.
class Filter
{
public:
    explicit Filter(juce::AudioProcessorValueTreeState& state);

    void prepare(const juce::dsp::ProcessSpec& spec);
    // Empties the four filters; the envelopes and the designs stay.
    void reset() noexcept;
    void process(juce::dsp::ProcessContextReplacing<float> context);

    // The frequencies the last processed sample was designed at, after the skew mapping.
    float getLowPassDesignFrequency() const { return lowPassLeft.getCutoffFrequency(); }
    float getHighPassDesignFrequency() const { return highPassLeft.getCutoffFrequency(); }

private:
    using StateVariable = juce::dsp::StateVariableTPTFilter<float>;

    struct Parameters
    {
        std::atomic<float>* lowPassAttack = nullptr;
        std::atomic<float>* highPassAttack = nullptr;
        std::atomic<float>* lowPassRelease = nullptr;
        std::atomic<float>* highPassRelease = nullptr;
        std::atomic<float>* lowPassDepth = nullptr;
        std::atomic<float>* highPassDepth = nullptr;
        std::atomic<float>* lowPass = nullptr;
        std::atomic<float>* highPass = nullptr;
        std::atomic<float>* lowPassQ = nullptr;
        std::atomic<float>* highPassQ = nullptr;
        std::atomic<float>* lowPassSkew = nullptr;
        std::atomic<float>* highPassSkew = nullptr;
    };

    // The cutoff and skew the design frequency of one filter type was last mapped from; NaN
    // until the first sample after a prepare, whose rate may have moved the design limit.
    struct MappedCutoff
    {
        float cutoff = std::numeric_limits<float>::quiet_NaN();
        float skew = std::numeric_limits<float>::quiet_NaN();
    };

    void bindParameters();
    void refreshEnvelopes(bool force);
    bool handleNoteFlags();
    void modulateCutoffs();
    void designFilters();
    void design(StateVariable& leftFilter, StateVariable& rightFilter, MappedCutoff& mapped, float cutoff,
                float skew, float q);
    float designFrequency(float cutoff, float skew);
    static float runChannel(StateVariable& highPass, StateVariable& lowPass, float input);

    juce::AudioProcessorValueTreeState& valueTreeState;
    int sampleRate = 44100;
    juce::ADSR lowPassEnvelope;
    juce::ADSR highPassEnvelope;
    juce::ADSR::Parameters lowPassEnvelopeParams;
    juce::ADSR::Parameters highPassEnvelopeParams;
    StateVariable lowPassLeft;
    StateVariable lowPassRight;
    StateVariable highPassLeft;
    StateVariable highPassRight;
    float lowPassCutoff = 20000.0f;
    float highPassCutoff = 20.0f;
    float lowPassQ = 1.0f;
    float highPassQ = 1.0f;
    float lowPassEnvelopeDepth = 0.0f;
    float highPassEnvelopeDepth = 0.0f;
    float left = 0.0f;
    float right = 0.0f;

public:
    bool noteOnPending = false;
    bool noteOffPending = false;
    float modulatedLowPassCutoff = 20000.0f;
    float modulatedHighPassCutoff = 20.0f;

private:
    float lowPassSkew = 1.0f;
    float highPassSkew = 1.0f;

    Parameters parameters;
    juce::NormalisableRange<float> linearRange{20.0f, 20000.0f, 1.0f};
    juce::NormalisableRange<float> skewedRange{20.0f, 20000.0f, 1.0f};
    float maximumDesignFrequency = 20000.0f;
    MappedCutoff lowPassMapped;
    MappedCutoff highPassMapped;
};
