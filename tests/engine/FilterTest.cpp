#include "Filter.h"
#include "AllocationCounter.h"
#include "ParameterHost.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace
{
constexpr float clockRate = 44100.0f;
const double hostRates[] = {22050.0, 44100.0, 48000.0, 96000.0, 192000.0};

// Where a cutoff is designed, from the rule itself: p = (cutoff - 20) / 19980 is raised to the
// power 1 / skew, mapped back onto 20..20000 and kept under 0.46 of the sample rate.
double designedAt(double cutoff, double skew, double rate)
{
    const double p = juce::jlimit(0.0, 1.0, (cutoff - 20.0) / 19980.0);
    return std::min(20.0 + 19980.0 * std::pow(p, 1.0 / skew), 0.46 * rate);
}

float peakOf(const juce::AudioBuffer<float>& buffer)
{
    return juce::jmax(buffer.getMagnitude(0, 0, buffer.getNumSamples()),
                      buffer.getMagnitude(1, 0, buffer.getNumSamples()));
}

void run(Filter& filter, juce::AudioBuffer<float>& buffer)
{
    juce::dsp::AudioBlock<float> block(buffer);
    filter.process(juce::dsp::ProcessContextReplacing<float>(block));
}

void runSilence(Filter& filter, int numSamples)
{
    juce::AudioBuffer<float> buffer(2, numSamples);
    buffer.clear();
    run(filter, buffer);
}

class FilterTest : public ::testing::Test
{
protected:
    FilterTest() { filter.prepare(makeSpec(48000.0, 512)); }

    // The high-pass cutoff spans 20..20000 with its depth, so it reads the envelope's level.
    void watchHighPassEnvelope()
    {
        host.set("highPass", 20.0f);
        host.set("hpfEnv", 19980.0f);
    }

    float highPassLevel() const { return (filter.modulatedHighPassCutoff - 20.0f) / 19980.0f; }

    // A note acts with the envelope times read at the sample before it, so let one pass first.
    void noteOnAfterSettingsApply()
    {
        runSilence(filter, 1);
        filter.noteOnPending = true;
    }

    ParameterHost host;
    Filter filter{host.state};
};
} // namespace

TEST_F(FilterTest, SkewMapsTheCutoffToTheDesignFrequency)
{
    struct Case
    {
        float cutoff, skew, design, tolerance;
    };
    // Skews from the parameter's grid: 0.5 is held as 0.1f + 40 * 0.01f = 0.49999997.
    const Case cases[] = {
        {10010.0f, 0.5f, 5015.0f, 0.01f}, {10010.0f, 0.1f, 39.5117f, 0.001f},
        {1000.0f, 0.5f, 68.068f, 0.001f}, {1000.0f, 1.0f, 1000.0f, 0.0f},
        {20.0f, 0.1f, 20.0f, 0.0f},       {20.0f, 0.5f, 20.0f, 0.0f},
        {20.0f, 1.0f, 20.0f, 0.0f},       {20000.0f, 0.1f, 20000.0f, 0.0f},
        {20000.0f, 0.5f, 20000.0f, 0.0f}, {20000.0f, 1.0f, 20000.0f, 0.0f},
    };

    for (const auto& c : cases)
    {
        host.set("lowPass", c.cutoff);
        host.set("highPass", c.cutoff);
        host.set("lpfSkew", c.skew);
        host.set("hpfSkew", c.skew);
        runSilence(filter, 1);
        EXPECT_NEAR(filter.getLowPassDesignFrequency(), c.design, c.tolerance)
            << c.cutoff << " skew " << c.skew;
        EXPECT_NEAR(filter.getHighPassDesignFrequency(), c.design, c.tolerance)
            << c.cutoff << " skew " << c.skew;
        EXPECT_EQ(filter.modulatedLowPassCutoff, c.cutoff);
    }
}

TEST_F(FilterTest, ModulatedCutoffsAreClampedToTheAudibleRange)
{
    host.set("lpfEnv", -20000.0f);
    host.set("hpfEnv", 20000.0f);
    runSilence(filter, 1);
    EXPECT_EQ(filter.modulatedLowPassCutoff, 20000.0f);
    EXPECT_EQ(filter.modulatedHighPassCutoff, 20.0f);

    // Attack 0: a note-on takes both envelopes to 1 at the next sample.
    filter.noteOnPending = true;
    runSilence(filter, 1);
    EXPECT_EQ(filter.modulatedLowPassCutoff, 20.0f);
    EXPECT_EQ(filter.modulatedHighPassCutoff, 20000.0f);
    EXPECT_EQ(filter.getLowPassDesignFrequency(), 20.0f);
    EXPECT_EQ(filter.getHighPassDesignFrequency(), 20000.0f);
}

