#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>

// Reproducible test signals, the notes that go with them, and the checks made on what comes
// back: one library for the in-process and the hosted tests alike.
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

// The kinds of input a host may hand over: ordinary audio, the extremes of full scale, and the
// numbers that no audio should hold but a broken source upstream can still send.
enum class Kind
{
    noise,
    silence,
    fullScaleSquare,
    fullScaleSteps,
    impulses,
    nonFinite
};

inline const std::array<Kind, 6> allKinds{Kind::noise,          Kind::silence,  Kind::fullScaleSquare,
                                          Kind::fullScaleSteps, Kind::impulses, Kind::nonFinite};

inline std::string name(Kind kind)
{
    switch (kind)
    {
        case Kind::noise:
            return "noise";
        case Kind::silence:
            return "silence";
        case Kind::fullScaleSquare:
            return "full-scale square";
        case Kind::fullScaleSteps:
            return "full-scale steps";
        case Kind::impulses:
            return "impulses";
        case Kind::nonFinite:
            return "noise with NaN and infinities";
    }

    return "?";
}

namespace detail
{
inline void fillAlike(juce::AudioBuffer<float>& buffer, int i, float sample)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        buffer.setSample(channel, i, sample);
}

inline void fillNoise(juce::AudioBuffer<float>& buffer, juce::Random& random)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            buffer.setSample(channel, i, 2.0f * random.nextFloat() - 1.0f);
}

inline void fillSquare(juce::AudioBuffer<float>& buffer, double sampleRate, juce::Random& random)
{
    const auto halfPeriod = sampleRate / (2.0 * (20.0 + 4980.0 * random.nextDouble()));

    for (int i = 0; i < buffer.getNumSamples(); ++i)
        fillAlike(buffer, i, ((int) std::floor(i / halfPeriod) % 2) == 0 ? 1.0f : -1.0f);
}

// Holds of -1, 0 or +1 of random length, so that every jump of one and two full scales occurs.
inline void fillSteps(juce::AudioBuffer<float>& buffer, juce::Random& random)
{
    for (int i = 0; i < buffer.getNumSamples();)
    {
        const auto level = (float) (random.nextInt(3) - 1);

        for (const auto end = juce::jmin(buffer.getNumSamples(), i + 1 + random.nextInt(3000)); i < end; ++i)
            fillAlike(buffer, i, level);
    }
}

inline void fillImpulses(juce::AudioBuffer<float>& buffer, juce::Random& random)
{
    buffer.clear();

    for (int i = 0; i < buffer.getNumSamples(); i += 1 + random.nextInt(4000))
        fillAlike(buffer, i, random.nextBool() ? 1.0f : -1.0f);
}

// Noise with single NaNs and infinities scattered through it and, now and then, a run of them.
inline void fillNonFinite(juce::AudioBuffer<float>& buffer, juce::Random& random)
{
    constexpr float bad[] = {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                             -std::numeric_limits<float>::infinity()};
    fillNoise(buffer, random);

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = random.nextInt(50); i < buffer.getNumSamples(); i += 1 + random.nextInt(400))
        {
            const auto run = random.nextInt(10) == 0 ? 1 + random.nextInt(200) : 1;

            for (int n = i; n < juce::jmin(buffer.getNumSamples(), i + run); ++n)
                buffer.setSample(channel, n, bad[random.nextInt(3)]);
        }
}
} // namespace detail

// Fills every channel: the noises differ between channels, the other kinds are alike on all.
inline void fill(juce::AudioBuffer<float>& buffer, Kind kind, double sampleRate, juce::Random& random)
{
    switch (kind)
    {
        case Kind::noise:
            detail::fillNoise(buffer, random);
            break;
        case Kind::silence:
            buffer.clear();
            break;
        case Kind::fullScaleSquare:
            detail::fillSquare(buffer, sampleRate, random);
            break;
        case Kind::fullScaleSteps:
            detail::fillSteps(buffer, random);
            break;
        case Kind::impulses:
            detail::fillImpulses(buffer, random);
            break;
        case Kind::nonFinite:
            detail::fillNonFinite(buffer, random);
            break;
    }
}

inline juce::MidiBuffer noteOn(int channel = 1, int velocity = 100, int position = 0)
{
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOn(channel, 60, (juce::uint8) velocity), position);
    return midi;
}

inline juce::MidiBuffer noteOff(int channel = 1, int position = 0)
{
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOff(channel, 60), position);
    return midi;
}

// A few notes on random channels, keys and velocities across the length, so that envelopes
// start, hold and release while a signal plays.
inline juce::MidiBuffer randomNotes(int length, juce::Random& random)
{
    juce::MidiBuffer midi;

    for (int note = 0; note < 3; ++note)
    {
        const auto channel = 1 + random.nextInt(16);
        const auto key = random.nextInt(128);
        const auto on = random.nextInt(juce::jmax(1, length));
        const auto off = on + random.nextInt(juce::jmax(1, length - on));
        midi.addEvent(juce::MidiMessage::noteOn(channel, key, (juce::uint8)(1 + random.nextInt(127))), on);
        midi.addEvent(juce::MidiMessage::noteOff(channel, key), off);
    }

    return midi;
}

inline bool allFinite(const juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            if (!std::isfinite(buffer.getSample(channel, i)))
                return false;

    return true;
}

// Bit for bit, so that a NaN matches the same NaN and -0 differs from +0.
inline bool identical(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;

    for (int channel = 0; channel < a.getNumChannels(); ++channel)
        if (std::memcmp(a.getReadPointer(channel), b.getReadPointer(channel),
                        sizeof(float) * (size_t) a.getNumSamples()) != 0)
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

// RMS over the whole buffer, or over one channel, in double precision.
inline double rms(const juce::AudioBuffer<float>& buffer, int channel = -1)
{
    double sum = 0.0;
    const auto first = channel < 0 ? 0 : channel;
    const auto last = channel < 0 ? buffer.getNumChannels() : channel + 1;

    for (int c = first; c < last; ++c)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            sum += (double) buffer.getSample(c, i) * buffer.getSample(c, i);

    const auto count = (last - first) * buffer.getNumSamples();
    return count > 0 ? std::sqrt(sum / count) : 0.0;
}

inline double toDecibels(double level)
{
    return level > 0.0 ? juce::jmax(-100.0, 20.0 * std::log10(level)) : -100.0;
}

// The first sample that is a NaN, an infinity or a subnormal number, described for a failure
// message; empty when every sample is a normal finite number or zero.
inline std::string firstBadSample(const juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            const auto value = buffer.getSample(channel, i);
            const auto kind = std::fpclassify(value);

            if (kind == FP_NAN || kind == FP_INFINITE || kind == FP_SUBNORMAL)
            {
                std::ostringstream text;
                text.precision(9);
                text << "channel " << channel << ", sample " << i << " is " << value;
                return text.str();
            }
        }

    return {};
}
} // namespace signals
