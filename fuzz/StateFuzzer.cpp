// Feeds arbitrary bytes to the state loader, then saves and plays a block, as a host restoring
// a damaged or foreign project would. Aborts on anything a host could not live with.
#include "PluginProcessor.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace
{
constexpr double sampleRate = 44100.0;
constexpr int blockSize = 64;

juce::MemoryBlock saveState(SorvandelAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation(block);
    return block;
}

void require(bool condition)
{
    if (!condition)
        std::abort();
}

void requireWellFormed(const juce::MemoryBlock& chunk)
{
    const auto* bytes = static_cast<const juce::uint8*>(chunk.getData());
    require(chunk.getSize() >= 9);
    require(juce::ByteOrder::littleEndianInt(bytes) == 0x21324356);
    require(juce::ByteOrder::littleEndianInt(bytes + 4) == chunk.getSize() - 9);
    require(bytes[chunk.getSize() - 1] == 0);
}

std::vector<float> valuesOf(SorvandelAudioProcessor& processor)
{
    std::vector<float> values;
    for (auto* parameter : processor.getParameters())
        values.push_back(parameter->getValue());
    return values;
}

void playBlock(SorvandelAudioProcessor& processor)
{
    juce::AudioBuffer<float> buffer(2, blockSize);
    juce::Random random(1);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < blockSize; ++i)
            buffer.setSample(channel, i, random.nextFloat() - 0.5f);

    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), 0);
    processor.processBlock(buffer, midi);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < blockSize; ++i)
            require(std::isfinite(buffer.getSample(channel, i)));
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// The framework stays up until the process ends: libFuzzer leaves through exit(), after the
// framework's own statics are gone, so shutting it down from a static destructor would touch
// freed memory.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    juce::initialiseJuce_GUI();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > (std::size_t) std::numeric_limits<int>::max())
        return 0;

    SorvandelAudioProcessor processor;
    processor.setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor.prepareToPlay(sampleRate, blockSize);
    processor.setStateInformation(data, (int) size);

    // Whatever was loaded saves as a chunk that restores the same values, and saving what was
    // restored gives that chunk back.
    const auto saved = saveState(processor);
    requireWellFormed(saved);
    SorvandelAudioProcessor restored;
    restored.setStateInformation(saved.getData(), (int) saved.getSize());
    require(valuesOf(restored) == valuesOf(processor));

    const auto savedAgain = saveState(restored);
    SorvandelAudioProcessor restoredAgain;
    restoredAgain.setStateInformation(savedAgain.getData(), (int) savedAgain.getSize());
    require(saveState(restoredAgain) == savedAgain);

    playBlock(processor);
    return 0;
}