TEST_F(FilterTest, NoteFlagsAreConsumedAtTheFirstSampleNoteOnFirst)
{
    watchHighPassEnvelope();

    // Attack 0, release 1: the level jumps to 1 and the release starts on the same sample.
    filter.noteOnPending = true;
    filter.noteOffPending = true;
    runSilence(filter, 1);
    EXPECT_FALSE(filter.noteOnPending);
    EXPECT_FALSE(filter.noteOffPending);
    EXPECT_NEAR(highPassLevel(), 1.0f - 1.0f / clockRate, 2.0e-7f);

    // A positive attack from idle releases from level 0, which ends at once.
    host.set("hpfEnvAttack", 0.5f);
    runSilence(filter, 50000);
    ASSERT_EQ(highPassLevel(), 0.0f);
    filter.noteOffPending = true;
    filter.noteOnPending = true;
    runSilence(filter, 64);
    EXPECT_EQ(highPassLevel(), 0.0f);
}

TEST_F(FilterTest, FlagsRaisedForAnEmptyBlockWaitForTheNextOne)
{
    watchHighPassEnvelope();
    filter.noteOnPending = true;
    juce::AudioBuffer<float> empty(2, 0);
    run(filter, empty);
    EXPECT_TRUE(filter.noteOnPending);
    EXPECT_EQ(filter.modulatedHighPassCutoff, 20.0f);

    runSilence(filter, 8);
    EXPECT_FALSE(filter.noteOnPending);
    EXPECT_EQ(filter.modulatedHighPassCutoff, 20000.0f);
}

TEST_F(FilterTest, TheEnvelopeClockIs44100SamplesPerSecondAtEveryRate)
{
    filter.prepare(makeSpec(96000.0, 512));
    watchHighPassEnvelope();
    host.set("hpfEnvAttack", 1.0f);
    noteOnAfterSettingsApply();

    runSilence(filter, 22050);
    EXPECT_NEAR(highPassLevel(), 0.5f, 1.0e-3f);
    runSilence(filter, 22000);
    EXPECT_LT(highPassLevel(), 1.0f);
    runSilence(filter, 100);
    EXPECT_EQ(highPassLevel(), 1.0f);
}

TEST_F(FilterTest, ReleaseFallsAtOneOverReleaseTimesTheClockFromAnyLevel)
{
    watchHighPassEnvelope();
    host.set("hpfEnvAttack", 1.0f);
    host.set("hpfEnvRelease", 2.0f);
    noteOnAfterSettingsApply();
    runSilence(filter, 13230); // up to a level of 0.3

    const float start = highPassLevel();
    ASSERT_NEAR(start, 0.3f, 1.0e-3f);
    filter.noteOffPending = true;
    runSilence(filter, 1000);
    EXPECT_NEAR(start - highPassLevel(), 1000.0f / (2.0f * clockRate), 1.0e-4f);

    // From 0.3 at 1/88200 per sample: idle after about 0.3 * 88200 = 26460 samples in all.
    runSilence(filter, 25400);
    EXPECT_GT(highPassLevel(), 0.0f);
    runSilence(filter, 100);
    EXPECT_EQ(highPassLevel(), 0.0f);
}

TEST_F(FilterTest, ZeroAttackAndReleaseJumpAtOnce)
{
    watchHighPassEnvelope();
    host.set("hpfEnvRelease", 0.0f);
    filter.noteOnPending = true;
    runSilence(filter, 1);
    EXPECT_EQ(highPassLevel(), 1.0f);

    // The release read at the note-off's own sample is too late to soften it.
    filter.noteOffPending = true;
    host.set("hpfEnvRelease", 1.0f);
    runSilence(filter, 1);
    EXPECT_EQ(highPassLevel(), 0.0f);
}

TEST_F(FilterTest, TheSampleRateIsTruncatedForTheDesigns)
{
    host.set("lowPass", 3000.0f);
    host.set("highPass", 300.0f);
    const auto input = signals::noise(2, 2048, 21, 1.0f);

    auto outputAt = [&](double rate)
    {
        Filter unit(host.state);
        unit.prepare(makeSpec(rate, 2048));
        auto buffer = input;
        run(unit, buffer);
        return buffer;
    };

    const auto atFraction = outputAt(44100.5);
    const auto atWhole = outputAt(44100.0);
    const auto atNext = outputAt(44101.0);
    bool differsFromNext = false;
    for (int i = 0; i < 2048; ++i)
    {
        ASSERT_EQ(atFraction.getSample(0, i), atWhole.getSample(0, i)) << "sample " << i;
        differsFromNext =
            differsFromNext || std::abs(atFraction.getSample(0, i) - atNext.getSample(0, i)) > 0.0f;
    }
    EXPECT_TRUE(differsFromNext);
}

