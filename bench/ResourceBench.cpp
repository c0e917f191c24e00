// What one plug-in instance costs its host: heap memory once prepared (the reverb's seven delay
// lines, sized for 4 s at the sample rate, are the bulk), the time to create and destroy an
// instance, and the time of prepareToPlay, first on a fresh instance and again on one that has
// been processing at that rate, as when a host re-activates it; and the time to load states of
// 1 kB, 100 kB and 1.3 MB, beside the framework's own parse and replace of the same chunk.
//
// The heap figures are what the allocator hands out; the lines come zeroed from it and become
// resident as audio is written into them, over the first 4 s of processing.
#include "PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <malloc.h>

namespace
{
constexpr int blockSize = 512;

// Bytes the C heap hands out right now, in every arena and in separately mapped blocks.
double heapBytes()
{
    const auto info = mallinfo2();
    return (double) info.uordblks + (double) info.hblkhd;
}

void prepare(SorvandelAudioProcessor& processor, double sampleRate)
{
    processor.setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor.prepareToPlay(sampleRate, blockSize);
}

// Leaves audio in the lines, so that the next prepareToPlay has to clear them.
void processNoise(SorvandelAudioProcessor& processor, double seconds, double sampleRate)
{
    juce::Random random(1);
    juce::AudioBuffer<float> buffer(2, blockSize);
    juce::MidiBuffer midi;

    for (int done = 0; done < (int) (seconds * sampleRate); done += blockSize)
    {
        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < blockSize; ++i)
                buffer.setSample(channel, i, random.nextFloat() - 0.5f);

        processor.processBlock(buffer, midi);
    }
}

// The delay lines alone: 7 lines of 2 channels, each holding 4 s plus 2 samples of floats.
double delayLineBytes(double sampleRate)
{
    return 7.0 * 2.0 * ((double) (int) (4.0 * sampleRate) + 2.0) * sizeof(float);
}

void InstanceMemory(benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    const auto sampleRate = (double) state.range(0);
    constexpr int instances = 4;
    constexpr double mebibyte = 1024.0 * 1024.0;

    // One instance first, so that the framework's one-time allocations (its timer thread and
    // singletons) are not charged to the instances measured.
    {
        SorvandelAudioProcessor warmUp;
        prepare(warmUp, sampleRate);
    }

    double constructed = 0.0, prepared = 0.0;

    for (auto _ : state)
    {
        std::vector<std::unique_ptr<SorvandelAudioProcessor>> processors;
        const auto before = heapBytes();

        for (int i = 0; i < instances; ++i)
            processors.push_back(std::make_unique<SorvandelAudioProcessor>());

        const auto afterConstruction = heapBytes();

        for (auto& processor : processors)
            prepare(*processor, sampleRate);

        const auto afterPreparation = heapBytes();

        constructed = (afterConstruction - before) / instances;
        prepared = (afterPreparation - before) / instances;
        benchmark::DoNotOptimize(processors.data());
    }

    state.counters["constructed_MiB"] = constructed / mebibyte;
    state.counters["prepared_MiB"] = prepared / mebibyte;
    state.counters["delay_lines_MiB"] = delayLineBytes(sampleRate) / mebibyte;
}

void CreateAndDestroy(benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI gui;

    for (auto _ : state)
    {
        auto processor = std::make_unique<SorvandelAudioProcessor>();
        benchmark::DoNotOptimize(processor.get());
        processor.reset();
    }
}

// A host's first activation: everything prepareToPlay allocates is new.
void FirstPrepareToPlay(benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    const auto sampleRate = (double) state.range(0);

    for (auto _ : state)
    {
        state.PauseTiming();
        auto processor = std::make_unique<SorvandelAudioProcessor>();
        state.ResumeTiming();

        prepare(*processor, sampleRate);

        state.PauseTiming();
        processor.reset();
        state.ResumeTiming();
    }
}

// A re-activation at the same rate after processing: the lines are cleared, not allocated.
void PrepareToPlayAgain(benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    const auto sampleRate = (double) state.range(0);
    SorvandelAudioProcessor processor;
    prepare(processor, sampleRate);

    for (auto _ : state)
    {
        state.PauseTiming();
        processNoise(processor, 0.01, sampleRate);
        state.ResumeTiming();

        prepare(processor, sampleRate);
    }
}

void DestroyPrepared(benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    const auto sampleRate = (double) state.range(0);

    for (auto _ : state)
    {
        state.PauseTiming();
        auto processor = std::make_unique<SorvandelAudioProcessor>();
        prepare(*processor, sampleRate);
        state.ResumeTiming();

        processor.reset();
    }
}

// A chunk of about the given size: the instance's own state with attributes added to its root
// (shape 0) or elements added beside its parameters (shape 1), as a newer or foreign writer
// might leave them.
juce::MemoryBlock chunkOfSize(SorvandelAudioProcessor& processor, size_t bytes, int shape)
{
    const auto own = processor.valueTreeState.copyState().createXml()->toString(
        juce::XmlElement::TextFormat().singleLine().withoutHeader());
    // Everything goes in just after the root's name, or just after its start tag.
    const auto at = shape == 0 ? own.indexOf(" ") : own.indexOf(">") + 1;
    juce::String added;

    for (int k = 0; (size_t) (own.length() + added.length()) < bytes; ++k)
        added << (shape == 0 ? " a" : "<EXTRA id=\"x") << k << (shape == 0 ? "=\"1\"" : "\" value=\"1\"/>");

    juce::MemoryBlock chunk;
    juce::AudioProcessor::copyXmlToBinary(*juce::parseXML(own.substring(0, at) + added + own.substring(at)),
                                          chunk);
    return chunk;
}

// Loads a chunk of the benchmark's size and shape, over and over, with load.
template <typename Load> void timeLoads(benchmark::State& state, Load&& load)
{
    const juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;
    const auto chunk = chunkOfSize(processor, (size_t) state.range(0), (int) state.range(1));

    for (auto _ : state)
        load(processor, chunk);

    state.counters["bytes"] = (double) chunk.getSize();
}

void LoadState(benchmark::State& state)
{
    timeLoads(state, [](SorvandelAudioProcessor& processor, const juce::MemoryBlock& chunk)
              { processor.setStateInformation(chunk.getData(), (int) chunk.getSize()); });
}

void LoadStateFrameworkOnly(benchmark::State& state)
{
    timeLoads(state,
              [](SorvandelAudioProcessor& processor, const juce::MemoryBlock& chunk)
              {
                  if (auto xml =
                          juce::AudioProcessor::getXmlFromBinary(chunk.getData(), (int) chunk.getSize()))
                      processor.valueTreeState.replaceState(juce::ValueTree::fromXml(*xml));
              });
}
} // namespace

BENCHMARK(InstanceMemory)->Arg(48000)->Arg(192000)->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(CreateAndDestroy)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(FirstPrepareToPlay)->Arg(48000)->Arg(192000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(PrepareToPlayAgain)->Arg(48000)->Arg(192000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(DestroyPrepared)->Arg(48000)->Arg(192000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(LoadState)
    ->ArgsProduct({{1000, 100000, 1300000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
BENCHMARK(LoadStateFrameworkOnly)
    ->ArgsProduct({{1000, 100000, 1300000}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();
