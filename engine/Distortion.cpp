#include "Distortion.h"

#include <cmath>

Distortion::Distortion(juce::AudioProcessorValueTreeState& state)
    : oversampler(std::make_unique<juce::dsp::Oversampling<float>>(
          2, 2, juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR, true, true))
    , valueTreeState(state)
{
}

void Distortion::prepare(const juce::dsp::ProcessSpec& spec)
{
    oversampler->reset();
    oversampler->initProcessing(spec.maximumBlockSize);
    spareChannel.setSize(1, (int) spec.maximumBlockSize);

    driveValue = valueTreeState.getRawParameterValue("distortion");
    typeValue = valueTreeState.getRawParameterValue("distType");
}

void Distortion::reset() noexcept
{
    oversampler->reset();
}

int Distortion::getLatencyInSamples() const
{
    return juce::roundToInt(oversampler->getLatencyInSamples());
}

void Distortion::process(juce::AudioBuffer<float>& buffer)
{
    if (buffer.getNumSamples() == 0)
        return;

    // Before the first prepare there is no cached handle and the oversampler passes nothing
    // through, so the block only sees the two gains; that path never runs on the audio thread.
    const float drive = driveValue != nullptr ? driveValue->load()
                                              : valueTreeState.getRawParameterValue("distortion")->load();
    preGain.setGainLinear(drive);
    postGain.setGainLinear(static_cast<float>(1.0 / std::sqrt(static_cast<double>(drive))));

    auto block = blockOf(buffer);
    juce::dsp::ProcessContextReplacing<float> context(block);
    preGain.process(context);

    auto up = oversampler->processSamplesUp(block);

    if (typeValue != nullptr)
    {
        const auto numChannels = juce::jmin(up.getNumChannels(), block.getNumChannels());
        shape(up, numChannels, static_cast<int>(typeValue->load()));
    }

    oversampler->processSamplesDown(block);
    postGain.process(context);
}

// The oversampler's latency delay takes blocks of exactly the two channels it was prepared for, so
// a mono buffer runs beside a silent second channel. Each channel is processed on its own, so the
// mono channel comes out as the left one of a stereo buffer would.
juce::dsp::AudioBlock<float> Distortion::blockOf(juce::AudioBuffer<float>& buffer)
{
    const auto numSamples = buffer.getNumSamples();

    if (buffer.getNumChannels() != 1 || numSamples > spareChannel.getNumSamples())
        return juce::dsp::AudioBlock<float>(buffer);

    spareChannel.clear(0, 0, numSamples);
    monoChannels = {buffer.getWritePointer(0), spareChannel.getWritePointer(0)};
    return {monoChannels.data(), monoChannels.size(), (size_t) numSamples};
}

void Distortion::shape(juce::dsp::AudioBlock<float>& block, size_t numChannels, int type) const
{
    const auto numSamples = block.getNumSamples();

    for (size_t channel = 0; channel < numChannels; ++channel)
    {
        auto* samples = block.getChannelPointer(channel);

        switch (type)
        {
            case 1:
                for (size_t i = 0; i < numSamples; ++i)
                    samples[i] = std::tanh(samples[i]);
                break;
            case 2:
                shapeWithCurrentDrive(samples, numSamples);
                break;
            case 3:
                for (size_t i = 0; i < numSamples; ++i)
                    samples[i] = std::sin(0.5f * samples[i]);
                break;
            default:
                break;
        }
    }
}

// The knee follows the drive from one oversampled sample to the next, so automation reaches the
// curve within the block while the gains keep the value read at its start.
void Distortion::shapeWithCurrentDrive(float* samples, size_t numSamples) const
{
    for (size_t i = 0; i < numSamples; ++i)
    {
        const float a = driveValue->load(std::memory_order_relaxed) / 100.0f;
        const float k = (a + a) / (1.0f - a);
        const float x = samples[i];
        samples[i] = ((k + 1.0f) * x) / ((std::abs(x) * k) + 1.0f);
    }
}
