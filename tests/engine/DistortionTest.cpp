#include "Distortion.h"
#include "AllocationCounter.h"
#include "ParameterHost.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 4096;

juce::AudioBuffer<float> sine(int numChannels, int numSamples, float amplitude, double frequency)
{
    juce::AudioBuffer<float> buffer(numChannels, numSamples);
    for (int channel = 0; channel < numChannels; ++channel)
        for (int i = 0; i < numSamples; ++i)
            buffer.setSample(channel, i,
                             amplitude *
                                 (float) std::sin(juce::MathConstants<double>::twoPi * frequency * i / rate));
    return buffer;
}

// Magnitudes of channel 0 from the first sample on, sorted, to read plateaus off as percentiles.
std::vector<float> sortedMagnitudes(const juce::AudioBuffer<float>& buffer, int first)
{
    std::vector<float> magnitudes;
    for (int i = first; i < buffer.getNumSamples(); ++i)
        magnitudes.push_back(std::abs(buffer.getSample(0, i)));
    std::sort(magnitudes.begin(), magnitudes.end());
    return magnitudes;
}

float percentile(const std::vector<float>& sorted, double fraction)
{
    return sorted[(size_t) (fraction * (double) (sorted.size() - 1))];
}

class DistortionTest : public ::testing::Test
{
protected:
    DistortionTest() { distortion.prepare(makeSpec(rate, blockSize)); }

    void setDrive(float drive, int type)
    {
        host.set("distortion", drive);
        host.set("distType", (float) type);
    }

    ParameterHost host;
    Distortion distortion{host.state};
};
} // namespace

TEST_F(DistortionTest, TheOutputTrailsByTheOversamplersWholeSampleLatency)
{
    EXPECT_EQ(distortion.getLatencyInSamples(), 6);

    // Drive 1 and a small, slow sine: tanh is nearly the identity, so only the delay is left.
    setDrive(1.0f, 1);
    const auto input = sine(2, blockSize, 0.01f, 50.0);
    auto buffer = input;
    distortion.process(buffer);

    auto errorAtLag = [&](int lag)
    {
        float worst = 0.0f;
        for (int i = 1000; i < blockSize; ++i)
            worst = juce::jmax(worst, std::abs(buffer.getSample(0, i) - input.getSample(0, i - lag)));
        return worst;
    };
    const float atLatency = errorAtLag(6);
    EXPECT_LT(atLatency, 1.0e-5f);
    EXPECT_GT(errorAtLag(5), 10.0f * atLatency);
    EXPECT_GT(errorAtLag(7), 10.0f * atLatency);
}

TEST_F(DistortionTest, SmallSignalsGainTheCurvesSlopeTimesTheSquareRootOfTheDrive)
{
    // Drive 25 and a trim of 1/5, times each curve's slope at zero: 1 for tanh, 1 + k with
    // k = 0.5 / 0.75 for the second curve, 0.5 for sin(0.5 x).
    const std::pair<int, float> slopes[] = {{1, 1.0f}, {2, 5.0f / 3.0f}, {3, 0.5f}};
    const auto quiet = sine(1, blockSize, 1.0e-5f, 100.0);

    for (const auto& [type, slope] : slopes)
    {
        setDrive(25.0f, type);
        auto small = quiet;
        distortion.process(small);
        const auto gain =
            small.getRMSLevel(0, 1000, blockSize - 1000) / quiet.getRMSLevel(0, 1000, blockSize - 1000);
        EXPECT_NEAR(gain, 5.0f * slope, 0.002f * 5.0f * slope) << "type " << type;
    }
}

TEST_F(DistortionTest, TheFirstCurveFlattensAtTheTrim)
{
    // Large signals are limited to +-1 before the trim, so the plateau sits at 1/sqrt(drive).
    setDrive(99.0f, 1);
    auto loud = sine(1, blockSize, 1.0f, 100.0);
    distortion.process(loud);
    const auto magnitudes = sortedMagnitudes(loud, 1000);
    const float trim = 1.0f / std::sqrt(99.0f);
    EXPECT_NEAR(percentile(magnitudes, 0.5), trim, 0.002f * trim);
    EXPECT_LT(percentile(magnitudes, 1.0), 1.05f * trim);
}

TEST_F(DistortionTest, TheSecondCurveClipsNearlyHardAtFullDrive)
{
    // k = 1.98 / 0.01 = 198, so the curve flattens at (1 + k) / k, about 1.005, before the trim.
    setDrive(99.0f, 2);
    auto buffer = sine(1, blockSize, 0.5f, 100.0);
    distortion.process(buffer);

    const auto magnitudes = sortedMagnitudes(buffer, 1000);
    const float ceiling = (199.0f / 198.0f) / std::sqrt(99.0f);
    EXPECT_NEAR(percentile(magnitudes, 0.5), 1.005f / std::sqrt(99.0f), 0.002f * ceiling);
    EXPECT_NEAR(percentile(magnitudes, 0.9), ceiling, 0.01f * ceiling);
    // Only the half-band filters' ringing at the corners rises above the plateau.
    EXPECT_LT(percentile(magnitudes, 0.97), 1.05f * ceiling);
    EXPECT_LT(percentile(magnitudes, 1.0), 1.3f * ceiling);
}

