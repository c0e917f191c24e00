#include "Conformance.h"
#include "Signals.h"

#include <cmath>

namespace
{
using Set = juce::AudioChannelSet;

constexpr int layoutBlockSize = 256;
constexpr double playSeconds = 0.25;

juce::AudioProcessor::BusesLayout layout(const Set& channels)
{
    juce::AudioProcessor::BusesLayout result;
    result.inputBuses.add(channels);
    result.outputBuses.add(channels);
    return result;
}

// Largest difference between two equally long channels, relative to full scale or the sample.
float largestDifference(const float* a, const float* b, int length)
{
    float largest = 0.0f;

    for (int i = 0; i < length; ++i)
        largest = juce::jmax(largest, std::abs(a[i] - b[i]) / juce::jmax(1.0f, std::abs(a[i])));

    return largest;
}
} // namespace

// Every stage works on each channel by itself (the filter runs its left pair on a mono block),
// so a mono instance is the left half of a stereo one that hears the same on both sides. The
// layouts the plug-in refuses are the host tests' and the unit tests' (HostedBuses, Processor).
class LayoutConformance : public HostedPluginTestWithParam<double>
{
protected:
    void SetUp() override { load(GetParam(), layoutBlockSize); }
};

TEST_P(LayoutConformance, MonoRunsLikeTheLeftOfStereoFedTheSameOnBothSides)
{
    const auto rate = GetParam();
    auto& mono = hosted;
    ASSERT_TRUE(mono->setLayout(layout(Set::mono())));
    auto& monoParameters = *parameters;
    auto stereo = hostTest::load(rate, layoutBlockSize);
    ASSERT_NE(stereo, nullptr);
    PluginParameters stereoParameters(*stereo);
    ASSERT_TRUE(stereoParameters.complete());

    juce::Random random(conformance::seedFor("layouts"));

    for (const auto kind : signals::allKinds)
    {
        stereoParameters.setAll(monoParameters.randomise(random));

        juce::AudioBuffer<float> monoSignal(1, (int) (playSeconds * rate));
        signals::fill(monoSignal, kind, rate, random);
        juce::AudioBuffer<float> stereoSignal(2, monoSignal.getNumSamples());
        stereoSignal.copyFrom(0, 0, monoSignal, 0, 0, monoSignal.getNumSamples());
        stereoSignal.copyFrom(1, 0, monoSignal, 0, 0, monoSignal.getNumSamples());
        const auto notes = signals::randomNotes(monoSignal.getNumSamples(), random);

        mono->processInBlocks(monoSignal, notes);
        stereo->processInBlocks(stereoSignal, notes);

        SCOPED_TRACE(signals::name(kind) + ", settings: " + monoParameters.describe());
        EXPECT_EQ(signals::firstBadSample(monoSignal), "");
        EXPECT_EQ(signals::firstBadSample(stereoSignal), "");
        EXPECT_LE(largestDifference(monoSignal.getReadPointer(0), stereoSignal.getReadPointer(0),
                                    monoSignal.getNumSamples()),
                  1.0e-6f);
        EXPECT_EQ(largestDifference(stereoSignal.getReadPointer(0), stereoSignal.getReadPointer(1),
                                    monoSignal.getNumSamples()),
                  0.0f)
            << "both sides of the stereo instance heard the same";
    }
}

// Channels do not depend on the rate: the lowest and a high one.
INSTANTIATE_TEST_SUITE_P(Rates, LayoutConformance, ::testing::Values(22050.0, 96000.0),
                         [](const ::testing::TestParamInfo<double>& param)
                         { return conformance::rateName(param.param); });
