// The whole processBlock, as a host drives it, at 44.1, 48 and 96 kHz in blocks of 64, 512 and
// 2048, with the default and the heaviest settings. "xRT" is seconds of stereo audio processed
// per second of CPU on one core; "vs_floors" is the chain's CPU time over the sum of the bare
// framework work its units cannot avoid (4x oversampling with tanhf, seven delay lines' pops and
// pushes, four state-variable steps per frame with both cutoffs moving) at the same rate and
// block.
#include "BareFloors.h"
#include "HeaviestSettings.h"
#include "PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <ctime>
#include <map>

namespace
{
double threadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return (double) now.tv_sec + 1.0e-9 * (double) now.tv_nsec;
}

juce::AudioBuffer<float> makeNoise(int blockSize)
{
    juce::Random random(42);
    juce::AudioBuffer<float> buffer(2, blockSize);
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < blockSize; ++i)
            buffer.setSample(channel, i, random.nextFloat() - 0.5f);
    return buffer;
}

// Runs work on a fresh copy of the noise until about a quarter of a second of CPU has gone,
// and returns the CPU seconds per frame.
template <typename Work> double secondsPerFrame(int blockSize, Work&& work)
{
    const auto input = makeNoise(blockSize);
    juce::AudioBuffer<float> buffer(2, blockSize);
    juce::ScopedNoDenormals noDenormals;
    long blocks = 0;
    const auto start = threadSeconds();
    double elapsed = 0.0;

    while (elapsed < 0.25)
    {
        buffer.makeCopyOf(input, true);
        work(buffer);
        benchmark::ClobberMemory();
        ++blocks;
        elapsed = threadSeconds() - start;
    }

    return elapsed / ((double) blocks * blockSize);
}

// Builds a floor only for its own measurement: the seven lines alone hold tens of megabytes.
template <typename Floor, typename... Arguments> double floorPerFrame(int blockSize, Arguments... arguments)
{
    Floor work(arguments...);
    return secondsPerFrame(blockSize, [&](juce::AudioBuffer<float>& buffer) { work.process(buffer); });
}

// The floors depend on the rate (line storage) and the block (oversampler), not on settings.
double floorsPerFrame(double rate, int blockSize)
{
    static std::map<std::pair<double, int>, double> measured;
    const auto key = std::pair{rate, blockSize};

    if (measured.count(key) == 0)
        measured[key] = floorPerFrame<OversampledTanhFloor>(blockSize, blockSize) +
                        floorPerFrame<DelayLinesFloor>(blockSize, rate, blockSize) +
                        floorPerFrame<FilterDesignsFloor>(blockSize, rate, false);

    return measured[key];
}

struct Chain
{
    Chain(double rate, int blockSize, bool heaviest)
    {
        processor.setRateAndBufferSizeDetails(rate, blockSize);
        processor.prepareToPlay(rate, blockSize);

        if (heaviest)
            applyHeaviest();
    }

    // On top of the units' heaviest settings, the non-default order of both switches, the mix
    // ramping and both gains working.
    void applyHeaviest()
    {
        auto& state = processor.valueTreeState;
        applyHeaviestUnitSettings(state);
        setParameter(state, "signalOrder", 1.0f);
        setParameter(state, "filterOrder", 1.0f);
        setParameter(state, "dryWet", 0.5f);
        setParameter(state, "inputGain", 6.0f);
        setParameter(state, "outputGain", -6.0f);
    }

    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;
};

void ProcessBlock(benchmark::State& state)
{
    const auto rate = (double) state.range(0);
    const auto blockSize = (int) state.range(1);
    const auto heaviest = state.range(2) != 0;

    Chain chain(rate, blockSize, heaviest);
    const auto input = makeNoise(blockSize);
    juce::AudioBuffer<float> buffer(2, blockSize);

    // About every 2 s a note starts, and 1 s later it ends, so the envelopes keep moving.
    juce::MidiBuffer noteOn, noteOff, none;
    noteOn.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), 0);
    noteOff.addEvent(juce::MidiMessage::noteOff(1, 60), 0);
    const auto period = juce::jmax(2, (int) (2.0 * rate / blockSize));
    long block = 0;

    const auto start = threadSeconds();
    for (auto _ : state)
    {
        buffer.makeCopyOf(input, true);
        const auto phase = block++ % period;
        auto& midi = !heaviest ? none : phase == 0 ? noteOn : phase == period / 2 ? noteOff : none;
        chain.processor.processBlock(buffer, midi);
        benchmark::ClobberMemory();
    }
    const auto cpuSeconds = threadSeconds() - start;

    const auto frames = (double) state.iterations() * blockSize;
    state.counters["xRT"] = (frames / rate) / cpuSeconds;
    state.counters["vs_floors"] = (cpuSeconds / frames) / floorsPerFrame(rate, blockSize);
}
} // namespace

BENCHMARK(ProcessBlock)
    ->ArgNames({"rate", "block", "heaviest"})
    ->ArgsProduct({{44100, 48000, 96000}, {64, 512, 2048}, {0, 1}})
    ->Unit(benchmark::kMicrosecond);
