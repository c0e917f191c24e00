#include "ParameterHost.h"
#include "PreparedProcessor.h"
#include "SVerb.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace
{
constexpr double rate = 48000.0;
constexpr int seconds = 2;

enum class Note
{
    none,
    on,
    off
};

// What the test does before each block that starts at the given sample.
using Movement = std::function<Note(PreparedProcessor&, int start)>;

// The loudest sample of two seconds of white noise at +-0.5 through the processor, every other
// setting at its default, with the movement applied before each block.
float peakThroughProcessor(int blockSize, const Movement& move)
{
    const int length = seconds * (int) rate;
    auto signal = signals::noise(2, length, 17, 0.5f);
    PreparedProcessor p(rate, blockSize);

    for (int start = 0; start < length; start += blockSize)
    {
        juce::AudioBuffer<float> block(signal.getArrayOfWritePointers(), 2, start,
                                       std::min(blockSize, length - start));
        const auto note = move(p, start);
        auto midi = note == Note::on ? noteOn() : note == Note::off ? noteOff() : juce::MidiBuffer{};
        p.process(block, midi);
    }

    if (!signals::allFinite(signal))
        return std::numeric_limits<float>::infinity();
    return juce::jmax(signal.getMagnitude(0, 0, length), signal.getMagnitude(1, 0, length));
}

// The loudest that the same noise, in the same blocks, gets through the low-pass held still at
// any of the cutoffs.
float heldStillPeak(int blockSize, float q, std::initializer_list<float> cutoffs)
{
    float peak = 0.0f;
    for (const float cutoff : cutoffs)
        peak = std::max(peak, peakThroughProcessor(blockSize,
                                                   [&](PreparedProcessor& p, int)
                                                   {
                                                       p.set("lowPassQ", q);
                                                       p.set("lowPass", cutoff);
                                                       return Note::none;
                                                   }));
    return peak;
}

// A host's automation lane: the low-pass cutoff at each block's start, the Q fixed.
Movement automate(float q, std::function<float(double time)> cutoffAt)
{
    return [q, cutoffAt](PreparedProcessor& p, int start)
    {
        p.set("lowPassQ", q);
        p.set("lowPass", cutoffAt(start / rate));
        return Note::none;
    };
}

// Notes that swing the low-pass between its cutoff and cutoff + depth, with no attack or
// release, a note-on and a note-off alternating every period.
Movement notes(float q, float cutoff, float depth, int period)
{
    return [=](PreparedProcessor& p, int start)
    {
        p.set("lowPassQ", q);
        p.set("lowPass", cutoff);
        p.set("lpfEnv", depth);
        p.set("lpfEnvAttack", 0.0f);
        p.set("lpfEnvRelease", 0.0f);
        if (start % period != 0)
            return Note::none;
        return (start / period) % 2 == 0 ? Note::on : Note::off;
    };
}

void expectWithinFourTimes(float moving, float held)
{
    EXPECT_TRUE(std::isfinite(moving));
    EXPECT_LE(moving, 4.0f * held) << "held still: " << held;
}
} // namespace

TEST(FilterBounds, LowPassSteppedBetween100And2000HzEvery128SamplesAtQ25)
{
    const auto step = [](double t) { return (int) (t * rate / 128) % 2 == 0 ? 100.0f : 2000.0f; };
    expectWithinFourTimes(peakThroughProcessor(128, automate(25.0f, step)),
                          heldStillPeak(128, 25.0f, {100, 2000}));
}

TEST(FilterBounds, LowPassSteppedBetween100And2000HzEvery32SamplesAtQ5)
{
    const auto step = [](double t) { return (int) (t * rate / 32) % 2 == 0 ? 100.0f : 2000.0f; };
    expectWithinFourTimes(peakThroughProcessor(32, automate(5.0f, step)),
                          heldStillPeak(32, 5.0f, {100, 2000}));
}

TEST(FilterBounds, LowPassSawtoothFrom100To5000HzOnceASecondAtQ25)
{
    const auto saw = [](double t) { return (float) (100.0 + 4900.0 * (t - std::floor(t))); };
    expectWithinFourTimes(peakThroughProcessor(128, automate(25.0f, saw)),
                          heldStillPeak(128, 25.0f, {100, 200, 500, 1000, 2000, 3000, 4000, 5000}));
}

