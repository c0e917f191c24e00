// The whole processBlock, as a host drives it, at 44.1, 48 and 96 kHz in blocks of 64, 512 and
// 2048, with the default and the heaviest settings. "xRT" is seconds of stereo audio processed
// per second of CPU on one core; "vs_floors" is the chain's CPU time over the sum of the bare
// framework work its units cannot avoid (4x oversampling with tanhf, seven delay lines' pops and
// pushes, two coefficient designs and four biquad steps per frame) at the same rate and block.
#include "PluginProcessor.h"

#include <benchmark/benchmark.h>

#include <array>
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

using Line = juce::dsp::DelayLine<float, juce::dsp::DelayLineInterpolationTypes::Linear>;
using Coefficients = juce::dsp::IIR::Coefficients<float>;
using Designs = juce::dsp::IIR::ArrayCoefficients<float>;

double oversamplingFloor(double rate, int blockSize)
{
    juce::ignoreUnused(rate);
    juce::dsp::Oversampling<float> oversampler(
        2, 2, juce::dsp::Oversampling<float>::filterHalfBandPolyphaseIIR, true, true);
    oversampler.initProcessing((size_t) blockSize);

    return secondsPerFrame(blockSize,
                           [&](juce::AudioBuffer<float>& buffer)
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
                           });
}

double delayLinesFloor(double rate, int blockSize)
{
    std::array<Line, 7> lines;
    const std::array<float, 7> lengths{2847.0f, 3538.0f, 10312.0f, 14812.5f, 16576.5f, 19735.5f, 22028.5f};

    for (size_t n = 0; n < lines.size(); ++n)
    {
        lines[n].prepare({rate, (juce::uint32) blockSize, 2});
        lines[n].setMaximumDelayInSamples((int) (4.0 * rate));
        lines[n].setDelay(lengths[n]);
    }

    return secondsPerFrame(blockSize,
                           [&](juce::AudioBuffer<float>& buffer)
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
                           });
}

double filterFloor(double rate, int blockSize)
{
    Coefficients::Ptr highPass = new Coefficients(1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
    Coefficients::Ptr lowPass = new Coefficients(1.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f);
    juce::dsp::IIR::Filter<float> highLeft(highPass), highRight(highPass), lowLeft(lowPass),
        lowRight(lowPass);
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

    return secondsPerFrame(
        blockSize,
        [&](juce::AudioBuffer<float>& buffer)
        {
            auto* left = buffer.getWritePointer(0);
            auto* right = buffer.getWritePointer(1);
            for (int i = 0; i < blockSize; ++i)
            {
                sweep = sweep < 1.0f ? sweep + 1.0e-5f : 0.0f;
                copy(*highPass, Designs::makeHighPass(rate, 100.0f + 3000.0f * sweep, 4.0f));
                copy(*lowPass, Designs::makeLowPass(rate, 18000.0f - 15000.0f * sweep, 4.0f));
                left[i] = lowLeft.processSample(highLeft.processSample(left[i]));
                right[i] = lowRight.processSample(highRight.processSample(right[i]));
            }
        });
}

// The floors depend on the rate (line storage) and the block (oversampler), not on settings.
double floorsPerFrame(double rate, int blockSize)
{
    static std::map<std::pair<double, int>, double> measured;
    const auto key = std::pair{rate, blockSize};

    if (measured.count(key) == 0)
        measured[key] = oversamplingFloor(rate, blockSize) + delayLinesFloor(rate, blockSize) +
                        filterFloor(rate, blockSize);

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

    void set(const char* id, float value)
    {
        auto* parameter = processor.valueTreeState.getParameter(id);
        parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
    }

    // The costliest curve and line lengths, both envelopes sweeping through skewed designs,
    // the mix ramping and both gains working.
    void applyHeaviest()
    {
        set("distType", 2.0f);
        set("distortion", 99.0f);
        set("delay", 2500.0f);
        set("feedback", 0.37f);
        set("signalOrder", 1.0f);
        set("filterOrder", 1.0f);
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
        set("dryWet", 0.5f);
        set("inputGain", 6.0f);
        set("outputGain", -6.0f);
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
