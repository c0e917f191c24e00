// Cost of the three DSP units per stereo frame at 48 kHz in 512-sample blocks, next to the bare
// framework work each of them cannot avoid. "ns_per_frame" is wall time per stereo frame and
// "ratio" is a unit's time over its floor's, measured in the same run; "ratio_skew" compares the
// filter with the floor that also maps both cutoffs through the skewed range.
#include "BareFloors.h"
#include "Distortion.h"
#include "Filter.h"
#include "HeaviestSettings.h"
#include "PluginProcessor.h"
#include "SVerb.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <string>

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;

enum class Setting
{
    defaults,
    heaviest
};

// Wall time per frame of the last finished run of each floor, keyed by unit.
std::map<std::string, double>& floors()
{
    static std::map<std::string, double> times;
    return times;
}

juce::AudioBuffer<float> makeNoise()
{
    juce::Random random(42);
    juce::AudioBuffer<float> buffer(2, blockSize);
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < blockSize; ++i)
            buffer.setSample(channel, i, random.nextFloat() * 2.0f - 1.0f);
    return buffer;
}

// Times the loop, refreshing the block from the same noise before each pass so that nothing
// grows from pass to pass, and reports the per-frame time and, for a unit, its ratio to a floor.
template <typename Work>
void measure(benchmark::State& state, const std::string& unit, bool isFloor, Work&& work)
{
    const auto input = makeNoise();
    juce::AudioBuffer<float> buffer(2, blockSize);
    juce::ScopedNoDenormals noDenormals;

    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state)
    {
        buffer.makeCopyOf(input, true);
        work(buffer);
        benchmark::ClobberMemory();
    }
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;

    const double frames = static_cast<double>(state.iterations()) * blockSize;
    const double perFrame = elapsed.count() / frames;
    state.counters["ns_per_frame"] = perFrame;
    state.SetItemsProcessed(static_cast<int64_t>(frames));

    if (isFloor)
        floors()[unit] = perFrame;
    else
        for (const auto& [name, floorPerFrame] : floors())
            if (name == unit)
                state.counters["ratio"] = perFrame / floorPerFrame;
            else if (name.rfind(unit + "+", 0) == 0)
                state.counters["ratio_" + name.substr(unit.size() + 1)] = perFrame / floorPerFrame;
}

struct Plugin
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;

    void apply(Setting setting)
    {
        if (setting == Setting::heaviest)
            applyHeaviestUnitSettings(processor.valueTreeState);
    }
};

const juce::dsp::ProcessSpec spec{rate, blockSize, 2};

//==============================================================================
// Floors: the framework calls alone, with fixed settings.

void DistortionFloor(benchmark::State& state)
{
    OversampledTanhFloor oversampledTanh(blockSize);
    measure(state, "distortion", true, [&](auto& buffer) { oversampledTanh.process(buffer); });
}

// The reverb always runs the distortion as well, so its floor holds both.
void ReverbFloor(benchmark::State& state)
{
    DelayLinesFloor lines(rate, blockSize);
    OversampledTanhFloor distortion(blockSize);
    measure(state, "reverb", true,
            [&](auto& buffer)
            {
                lines.process(buffer);
                distortion.process(buffer);
            });
}

// The heaviest setting's skews of 0.3 make the unit map both cutoffs, so it is also measured
// against the floor that maps them.
void FilterFloor(benchmark::State& state, bool withSkewMapping)
{
    FilterDesignsFloor designs(rate, withSkewMapping);
    measure(state, withSkewMapping ? "filter+skew" : "filter", true,
            [&](auto& buffer) { designs.process(buffer); });
}

//==============================================================================
// The units, through the plug-in's own parameters.

void DistortionUnit(benchmark::State& state, Setting setting)
{
    Plugin plugin;
    plugin.apply(setting);
    Distortion distortion(plugin.processor.valueTreeState);
    distortion.prepare(spec);
    measure(state, "distortion", false, [&](auto& buffer) { distortion.process(buffer); });
}

void ReverbUnit(benchmark::State& state, Setting setting)
{
    Plugin plugin;
    plugin.apply(setting);
    SVerb reverb(plugin.processor.valueTreeState);
    reverb.prepare(spec);
    auto* delay = plugin.processor.valueTreeState.getRawParameterValue("delay");
    auto* feedback = plugin.processor.valueTreeState.getRawParameterValue("feedback");
    measure(state, "reverb", false, [&](auto& buffer) { reverb.process(buffer, delay, feedback); });
}

void FilterUnit(benchmark::State& state, Setting setting)
{
    Plugin plugin;
    plugin.apply(setting);
    Filter filter(plugin.processor.valueTreeState);
    filter.prepare(spec);
    int block = 0;

    // With 3 s envelopes, a note held for 200 blocks and released for 200 keeps them moving.
    measure(state, "filter", false,
            [&](auto& buffer)
            {
                if (setting == Setting::heaviest)
                {
                    filter.noteOnPending = filter.noteOnPending || block % 400 == 0;
                    filter.noteOffPending = filter.noteOffPending || block % 400 == 200;
                }
                ++block;
                juce::dsp::AudioBlock<float> audio(buffer);
                filter.process(juce::dsp::ProcessContextReplacing<float>(audio));
            });
}
} // namespace

// Floors first: each unit's ratio uses its floor's figure from earlier in the same run.
BENCHMARK(DistortionFloor);
BENCHMARK(ReverbFloor);
BENCHMARK_CAPTURE(FilterFloor, designs_and_steps, false);
BENCHMARK_CAPTURE(FilterFloor, with_skew_mapping, true);
BENCHMARK_CAPTURE(DistortionUnit, defaults, Setting::defaults);
BENCHMARK_CAPTURE(DistortionUnit, heaviest, Setting::heaviest);
BENCHMARK_CAPTURE(ReverbUnit, defaults, Setting::defaults);
BENCHMARK_CAPTURE(ReverbUnit, heaviest, Setting::heaviest);
BENCHMARK_CAPTURE(FilterUnit, defaults, Setting::defaults);
BENCHMARK_CAPTURE(FilterUnit, heaviest, Setting::heaviest);