TEST(FilterBounds, LowPassSineAt2HzFrom100To5000HzAtQ25)
{
    const auto sine = [](double t)
    { return (float) (2550.0 + 2450.0 * std::sin(juce::MathConstants<double>::twoPi * 2.0 * t)); };
    expectWithinFourTimes(peakThroughProcessor(128, automate(25.0f, sine)),
                          heldStillPeak(128, 25.0f, {100, 200, 500, 1000, 2000, 3000, 4000, 5000}));
}

TEST(FilterBounds, NotesEvery2048SamplesSwingTheLowPassFrom20000To200HzAtQ25)
{
    expectWithinFourTimes(peakThroughProcessor(512, notes(25.0f, 20000.0f, -19800.0f, 2048)),
                          heldStillPeak(512, 25.0f, {200, 20000}));
}

TEST(FilterBounds, NotesEvery4096SamplesSwingTheLowPassFrom5000To100HzAtQ10)
{
    expectWithinFourTimes(peakThroughProcessor(512, notes(10.0f, 5000.0f, -4900.0f, 4096)),
                          heldStillPeak(512, 10.0f, {100, 5000}));
}

// Two resonances on one frequency, fed a loud sine on it, ring far above full scale and stay
// there. That is the filter doing what it is set to, so the whole of it reaches the output: the
// same sections computed in double precision on the same input.
TEST(FilterBounds, ALoudSteadyResonancePassesWhole)
{
    constexpr double loudRate = 44100.0;
    constexpr int blockSize = 512;
    constexpr int length = 22016; // half a second in whole blocks
    const auto settle = [](auto& settings)
    {
        settings.set("inputGain", 24.0f);
        settings.set("distType", 2.0f);
        settings.set("signalOrder", 1.0f);
        for (const auto* id : {"highPass", "lowPass"})
            settings.set(id, 575.1f);
        for (const auto* id : {"highPassQ", "lowPassQ"})
            settings.set(id, 25.0f);
    };
    const auto input = signals::sine(2, length, 575.14, loudRate, 1.0f);

    PreparedProcessor chain(loudRate, blockSize);
    settle(chain);
    auto output = input;
    for (int start = 0; start < length; start += blockSize)
    {
        juce::AudioBuffer<float> block(output.getArrayOfWritePointers(), 2, start, blockSize);
        chain.process(block);
    }

    // What reaches the filter: the input gain, then the reverb with its distortion first.
    ParameterHost host;
    settle(host);
    SVerb reverb(host.state);
    reverb.prepare(makeSpec(loudRate, blockSize));
    auto filterInput = signals::scaled(input, juce::Decibels::decibelsToGain(24.0f));
    for (int start = 0; start < length; start += blockSize)
    {
        juce::AudioBuffer<float> block(filterInput.getArrayOfWritePointers(), 2, start, blockSize);
        reverb.process(block, host.state.getRawParameterValue("delay"),
                       host.state.getRawParameterValue("feedback"));
    }

    using Coefficients = juce::dsp::IIR::Coefficients<double>;
    for (int channel = 0; channel < 2; ++channel)
    {
        juce::dsp::IIR::Filter<double> highPass(
            Coefficients::makeHighPass(loudRate, host.get("highPass"), host.get("highPassQ")));
        juce::dsp::IIR::Filter<double> lowPass(
            Coefficients::makeLowPass(loudRate, host.get("lowPass"), host.get("lowPassQ")));
        double peak = 0.0, error = 0.0;
        for (int i = 0; i < length; ++i)
        {
            const double expected =
                lowPass.processSample(highPass.processSample(filterInput.getSample(channel, i)));
            peak = std::max(peak, std::abs(expected));
            error = std::max(error, std::abs(output.getSample(channel, i) - expected));
        }
        EXPECT_GT(peak, 1.0e5) << "channel " << channel;
        EXPECT_LE(error, 1.0e-4 * peak) << "channel " << channel;
    }
}
