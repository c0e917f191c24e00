#include "Conformance.h"
#include "HostSignals.h"
#include "PluginParameters.h"

#include <tuple>

using hostSignals::Signal;

namespace
{
using GridCase = std::tuple<double, int>;

constexpr double signalSeconds = 0.25;
constexpr int automationInterval = 32;
} // namespace

// Every sample rate against every block size: what comes back is always a normal finite number,
// whatever the input, the settings, the notes and the automation.
class SignalConformance : public conformance::LoadedPluginTest<GridCase>
{
protected:
    void SetUp() override { load(sampleRate(), conformance::announcedMaximum(blockSize())); }

    double sampleRate() const { return std::get<0>(GetParam()); }
    int blockSize() const { return std::get<1>(GetParam()); }
    int signalLength() const { return (int) (signalSeconds * sampleRate()); }

    juce::AudioBuffer<float> makeSignal(Signal kind, juce::Random& random) const
    {
        juce::AudioBuffer<float> signal(2, signalLength());
        hostSignals::fill(signal, kind, sampleRate(), random);
        return signal;
    }
};

TEST_P(SignalConformance, EverySignalUnderRandomSettingsComesBackClean)
{
    juce::Random random(conformance::seedFor("signals"));
    hostSignals::BlockPlan plan(blockSize(), conformance::announcedMaximum(blockSize()), random);

    for (const auto kind : hostSignals::allSignals)
    {
        parameters->randomise(random);
        auto signal = makeSignal(kind, random);
        const auto notes = hostSignals::randomNotes(signal.getNumSamples(), random);

        hostSignals::process(*hosted, signal, notes, plan);

        const auto bad = hostSignals::firstBadSample(signal);
        EXPECT_FALSE(bad.has_value()) << hostSignals::name(kind) << ": " << hostSignals::describe(bad)
                                      << "\nsettings: " << parameters->describe();
    }
}

TEST_P(SignalConformance, AutomationEvery32SamplesKeepsTheOutputClean)
{
    // The framework's host hands the plug-in one value per parameter and block, so within a
    // block longer than 32 samples the last change of each parameter is the one that lands,
    // as with a host that thins its automation to block rate.
    juce::Random random(conformance::seedFor("automation"));
    hostSignals::BlockPlan plan(blockSize(), conformance::announcedMaximum(blockSize()), random);
    parameters->randomise(random);

    for (const auto kind : {Signal::noise, Signal::fullScaleSquare})
    {
        auto signal = makeSignal(kind, random);
        const auto notes = hostSignals::randomNotes(signal.getNumSamples(), random);
        int changes = 0;
        int nextPoint = 0;

        hostSignals::process(*hosted, signal, notes, plan,
                             [&](int start, int length)
                             {
                                 for (; nextPoint < start + length;
                                      nextPoint += automationInterval, ++changes)
                                     for (int n = 1 + random.nextInt(3); n > 0; --n)
                                         parameters->set(random.nextInt(PluginParameters::count),
                                                         PluginParameters::randomValue(random));
                             });

        EXPECT_EQ(changes, (signal.getNumSamples() + automationInterval - 1) / automationInterval);
        const auto bad = hostSignals::firstBadSample(signal);
        EXPECT_FALSE(bad.has_value()) << hostSignals::name(kind) << ": " << hostSignals::describe(bad)
                                      << "\nsettings at the end: " << parameters->describe();
    }
}

INSTANTIATE_TEST_SUITE_P(Grid, SignalConformance,
                         ::testing::Combine(::testing::ValuesIn(conformance::sampleRates),
                                            ::testing::ValuesIn(conformance::blockSizes)),
                         [](const ::testing::TestParamInfo<GridCase>& param)
                         {
                             return conformance::rateName(std::get<0>(param.param)) + "_" +
                                    conformance::blockName(std::get<1>(param.param));
                         });

// A host automating a resonant low-pass at block rate, as an LFO lane does: the cutoff jumps
// between 100 Hz and 2 kHz at every 128-sample block while a full-scale square plays. Handing
// each new design to the biquads' running state is not stable at Q 25; the filter must catch
// the build-up before it reaches infinity, and sound normal again once the automation stops.
TEST(ResonantCutoffAutomation, SwitchingTheCutoffEveryBlockKeepsTheOutputFiniteAndRecovers)
{
    constexpr double sampleRate = 48000.0;
    constexpr int blockSize = 128;
    HostEnvironment environment;
    auto hosted = conformance::load(sampleRate, blockSize);
    ASSERT_NE(hosted, nullptr);
    PluginParameters parameters(*hosted);
    ASSERT_TRUE(parameters.complete());

    const auto lowPass = PluginParameters::indexOf("lowPass");
    parameters.set(PluginParameters::indexOf("lowPassQ"), 1.0f);
    const float cutoffs[] = {(100.0f - 20.0f) / 19980.0f, (2000.0f - 20.0f) / 19980.0f};

    juce::AudioBuffer<float> signal(2, (int) (0.25 * sampleRate));

    for (int i = 0; i < signal.getNumSamples(); ++i)
        for (int channel = 0; channel < 2; ++channel)
            signal.setSample(channel, i, (i / 100) % 2 == 0 ? 1.0f : -1.0f);

    juce::Random unused;
    hostSignals::BlockPlan plan(blockSize, blockSize, unused);
    hostSignals::process(*hosted, signal, {}, plan,
                         [&](int start, int) { parameters.set(lowPass, cutoffs[(start / blockSize) % 2]); });

    const auto bad = hostSignals::firstBadSample(signal);
    EXPECT_FALSE(bad.has_value()) << hostSignals::describe(bad);
    EXPECT_LE(signal.getMagnitude(0, signal.getNumSamples()), 1.0e5f);

    // The automation stops at 2 kHz; a quarter of a second later the filter rings no more than
    // a resonant low-pass on a square wave does.
    auto refill = [&signal]
    {
        for (int i = 0; i < signal.getNumSamples(); ++i)
            for (int channel = 0; channel < 2; ++channel)
                signal.setSample(channel, i, (i / 100) % 2 == 0 ? 1.0f : -1.0f);
    };
    hostSignals::BlockPlan steadyPlan(blockSize, blockSize, unused);
    refill();
    hostSignals::process(*hosted, signal, {}, steadyPlan,
                         [&](int, int) { parameters.set(lowPass, cutoffs[1]); });
    refill();
    hostSignals::process(*hosted, signal, {}, steadyPlan);
    EXPECT_FALSE(hostSignals::firstBadSample(signal).has_value());
    EXPECT_LT(signal.getMagnitude(0, signal.getNumSamples()), 30.0f);
}