TEST_F(FilterTest, PrepareDuringAHeldNoteKeepsTheEnvelopesAndClearsTheFilters)
{
    watchHighPassEnvelope();
    host.set("hpfEnvAttack", 1.0f);
    host.set("hpfEnv", 2000.0f);
    noteOnAfterSettingsApply();
    auto buffer = signals::noise(2, 4410, 2, 1.0f);
    run(filter, buffer);
    const float cutoff = filter.modulatedHighPassCutoff;
    ASSERT_NEAR(cutoff, 220.0f, 0.1f);

    filter.prepare(makeSpec(48000.0, 512));
    juce::AudioBuffer<float> silence(2, 1);
    silence.clear();
    run(filter, silence);
    EXPECT_EQ(silence.getSample(0, 0), 0.0f);
    EXPECT_EQ(silence.getSample(1, 0), 0.0f);
    EXPECT_NEAR(filter.modulatedHighPassCutoff, cutoff + 2000.0f / clockRate, 1.0e-3f);
}

TEST_F(FilterTest, AMonoBlockRunsThroughTheLeftPairAndLeavesChannelOneAlone)
{
    host.set("lowPass", 2000.0f);
    host.set("highPass", 200.0f);
    auto stereo = signals::noise(2, 1024, 8, 1.0f);
    auto twoChannels = stereo;
    juce::FloatVectorOperations::fill(twoChannels.getWritePointer(1), 123.0f, 1024);

    Filter monoUnit(host.state);
    monoUnit.prepare(makeSpec(48000.0, 1024));
    juce::dsp::AudioBlock<float> monoBlock =
        juce::dsp::AudioBlock<float>(twoChannels).getSingleChannelBlock(0);
    monoUnit.process(juce::dsp::ProcessContextReplacing<float>(monoBlock));
    run(filter, stereo);

    for (int i = 0; i < 1024; ++i)
    {
        ASSERT_EQ(twoChannels.getSample(0, i), stereo.getSample(0, i)) << "sample " << i;
        ASSERT_EQ(twoChannels.getSample(1, i), 123.0f) << "sample " << i;
    }
}

TEST_F(FilterTest, ProcessAllocatesNothingWhileTheEnvelopesRun)
{
    host.set("lpfEnv", -12000.0f);
    host.set("hpfEnv", 4000.0f);
    host.set("lpfEnvAttack", 0.01f);
    host.set("hpfEnvAttack", 0.02f);
    host.set("lpfSkew", 0.3f);
    host.set("hpfSkew", 0.3f);
    auto buffer = signals::noise(2, 512, 3, 1.0f);

    filter.noteOnPending = true;
    {
        allocation::Scope scope;
        run(filter, buffer);
        EXPECT_EQ(scope.count(), 0u) << "attack";
    }
    filter.noteOffPending = true;
    {
        allocation::Scope scope;
        run(filter, buffer);
        EXPECT_EQ(scope.count(), 0u) << "release";
    }
}

namespace
{
// Runs the input through the filter held still, from rest, and through the same two sections
// designed by the framework in double precision.
void expectHeldStillMatchesDoublePrecision(ParameterHost& host, Filter& filter,
                                           const juce::AudioBuffer<float>& input, double rate)
{
    using Coefficients = juce::dsp::IIR::Coefficients<double>;
    filter.prepare(makeSpec(rate, input.getNumSamples()));
    auto output = input;
    run(filter, output);

    for (int channel = 0; channel < 2; ++channel)
    {
        juce::dsp::IIR::Filter<double> highPass(Coefficients::makeHighPass(
            rate, designedAt(host.get("highPass"), host.get("hpfSkew"), rate), host.get("highPassQ")));
        juce::dsp::IIR::Filter<double> lowPass(Coefficients::makeLowPass(
            rate, designedAt(host.get("lowPass"), host.get("lpfSkew"), rate), host.get("lowPassQ")));
        double peak = 0.0, error = 0.0;
        for (int i = 0; i < input.getNumSamples(); ++i)
        {
            const double expected =
                lowPass.processSample(highPass.processSample(input.getSample(channel, i)));
            peak = std::max(peak, std::abs(expected));
            error = std::max(error, std::abs(output.getSample(channel, i) - expected));
        }
        EXPECT_LE(error, 1.0e-4 * peak) << rate << " Hz, channel " << channel;
    }
}
} // namespace

