#include "Filter.h"
#include "AllocationCounter.h"
#include "ParameterHost.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace
{
constexpr float clockRate = 44100.0f;

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
        differsFromNext = differsFromNext || atFraction.getSample(0, i) != atNext.getSample(0, i);
    }
    EXPECT_TRUE(differsFromNext);
}

TEST_F(FilterTest, PrepareDuringAHeldNoteKeepsTheEnvelopesAndClearsTheBiquads)
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

TEST_F(FilterTest, HighPassThenLowPassAtTheDesignedCutoffsAndQ)
{
    host.set("highPass", 400.0f);
    host.set("highPassQ", 4.0f);
    host.set("lowPass", 5000.0f);
    host.set("lowPassQ", 2.5f);
    const double rate = 48000.0;
    const auto highPass = juce::dsp::IIR::Coefficients<float>::makeHighPass(rate, 400.0f, 4.0f);
    const auto lowPass = juce::dsp::IIR::Coefficients<float>::makeLowPass(rate, 5000.0f, 2.5f);

    for (const double frequency : {100.0, 400.0, 1000.0, 5000.0, 12000.0})
    {
        Filter unit(host.state);
        unit.prepare(makeSpec(rate, 48000));
        juce::AudioBuffer<float> buffer(2, 48000);
        for (int i = 0; i < 48000; ++i)
        {
            const auto x = (float) std::sin(juce::MathConstants<double>::twoPi * frequency * i / rate);
            buffer.setSample(0, i, x);
            buffer.setSample(1, i, x);
        }
        run(unit, buffer);

        const double expected = highPass->getMagnitudeForFrequency(frequency, rate) *
                                lowPass->getMagnitudeForFrequency(frequency, rate);
        const double measured = buffer.getRMSLevel(0, 24000, 24000) * std::sqrt(2.0);
        EXPECT_NEAR(measured / expected, 1.0, 0.01) << frequency << " Hz";
        EXPECT_EQ(buffer.getRMSLevel(1, 24000, 24000), buffer.getRMSLevel(0, 24000, 24000));
    }
}

// While the envelopes sweep, the coefficients change at every sample and the two orders of the
// stages are no longer the same filter. The output must match JUCE's own designs run high-pass
// first, sample for sample and bit for bit.
TEST_F(FilterTest, ASweepMatchesTheFrameworksDesignsHighPassFirst)
{
    host.set("highPass", 100.0f);
    host.set("hpfEnv", 3000.0f);
    host.set("hpfEnvAttack", 0.05f);
    host.set("hpfSkew", 0.3f);
    host.set("highPassQ", 6.0f);
    host.set("lowPass", 18000.0f);
    host.set("lpfEnv", -15000.0f);
    host.set("lpfEnvAttack", 0.08f);
    host.set("lpfSkew", 0.7f);
    host.set("lowPassQ", 3.0f);

    const double rate = 48000.0;
    const int length = 6000;
    const auto input = signals::noise(1, length, 4, 1.0f);
    auto buffer = input;
    noteOnAfterSettingsApply();
    run(filter, buffer);

    juce::ADSR highEnvelope, lowEnvelope;
    highEnvelope.setParameters({host.get("hpfEnvAttack"), 0.1f, 1.0f, host.get("hpfEnvRelease")});
    lowEnvelope.setParameters({host.get("lpfEnvAttack"), 0.1f, 1.0f, host.get("lpfEnvRelease")});
    highEnvelope.noteOn();
    lowEnvelope.noteOn();
    juce::NormalisableRange<float> linear(20.0f, 20000.0f, 1.0f), skewed(20.0f, 20000.0f, 1.0f);
    auto design = [&](float cutoff, float skew)
    {
        skewed.skew = skew;
        return skewed.convertFrom0to1(linear.convertTo0to1(cutoff));
    };

    juce::dsp::IIR::Filter<float> highFirst, lowSecond, lowFirst, highSecond;
    float swappedDifference = 0.0f;
    for (int i = 0; i < length; ++i)
    {
        const float high =
            design(juce::jlimit(20.0f, 20000.0f, 100.0f + 3000.0f * highEnvelope.getNextSample()),
                   host.get("hpfSkew"));
        const float low =
            design(juce::jlimit(20.0f, 20000.0f, 18000.0f - 15000.0f * lowEnvelope.getNextSample()),
                   host.get("lpfSkew"));
        highFirst.coefficients = highSecond.coefficients =
            juce::dsp::IIR::Coefficients<float>::makeHighPass(rate, high, host.get("highPassQ"));
        lowSecond.coefficients = lowFirst.coefficients =
            juce::dsp::IIR::Coefficients<float>::makeLowPass(rate, low, host.get("lowPassQ"));

        const float x = input.getSample(0, i);
        ASSERT_EQ(buffer.getSample(0, i), lowSecond.processSample(highFirst.processSample(x)))
            << "sample " << i;
        swappedDifference =
            juce::jmax(swappedDifference, std::abs(buffer.getSample(0, i) -
                                                   highSecond.processSample(lowFirst.processSample(x))));
    }
    EXPECT_GT(swappedDifference, 1.0e-4f) << "the sweep cannot tell the two orders apart";
}

