#include "Conformance.h"
#include "Signals.h"

namespace
{
constexpr double signalSeconds = 0.25;
} // namespace

// Whatever the input, the settings, the notes and the automation, what comes back is a normal
// finite number; and where the answer is known without the plug-in, it is that answer.
class SignalConformance : public HostedPluginTestWithParam<conformance::Cell>
{
protected:
    void SetUp() override { load(rate(), conformance::announcedMaximum(blockSize())); }

    double rate() const { return std::get<0>(GetParam()); }
    int blockSize() const { return std::get<1>(GetParam()); }

    juce::AudioBuffer<float> makeSignal(signals::Kind kind, int length)
    {
        juce::AudioBuffer<float> signal(2, length);
        signals::fill(signal, kind, rate(), random);
        return signal;
    }

    // Plays the signal in place in the cell's blocks, with random notes, and the automation (if
    // any) ahead of every block.
    void play(juce::AudioBuffer<float>& signal, const std::function<void(int, int)>& beforeBlock = {})
    {
        hosted->processInBlocks(signal, signals::randomNotes(signal.getNumSamples(), random),
                                conformance::blockLengths(blockSize(), random), beforeBlock);
    }

    juce::Random random{conformance::seedFor("signals")};
};

TEST_P(SignalConformance, EverySignalComesBackCleanUnderRandomSettingsAndAutomation)
{
    for (const auto kind : signals::allKinds)
    {
        parameters->randomise(random);
        auto signal = makeSignal(kind, (int) (signalSeconds * rate()));
        play(signal, conformance::automation(*parameters, random));

        EXPECT_EQ(signals::firstBadSample(signal), "")
            << signals::name(kind) << "\nsettings at the end: " << parameters->describe();
    }
}

TEST_P(SignalConformance, AllDryGivesTheInputTimesTheGainsAndBypassGivesTheInput)
{
    // With "dryWet" at 0 the units still run on every block, automated all the while, but only
    // the input times the two gains may come out once the mixer's ramp from fully wet is over.
    // Nothing delays the dry path, whatever the distortion's oversampler delays in the wet one.
    const auto dryWet = PluginParameters::indexOf("dryWet");
    const std::vector<int> fixed{dryWet, PluginParameters::indexOf("inputGain"),
                                 PluginParameters::indexOf("outputGain")};

    for (const auto kind : signals::allKinds)
    {
        SCOPED_TRACE(signals::name(kind));
        parameters->randomise(random);
        parameters->set(dryWet, 0.0f);

        auto rampOver = makeSignal(signals::Kind::noise, conformance::mixRampLength(rate()) + 1);
        play(rampOver);

        const auto input = makeSignal(kind, (int) (signalSeconds * rate()));
        auto output = input;
        play(output, conformance::automation(*parameters, random, fixed));
        EXPECT_EQ(conformance::firstDepartureFromTheDryMix(input, output,
                                                           conformance::gainOfTheGainStages(*hosted)),
                  "")
            << "settings at the end: " << parameters->describe();

        // Bypassed, the input comes back bit for bit, NaNs and infinities included.
        hosted->setBypass(true);
        auto bypassed = input;
        play(bypassed, conformance::automation(*parameters, random));
        EXPECT_TRUE(signals::identical(bypassed, input));
        hosted->setBypass(false);
    }
}

INSTANTIATE_TEST_SUITE_P(Grid, SignalConformance, ::testing::ValuesIn(conformance::sampledCells()),
                         conformance::cellName);

// A host automating a resonant low-pass at block rate, as an LFO lane does: the cutoff jumps
// between 100 Hz and 2 kHz at every 128-sample block while a full-scale square plays. The output
// must stay finite, and sound normal again once the automation stops.
class ResonantCutoffAutomation : public HostedPluginTest
{
protected:
    static constexpr int blockSize = 128;

    void SetUp() override { load(sampleRate, blockSize); }
};

TEST_F(ResonantCutoffAutomation, SwitchingTheCutoffEveryBlockKeepsTheOutputFiniteAndRecovers)
{
    const auto lowPass = PluginParameters::indexOf("lowPass");
    parameters->set(PluginParameters::indexOf("lowPassQ"), 1.0f);
    const float cutoffs[] = {PluginParameters::normalised("lowPass", 100.0f),
                             PluginParameters::normalised("lowPass", 2000.0f)};

    juce::AudioBuffer<float> signal(2, (int) (0.25 * sampleRate));
    const auto refill = [&signal]
    {
        for (int i = 0; i < signal.getNumSamples(); ++i)
            for (int channel = 0; channel < 2; ++channel)
                signal.setSample(channel, i, (i / 100) % 2 == 0 ? 1.0f : -1.0f);
    };

    refill();
    hosted->processInBlocks(
        signal, {}, {}, [&](int start, int) { parameters->set(lowPass, cutoffs[(start / blockSize) % 2]); });
    EXPECT_EQ(signals::firstBadSample(signal), "");
    EXPECT_LE(signal.getMagnitude(0, signal.getNumSamples()), 1.0e5f);

    // The automation stops at 2 kHz; a quarter of a second later the filter rings no more than
    // a resonant low-pass on a square wave does.
    refill();
    hosted->processInBlocks(signal, {}, {}, [&](int, int) { parameters->set(lowPass, cutoffs[1]); });
    refill();
    hosted->processInBlocks(signal, {});
    EXPECT_EQ(signals::firstBadSample(signal), "");
    EXPECT_LT(signal.getMagnitude(0, signal.getNumSamples()), 30.0f);
}