// Held still, each section is the framework's bilinear design at the whole-number rate. The
// reference runs those designs in double precision, so the match also bounds what single
// precision adds to what a saved project sounded like.
TEST(FilterResponse, HeldStillBothSectionsMatchTheFrameworksDesignsInDoublePrecision)
{
    ParameterHost host;
    Filter filter(host.state);
    const auto input = signals::noise(2, 2048, 31, 1.0f);

    for (const float q : {1.0f, 4.0f, 25.0f})
        for (const float cutoff : {20.0f, 100.0f, 1000.0f, 5000.0f, 15000.0f, 20000.0f})
            for (const float skew : {1.0f, 0.5f})
                for (const bool highPassUnderTest : {true, false})
                {
                    SCOPED_TRACE(testing::Message() << (highPassUnderTest ? "high-pass " : "low-pass ")
                                                    << cutoff << " Hz, Q " << q << ", skew " << skew);
                    // The other section stays at its widest, Q 1.
                    host.set("highPass", highPassUnderTest ? cutoff : 20.0f);
                    host.set("highPassQ", highPassUnderTest ? q : 1.0f);
                    host.set("lowPass", highPassUnderTest ? 20000.0f : cutoff);
                    host.set("lowPassQ", highPassUnderTest ? 1.0f : q);
                    host.set("hpfSkew", skew);
                    host.set("lpfSkew", skew);

                    // The rate changes fastest, so that each prepare for a new rate meets the
                    // settings of the last one.
                    for (const double rate : hostRates)
                        expectHeldStillMatchesDoublePrecision(host, filter, input, rate);
                }
}

namespace
{
// The framework's state-variable pair, handed the settings the test computes for each sample.
struct ReferencePair
{
    ReferencePair(double rate, bool highPassFirst)
        : runsHighPassFirst(highPassFirst)
    {
        for (auto* section : {&highPass, &lowPass})
            section->prepare({rate, 4096, 1});
        highPass.setType(juce::dsp::StateVariableTPTFilterType::highpass);
    }

    float step(float x, float highCutoff, float highQ, float lowCutoff, float lowQ)
    {
        highPass.setCutoffFrequency(highCutoff);
        highPass.setResonance(highQ);
        lowPass.setCutoffFrequency(lowCutoff);
        lowPass.setResonance(lowQ);
        return runsHighPassFirst ? lowPass.processSample(0, highPass.processSample(0, x))
                                 : highPass.processSample(0, lowPass.processSample(0, x));
    }

    bool runsHighPassFirst;
    juce::dsp::StateVariableTPTFilter<float> highPass, lowPass;
};
} // namespace

