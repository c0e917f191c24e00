#include "HostSignals.h"

#include <cmath>
#include <sstream>

namespace hostSignals
{
std::string name(Signal signal)
{
    switch (signal)
    {
        case Signal::noise:
            return "noise";
        case Signal::silence:
            return "silence";
        case Signal::fullScaleSquare:
            return "full-scale square";
        case Signal::impulses:
            return "impulses";
    }

    return "?";
}

namespace
{
void fillSquare(juce::AudioBuffer<float>& buffer, double sampleRate, juce::Random& random)
{
    const auto frequency = 20.0 + 4980.0 * random.nextDouble();
    const auto halfPeriod = sampleRate / (2.0 * frequency);

    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        const auto sample = ((int) std::floor(i / halfPeriod) % 2) == 0 ? 1.0f : -1.0f;

        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
            buffer.setSample(channel, i, sample);
    }
}

void fillImpulses(juce::AudioBuffer<float>& buffer, juce::Random& random)
{
    buffer.clear();

    for (int i = 0; i < buffer.getNumSamples(); i += 1 + random.nextInt(4000))
    {
        const auto sample = random.nextBool() ? 1.0f : -1.0f;

        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
            buffer.setSample(channel, i, sample);
    }
}
} // namespace

void fill(juce::AudioBuffer<float>& buffer, Signal signal, double sampleRate, juce::Random& random)
{
    switch (signal)
    {
        case Signal::noise:
            for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
                for (int i = 0; i < buffer.getNumSamples(); ++i)
                    buffer.setSample(channel, i, 2.0f * random.nextFloat() - 1.0f);
            break;
        case Signal::silence:
            buffer.clear();
            break;
        case Signal::fullScaleSquare:
            fillSquare(buffer, sampleRate, random);
            break;
        case Signal::impulses:
            fillImpulses(buffer, random);
            break;
    }
}

juce::MidiBuffer randomNotes(int length, juce::Random& random)
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

std::optional<BadSample> firstBadSample(const juce::AudioBuffer<float>& buffer)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        const auto* samples = buffer.getReadPointer(channel);

        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            const auto kind = std::fpclassify(samples[i]);

            if (kind == FP_NAN || kind == FP_INFINITE || kind == FP_SUBNORMAL)
                return BadSample{channel, i, samples[i]};
        }
    }

    return std::nullopt;
}

std::string describe(const std::optional<BadSample>& bad)
{
    if (!bad.has_value())
        return "every sample is a normal finite number or zero";

    std::ostringstream text;
    text.precision(9);
    text << "channel " << bad->channel << ", sample " << bad->index << " is " << bad->value;
    return text.str();
}

BlockPlan::BlockPlan(int size, int announcedMaximum, juce::Random& randomSource)
    : blockSize(size)
    , maximum(announcedMaximum)
    , random(randomSource)
{
}

int BlockPlan::next(int remaining)
{
    if (blockSize > 0)
        return juce::jmin(blockSize, remaining);

    // Now and then an empty block, as hosts send to deliver parameter changes on their own.
    if (random.nextInt(20) == 0)
        return 0;

    return juce::jmin(remaining, 1 + random.nextInt(maximum));
}

void process(HostedPlugin& plugin, juce::AudioBuffer<float>& signal, const juce::MidiBuffer& midi,
             BlockPlan& plan, const std::function<void(int, int)>& beforeBlock)
{
    juce::MidiBuffer blockMidi;

    for (int start = 0; start < signal.getNumSamples();)
    {
        const auto length = plan.next(signal.getNumSamples() - start);

        if (beforeBlock)
            beforeBlock(start, length);

        juce::AudioBuffer<float> block(signal.getArrayOfWritePointers(), signal.getNumChannels(), start,
                                       length);
        blockMidi.clear();

        if (length > 0)
            blockMidi.addEvents(midi, start, length, -start);

        plugin.process(block, blockMidi);
        start += length;
    }
}

double rms(const juce::AudioBuffer<float>& buffer)
{
    double sum = 0.0;

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            sum += (double) buffer.getSample(channel, i) * buffer.getSample(channel, i);

    const auto count = buffer.getNumChannels() * buffer.getNumSamples();
    return count > 0 ? std::sqrt(sum / count) : 0.0;
}
} // namespace hostSignals