TEST_F(DistortionTest, TheThirdCurveStaysWithinTheTrim)
{
    setDrive(99.0f, 3);
    auto buffer = sine(1, blockSize, 1.0f, 100.0);
    distortion.process(buffer);

    const auto magnitudes = sortedMagnitudes(buffer, 1000);
    const float trim = 1.0f / std::sqrt(99.0f);
    EXPECT_LT(percentile(magnitudes, 0.99), trim);
    EXPECT_LT(percentile(magnitudes, 1.0), 1.05f * trim);
    // The wave folds many times rather than flattening: many samples sit well inside the bound.
    EXPECT_LT(percentile(magnitudes, 0.3), 0.6f * trim);
}

// Runs a thread of its own, so it runs under ThreadSanitizer too.
using ConcurrencyDistortion = DistortionTest;

TEST_F(ConcurrencyDistortion, AMidBlockDriveChangeReachesTheSecondCurveAtOnce)
{
    // The drive drops from 99 to 1 while a long block runs on another thread. The gains keep 99
    // (x99, then /sqrt(99)), but the knee follows the new drive, k = 0.02/0.99: an input of 0.5
    // comes out at about 2.52 instead of 1.005/sqrt(99). The attempts scatter their wait over a
    // whole block's time, so that on a busy machine too some attempt lands while the curve is
    // being applied.
    constexpr int longBlock = 1 << 18;
    Distortion unit(host.state);
    unit.prepare(makeSpec(rate, longBlock));
    auto* drive = host.state.getRawParameterValue("distortion");
    const float oldLevel = (199.0f / 198.0f) * 49.5f / (49.5f + 1.0f / 198.0f) / std::sqrt(99.0f);
    const float newLevel = 1.02020204f * 49.5f / (49.5f * 0.02020202f + 1.0f) / std::sqrt(99.0f);

    auto run = [&](std::chrono::nanoseconds wait)
    {
        setDrive(99.0f, 2);
        juce::AudioBuffer<float> buffer(1, longBlock);
        juce::FloatVectorOperations::fill(buffer.getWritePointer(0), 0.5f, longBlock);
        std::atomic<bool> started{false};
        std::thread audio(
            [&]
            {
                started = true;
                unit.process(buffer);
            });
        while (!started)
            std::this_thread::yield();
        const auto until = std::chrono::steady_clock::now() + wait;
        while (std::chrono::steady_clock::now() < until)
            ;
        drive->store(1.0f);
        audio.join();
        return buffer;
    };

    auto start = std::chrono::steady_clock::now();
    run(std::chrono::hours(0));
    const auto duration = std::chrono::steady_clock::now() - start;

    bool sawSwitch = false;
    for (int attempt = 0; attempt < 400 && !sawSwitch; ++attempt)
    {
        const auto buffer = run(duration * ((attempt * 37) % 100) / 100);
        const auto* out = buffer.getReadPointer(0);

        // Past the filters' settling, every sample is on one of the two levels, old before new.
        int edge = 100;
        while (edge < longBlock && std::abs(out[edge] - oldLevel) < 0.002f)
            ++edge;
        if (edge == longBlock || edge == 100) // the change came after the block or before sample 100
            continue;
        const int settled = juce::jmin(longBlock, edge + 64);
        for (int i = settled; i < longBlock; ++i)
            ASSERT_NEAR(out[i], newLevel, 0.002f) << "attempt " << attempt << ", sample " << i;
        sawSwitch = edge > 100;
    }
    EXPECT_TRUE(sawSwitch) << "no attempt changed the drive while the curve was being applied";
}

TEST_F(DistortionTest, MonoIsProcessedLikeTheLeftChannel)
{
    setDrive(40.0f, 1);
    auto stereo = sine(2, blockSize, 0.8f, 440.0);
    juce::FloatVectorOperations::multiply(stereo.getWritePointer(1), -0.3f, blockSize);
    juce::AudioBuffer<float> mono(1, blockSize);
    mono.copyFrom(0, 0, stereo, 0, 0, blockSize);

    distortion.process(stereo);
    Distortion monoUnit(host.state);
    monoUnit.prepare(makeSpec(rate, blockSize));
    monoUnit.process(mono);

    for (int i = 0; i < blockSize; ++i)
        ASSERT_EQ(mono.getSample(0, i), stereo.getSample(0, i)) << "sample " << i;
}

TEST_F(DistortionTest, AnEmptyBlockIsLeftAlone)
{
    setDrive(50.0f, 3);
    juce::AudioBuffer<float> empty(2, 0);
    distortion.process(empty);

    auto buffer = sine(2, 256, 0.5f, 440.0);
    auto reference = buffer;
    distortion.process(buffer);
    Distortion fresh(host.state);
    fresh.prepare(makeSpec(rate, blockSize));
    fresh.process(reference);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(buffer.getSample(0, i), reference.getSample(0, i));
}

TEST(Distortion, BeforePrepareOnlyTheSquareRootOfTheDriveApplies)
{
    ParameterHost host;
    host.set("distortion", 4.0f);
    host.set("distType", 2.0f);
    Distortion distortion(host.state);

    auto buffer = sine(2, 64, 0.9f, 440.0);
    const auto input = buffer;
    distortion.process(buffer);
    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < 64; ++i)
            ASSERT_EQ(buffer.getSample(channel, i), input.getSample(channel, i) * 2.0f);
}

TEST_F(DistortionTest, ProcessAllocatesNothing)
{
    for (const int type : {1, 2, 3})
        for (const int numChannels : {2, 1})
        {
            setDrive(99.0f, type);
            auto buffer = sine(numChannels, blockSize, 1.0f, 440.0);
            allocation::Scope scope;
            distortion.process(buffer);
            EXPECT_EQ(scope.count(), 0u) << "type " << type << ", " << numChannels << " channels";
        }
}