// Each block below changes one setting; the filter must act on it from the block's first
// sample, on the state the old setting left, with nothing smoothed or held over. A note starts
// both envelopes in the last two blocks, so there the designs move at every sample and the
// order of the two sections shows.
TEST_F(FilterTest, EveryChangeActsAtTheSampleItIsRead)
{
    const double rate = 48000.0;
    const int blockLength = 256;
    host.set("hpfEnvAttack", 0.02f);
    host.set("lpfEnvAttack", 0.03f);
    runSilence(filter, 1);
    filter.prepare(makeSpec(rate, blockLength));

    struct Change
    {
        const char* id;
        float value;
    };
    const Change changes[] = {{"lowPass", 1000.0f}, {"lowPass", 3000.0f}, {"lowPassQ", 12.0f},
                              {"highPass", 400.0f}, {"highPassQ", 6.0f},  {"lpfSkew", 0.5f},
                              {"hpfSkew", 0.3f},    {"hpfEnv", 3000.0f},  {"lpfEnv", -2500.0f}};
    const int numBlocks = (int) std::size(changes);
    const auto input = signals::noise(1, numBlocks * blockLength, 5, 1.0f);

    ReferencePair reference(rate, true), swapped(rate, false);
    juce::ADSR highEnvelope, lowEnvelope;
    highEnvelope.setParameters({host.get("hpfEnvAttack"), 0.1f, 1.0f, host.get("hpfEnvRelease")});
    lowEnvelope.setParameters({host.get("lpfEnvAttack"), 0.1f, 1.0f, host.get("lpfEnvRelease")});
    auto cutoff = [&](const char* base, const char* depth, juce::ADSR& envelope, const char* skew)
    {
        const double modulated = host.get(base) + host.get(depth) * envelope.getNextSample();
        return (float) designedAt(juce::jlimit(20.0, 20000.0, modulated), host.get(skew), rate);
    };

    float largestError = 0.0f, swappedDifference = 0.0f, peak = 0.0f;
    for (int b = 0; b < numBlocks; ++b)
    {
        host.set(changes[b].id, changes[b].value);
        const bool sweep = b == numBlocks - 2;
        if (sweep)
        {
            filter.noteOnPending = true;
            highEnvelope.noteOn();
            lowEnvelope.noteOn();
        }

        juce::AudioBuffer<float> block(1, blockLength);
        block.copyFrom(0, 0, input, 0, b * blockLength, blockLength);
        run(filter, block);

        for (int i = 0; i < blockLength; ++i)
        {
            const float x = input.getSample(0, b * blockLength + i);
            const float high = cutoff("highPass", "hpfEnv", highEnvelope, "hpfSkew");
            const float low = cutoff("lowPass", "lpfEnv", lowEnvelope, "lpfSkew");
            const float expected = reference.step(x, high, host.get("highPassQ"), low, host.get("lowPassQ"));
            const float other = swapped.step(x, high, host.get("highPassQ"), low, host.get("lowPassQ"));
            const float y = block.getSample(0, i);
            if (i == 0)
            {
                EXPECT_NEAR(y, expected, 1.0e-5f) << "first sample after " << changes[b].id;
            }
            largestError = std::max(largestError, std::abs(y - expected));
            swappedDifference = std::max(swappedDifference, std::abs(y - other));
            peak = std::max(peak, std::abs(expected));
        }
    }

    EXPECT_LE(largestError, 1.0e-5f * peak);
    EXPECT_GT(swappedDifference, 1.0e-3f * peak) << "the sweep cannot tell the two orders apart";
}

// Random values of all twelve settings, each held for 1 to 4096 samples (log-uniform, so short
// holds come often), with random notes, at every host rate. The reference is the loudest the
// same noise gets through the filter held still at the extremes of cutoff and Q.
TEST(FilterUnderAutomation, RandomSettingsAndNotesStayWithinFourTimesTheLoudestExtremeHeldStill)
{
    const char* ids[] = {"lowPass",      "highPass",      "lowPassQ",     "highPassQ",
                         "lpfEnv",       "hpfEnv",        "lpfEnvAttack", "lpfEnvRelease",
                         "hpfEnvAttack", "hpfEnvRelease", "lpfSkew",      "hpfSkew"};

    for (const double rate : hostRates)
    {
        ParameterHost host;
        Filter filter(host.state);
        const int length = (int) rate;
        const auto input = signals::noise(2, length, (juce::int64) rate, 0.5f);

        float heldPeak = 0.0f;
        const float cutoffs[] = {20.0f, 200.0f, 2000.0f, 20000.0f};
        for (int corner = 0; corner < 64; ++corner)
        {
            host.set("lowPass", cutoffs[corner & 3]);
            host.set("highPass", cutoffs[(corner >> 2) & 3]);
            host.set("lowPassQ", (corner & 16) != 0 ? 25.0f : 1.0f);
            host.set("highPassQ", (corner & 32) != 0 ? 25.0f : 1.0f);
            filter.prepare(makeSpec(rate, 4096));
            auto output = input;
            run(filter, output);
            heldPeak = std::max(heldPeak, peakOf(output));
        }

        juce::Random random((juce::int64) rate);
        filter.prepare(makeSpec(rate, 4096));
        auto output = input;
        juce::dsp::AudioBlock<float> whole(output);
        for (int start = 0; start < length;)
        {
            const int hold = std::min(length - start, (int) std::pow(4096.0, random.nextDouble()));
            for (const auto* id : ids)
                host.state.getParameter(id)->setValueNotifyingHost(random.nextFloat());
            filter.noteOnPending = random.nextBool();
            filter.noteOffPending = random.nextBool();
            auto part = whole.getSubBlock((size_t) start, (size_t) hold);
            filter.process(juce::dsp::ProcessContextReplacing<float>(part));
            start += hold;
        }

        EXPECT_TRUE(signals::allFinite(output)) << rate << " Hz";
        EXPECT_LE(peakOf(output), 4.0f * heldPeak) << rate << " Hz";
    }
}