// Below 40 kHz the top of the cutoff range reaches half the sample rate; the designs are held
// under it so the biquads stay stable with every parameter at an extreme.
TEST(Filter, StaysFiniteAtLowHostRatesWithEveryParameterAtAnExtreme)
{
    for (const double rate : {22050.0, 32000.0})
        for (int corner = 0; corner < 64; ++corner)
        {
            ParameterHost host;
            auto pick = [corner](int bit, float low, float high) { return (corner >> bit) & 1 ? high : low; };
            host.set("lowPass", pick(0, 20.0f, 20000.0f));
            host.set("highPass", pick(1, 20.0f, 20000.0f));
            host.set("lowPassQ", pick(2, 1.0f, 25.0f));
            host.set("highPassQ", pick(3, 1.0f, 25.0f));
            host.set("lpfEnv", pick(4, -20000.0f, 20000.0f));
            host.set("hpfEnv", pick(5, -20000.0f, 20000.0f));

            Filter filter(host.state);
            filter.prepare(makeSpec(rate, 4096));
            filter.noteOnPending = true;
            float peak = 0.0f;
            for (int block = 0; block < 4; ++block)
            {
                auto buffer = signals::noise(2, 4096, corner + block, 1.0f);
                run(filter, buffer);
                peak = juce::jmax(peak, buffer.getMagnitude(0, 4096), buffer.getMagnitude(1, 4096));
            }
            EXPECT_TRUE(std::isfinite(peak)) << rate << " Hz, corner " << corner;
            EXPECT_LT(peak, 100.0f) << rate << " Hz, corner " << corner;
            EXPECT_LE(filter.getLowPassDesignFrequency(), 0.46f * (float) rate);
            EXPECT_LE(filter.getHighPassDesignFrequency(), 0.46f * (float) rate);
        }
}

// A host automating a resonant cutoff jumps it at every block; the biquads must neither end in
// infinity nor stay wrecked once the automation stops.
TEST_F(FilterTest, BlockRateCutoffJumpsAtHighQNeitherBlowUpNorLinger)
{
    host.set("lowPassQ", 25.0f);
    juce::AudioBuffer<float> buffer(2, 128);
    auto square = [&buffer](int start)
    {
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            for (int channel = 0; channel < 2; ++channel)
                buffer.setSample(channel, i, ((start + i) / 100) % 2 == 0 ? 1.0f : -1.0f);
    };

    for (int block = 0; block < 400; ++block)
    {
        host.set("lowPass", block % 2 == 0 ? 100.0f : 2000.0f);
        square(block * 128);
        run(filter, buffer);
        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < buffer.getNumSamples(); ++i)
                ASSERT_LE(std::abs(buffer.getSample(channel, i)), 1.0e5f) << "block " << block;
    }

    host.set("lowPass", 2000.0f);
    float settledPeak = 0.0f;
    for (int block = 400; block < 800; ++block)
    {
        square(block * 128);
        run(filter, buffer);
        if (block >= 700)
            settledPeak = juce::jmax(settledPeak, buffer.getMagnitude(0, 128), buffer.getMagnitude(1, 128));
    }
    EXPECT_LT(settledPeak, 30.0f);
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
