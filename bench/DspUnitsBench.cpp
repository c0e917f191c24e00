// Cost of the three DSP units per stereo frame at 48 kHz in 512-sample blocks, next to the bare
// framework work each of them cannot avoid. "ns_per_frame" is wall time per stereo frame and
// "ratio" is a unit's time over its floor's, measured in the same run; "ratio_skew" compares the
// filter with the floor that also maps both cutoffs through the skewed range.
#include "Distortion.h"
#include "Filter.h"
#include "PluginProcessor.h"
#include "SVerb.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
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

    void set(const char* id, float value)
    {
        auto* parameter = processor.valueTreeState.getParameter(id);
        parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
    }

    void apply(Setting setting)
    {
        if (setting == Setting::defaults)
            return;
        set("distType", 2.0f);
        set("distortion", 99.0f);
        set("delay", 2500.0f);
        set("feedback", 0.37f);
        set("lowPass", 18000.0f);
        set("lpfEnv", -15000.0f);
        set("highPass", 100.0f);
        set("hpfEnv", 3000.0f);
        set("lowPassQ", 4.0f);
        set("highPassQ", 4.0f);
        for (const auto* id : {"lpfEnvAttack", "lpfEnvRelease", "hpfEnvAttack", "hpfEnvRelease"})
            set(id, 3.0f);
        set("lpfSkew", 0.3f);
        set("hpfSkew", 0.3f);
    }
};

const juce::dsp::ProcessSpec spec{rate, blockSize, 2};

//==============================================================================
// Floors: the framework calls alone, with fixed settings.

void oversampledTanh(juce::dsp::Oversampling<float>& oversampler, juce::AudioBuffer<float>& buffer)
{
    juce::dsp::AudioBlock<float> block(buffer);
    auto up = oversampler.processSamplesUp(block);
    for (size_t channel = 0; channel < up.getNumChannels(); ++channel)
    {
        auto* samples = up.getChannelPointer(channel);
        for (size_t i = 0; i < up.getNumSamples(); ++i)
            samples[i] = tanhf(samples[i]);
    }
    oversampler.processSamplesDown(block);
}

void DistortionFloor(benchmark::State& state)
{
    juce::dsp::Oversampling<float> oversampler(
        2, 2, juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR, true, true);
    oversampler.initProcessing(blockSize);
    measure(state, "distortion", true, [&](auto& buffer) { oversampledTanh(oversampler, buffer); });
}

using Line = juce::dsp::DelayLine<float, juce::dsp::DelayLineInterpolationTypes::Linear>;

// Seven lines with the heaviest, fractional lengths, doing the network's pops and pushes.
struct BareLines
{
    std::array<Line, 7> lines;

    BareLines()
    {
        const float spread = 0.37f, delay = 2500.0f;
        const float lengths[] = {347.0f + delay,
                                 (spread + 1.0f) * delay + 113.0f,
                                 (spread * 3.0f + 3.0f) * delay + 37.0f,
                                 (spread * 5.0f + 3.0f) * delay + 1687.0f,
                                 (spread * 7.0f + 3.0f) * delay + 1601.0f,
                                 (spread * 11.0f + 3.0f) * delay + 2053.0f,
                                 (spread * 13.0f + 3.0f) * delay + 2251.0f};
        for (size_t i = 0; i < 7; ++i)
        {
            lines[i].prepare(spec);
            lines[i].setMaximumDelayInSamples(static_cast<int>(4.0 * rate));
            lines[i].setDelay(lengths[i]);
        }
    }

    void process(juce::AudioBuffer<float>& buffer)
    {
        for (int channel = 0; channel < 2; ++channel)
        {
            auto* samples = buffer.getWritePointer(channel);
            for (int i = 0; i < blockSize; ++i)
            {
                float s = samples[i];
                for (size_t n = 0; n < 3; ++n)
                {
                    const float d = lines[n].popSample(channel);
                    lines[n].pushSample(channel, s - 0.7f * d);
                    s = s * 0.7f + d;
                }
                float taps = 0.0f;
                for (size_t n = 3; n < 7; ++n)
                {
                    taps += lines[n].popSample(channel) * 0.7f + s;
                    lines[n].pushSample(channel, s);
                }
                samples[i] = 0.25f * taps;
            }
        }
    }
};

// The reverb always runs the distortion as well, so its floor holds both.
void ReverbFloor(benchmark::State& state)
{
    BareLines lines;
    juce::dsp::Oversampling<float> oversampler(
        2, 2, juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR, true, true);
    oversampler.initProcessing(blockSize);
    measure(state, "reverb", true,
            [&](auto& buffer)
            {
                lines.process(buffer);
                oversampledTanh(oversampler, buffer);
            });
}

// Two designs and four biquad steps per frame, the cutoffs moving at every sample. With the skew
// mapping, each cutoff first goes through the framework's skewed range as the unit's do, which
// the heaviest setting (skews 0.3) cannot avoid either.
void FilterFloor(benchmark::State& state, bool withSkewMapping)
{
    using Coefficients = juce::dsp::IIR::Coefficients<float>;
    using Designs = juce::dsp::IIR::ArrayCoefficients<float>;
    Coefficients::Ptr highPass = new Coefficients(1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
    Coefficients::Ptr lowPass = new Coefficients(1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
    juce::dsp::IIR::Filter<float> highLeft(highPass), highRight(highPass), lowLeft(lowPass),
        lowRight(lowPass);
    juce::NormalisableRange<float> linear(20.0f, 20000.0f, 1.0f), skewed(20.0f, 20000.0f, 1.0f);
    skewed.skew = 0.3f;
    float sweep = 0.0f;

    auto copy = [](Coefficients& target, const std::array<float, 6>& raw)
    {
        auto* c = target.getRawCoefficients();
        c[0] = raw[0];
        c[1] = raw[1];
        c[2] = raw[2];
        c[3] = raw[4];
        c[4] = raw[5];
    };
    auto map = [&](float cutoff)
    { return withSkewMapping ? skewed.convertFrom0to1(linear.convertTo0to1(cutoff)) : cutoff; };

    measure(state, withSkewMapping ? "filter+skew" : "filter", true,
            [&](auto& buffer)
            {
                auto* left = buffer.getWritePointer(0);
                auto* right = buffer.getWritePointer(1);
                for (int i = 0; i < blockSize; ++i)
                {
                    sweep = sweep < 1.0f ? sweep + 1.0e-5f : 0.0f;
                    const float high = map(100.0f + 3000.0f * sweep);
                    const float low = map(18000.0f - 15000.0f * sweep);
                    copy(*highPass, Designs::makeHighPass(rate, high, 4.0f));
                    copy(*lowPass, Designs::makeLowPass(rate, low, 4.0f));
                    left[i] = lowLeft.processSample(highLeft.processSample(left[i]));
                    right[i] = lowRight.processSample(highRight.processSample(right[i]));
                }
            });
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
BENCHMARK_CAPTURE(FilterFloor, designs_and_biquads, false);
BENCHMARK_CAPTURE(FilterFloor, with_skew_mapping, true);
BENCHMARK_CAPTURE(DistortionUnit, defaults, Setting::defaults);
BENCHMARK_CAPTURE(DistortionUnit, heaviest, Setting::heaviest);
BENCHMARK_CAPTURE(ReverbUnit, defaults, Setting::defaults);
BENCHMARK_CAPTURE(ReverbUnit, heaviest, Setting::heaviest);
BENCHMARK_CAPTURE(FilterUnit, defaults, Setting::defaults);
BENCHMARK_CAPTURE(FilterUnit, heaviest, Setting::heaviest);
