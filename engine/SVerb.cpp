#include "SVerb.h"

#include "SameReading.h"

namespace
{
constexpr float sectionGain = 0.7f;

// One recursive section: the line feeds back with -g while the output adds g times the input.
float runSection(juce::dsp::DelayLine<float, juce::dsp::DelayLineInterpolationTypes::Linear>& line,
                 int channel, float input)
{
    const float delayed = line.popSample(channel);
    line.pushSample(channel, input - sectionGain * delayed);
    return (input * sectionGain) + delayed;
}
} // namespace

SVerb::SVerb(juce::AudioProcessorValueTreeState& state)
    : valueTreeState(state)
    , distortionUnit(state)
{
}

void SVerb::prepare(const juce::dsp::ProcessSpec& spec)
{
    distortionUnit.prepare(spec);
    baseDelays = {347, 113, 37, 1687, 1601, 2053, 2251};

    const auto maximumDelay = static_cast<int>(4.0 * spec.sampleRate);

    for (auto* line : allLines())
    {
        line->prepare(spec);
        line->reset();
        line->setMaximumDelayInSamples(maximumDelay);
    }

    signalOrderValue = valueTreeState.getRawParameterValue("signalOrder");
    lengthsDelay = lengthsSpread = std::numeric_limits<float>::quiet_NaN();
}

void SVerb::reset() noexcept
{
    distortionUnit.reset();

    for (auto* line : allLines())
        line->reset();
}

std::array<SVerb::Line*, 7> SVerb::allLines() noexcept
{
    return {&allpass1, &allpass2, &allpass3, &tap1, &tap2, &tap3, &tap4};
}

std::array<float, 7> SVerb::getDelayLengths() const
{
    return {allpass1.getDelay(), allpass2.getDelay(), allpass3.getDelay(), tap1.getDelay(),
            tap2.getDelay(),     tap3.getDelay(),     tap4.getDelay()};
}

void SVerb::process(juce::AudioBuffer<float>& buffer, std::atomic<float>* delay, std::atomic<float>* feedback)
{
    // The lines have no storage before the first prepare.
    if (signalOrderValue == nullptr)
        return;

    const int order = static_cast<int>(signalOrderValue->load());

    if (order == 1)
        distortionUnit.process(buffer);

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        auto* samples = buffer.getWritePointer(channel);

        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            setLengths(delay->load(), feedback->load());
            samples[i] = processSample(channel, samples[i]);
        }
    }

    if (order == 0)
        distortionUnit.process(buffer);
}

// "delay" lengthens every line; "feedback" spreads the later lines further apart as it grows.
// The lengths follow the readings at every sample; equal readings give equal lengths.
void SVerb::setLengths(float delay, float spread)
{
    if (sameReading(delay, lengthsDelay) && sameReading(spread, lengthsSpread))
        return;

    lengthsDelay = delay;
    lengthsSpread = spread;
    allpass1.setDelay(static_cast<float>(baseDelays[0]) + delay);
    allpass2.setDelay(((spread + 1.0f) * delay) + static_cast<float>(baseDelays[1]));
    allpass3.setDelay((((spread * 3.0f) + 3.0f) * delay) + static_cast<float>(baseDelays[2]));
    tap1.setDelay((((spread * 5.0f) + 3.0f) * delay) + static_cast<float>(baseDelays[3]));
    tap2.setDelay((((spread * 7.0f) + 3.0f) * delay) + static_cast<float>(baseDelays[4]));
    tap3.setDelay((((spread * 11.0f) + 3.0f) * delay) + static_cast<float>(baseDelays[5]));
    tap4.setDelay((((spread * 13.0f) + 3.0f) * delay) + static_cast<float>(baseDelays[6]));
}

float SVerb::processSample(int channel, float input)
{
    const float diffused =
        runSection(allpass3, channel, runSection(allpass2, channel, runSection(allpass1, channel, input)));

    float taps = 0.0f;

    for (auto* line : {&tap1, &tap2, &tap3, &tap4})
    {
        const float tapped = line->popSample(channel);
        line->pushSample(channel, diffused);
        taps += (tapped * sectionGain) + diffused;
    }

    return 0.25f * taps;
}
