#include "Conformance.h"
#include "Signals.h"

#include <functional>

namespace
{
constexpr int startBlockSize = 512;
constexpr double stretchSeconds = 0.1;

struct Step
{
    std::string name;
    std::function<void(HostedPlugin&)> apply;
};

// The rate a host switches to from the given one: the next in the grid, and the first after the
// last.
double otherRate(double sampleRate)
{
    const auto& rates = conformance::sampleRates;

    for (size_t index = 0; index + 1 < rates.size(); ++index)
        if (juce::approximatelyEqual(rates[index], sampleRate))
            return rates[index + 1];

    return rates.front();
}

std::vector<Step> steps(double rate)
{
    const auto newRate = otherRate(rate);

    return {
        {"deactivate and activate",
         [](HostedPlugin& p)
         {
             p.instance().releaseResources();
             p.prepare(p.sampleRate(), p.blockSize());
         }},
        {"stop and start processing",
         [](HostedPlugin& p)
         {
             EXPECT_TRUE(p.setProcessing(false));
             EXPECT_TRUE(p.setProcessing(true));
         }},
        {"host reset", [](HostedPlugin& p) { p.instance().reset(); }},
        {"larger block size while active", [rate](HostedPlugin& p) { p.prepare(rate, 4096); }},
        {"smaller block size while active", [rate](HostedPlugin& p) { p.prepare(rate, 16); }},
        {"new sample rate while active", [newRate](HostedPlugin& p) { p.prepare(newRate, 1024); }},
        {"deactivated, then a new rate and block size",
         [rate](HostedPlugin& p)
         {
             p.instance().releaseResources();
             p.prepare(rate, 777);
         }},
        {"stopped, then a new rate while stopped",
         [newRate](HostedPlugin& p)
         {
             EXPECT_TRUE(p.setProcessing(false));
             p.prepare(newRate, startBlockSize);
         }},
    };
}
} // namespace

// A host stops, starts, deactivates and re-configures the plug-in between stretches of audio.
// After every such step the plug-in goes on as before: with the mix all dry, the output is the
// input times the gains from the step's first sample on (a new activation keeps the mix and
// starts no ramp), whatever the units, under random settings, do meanwhile; and at the defaults
// the effect is heard.
class LifecycleConformance : public HostedPluginTestWithParam<double>
{
protected:
    void SetUp() override { load(GetParam(), startBlockSize); }

    // A stretch of audio in blocks of every size up to what the host announced last.
    juce::AudioBuffer<float> play(HostedPlugin& plugin, signals::Kind kind, juce::AudioBuffer<float>& input)
    {
        input.setSize(2, (int) (stretchSeconds * plugin.sampleRate()));
        signals::fill(input, kind, plugin.sampleRate(), random);
        auto output = input;
        plugin.processInBlocks(
            output, signals::randomNotes(output.getNumSamples(), random),
            conformance::blockLengths(conformance::varyingBlocks, random, plugin.blockSize()));
        return output;
    }

    juce::Random random{conformance::seedFor("lifecycle")};
};

TEST_P(LifecycleConformance, EveryStepKeepsTheDryMixExactAndTheEffectAudible)
{
    auto atDefaults = hostTest::load(GetParam(), startBlockSize);
    ASSERT_NE(atDefaults, nullptr);
    const auto dryWet = PluginParameters::indexOf("dryWet");
    juce::AudioBuffer<float> input;

    const auto check = [&](const std::string& when)
    {
        SCOPED_TRACE(when);
        parameters->randomise(random);
        parameters->set(dryWet, 0.0f);
        const auto kind = signals::allKinds[(size_t) random.nextInt((int) signals::allKinds.size())];
        const auto output = play(*hosted, kind, input);
        EXPECT_EQ(conformance::firstDepartureFromTheDryMix(input, output,
                                                           conformance::gainOfTheGainStages(*hosted)),
                  "")
            << signals::name(kind) << ", settings: " << parameters->describe();

        // Uniform noise at full scale is about -4.8 dB RMS; the reverb alone keeps it well above
        // -20 dB. A plug-in that went quiet, or let its input through untouched, would not.
        const auto effect = play(*atDefaults, signals::Kind::noise, input);
        EXPECT_EQ(signals::firstBadSample(effect), "");
        EXPECT_GT(signals::rms(effect), 0.1);
        EXPECT_GT(signals::maxDifference(effect, input), 0.1f) << "the input came back unprocessed";
    };

    // Loaded and activated, the mix ramps once from fully wet to all dry.
    parameters->set(dryWet, 0.0f);
    auto rampOver = signals::constant(2, conformance::mixRampLength(GetParam()) + 1, 0.0f);
    hosted->processInBlocks(rampOver, {});
    check("after loading");

    for (const auto& step : steps(GetParam()))
    {
        step.apply(*hosted);
        step.apply(*atDefaults);
        check("after " + step.name);
    }
}

// The steps change the rate themselves; three starting rates.
INSTANTIATE_TEST_SUITE_P(Rates, LifecycleConformance, ::testing::Values(22050.0, 48000.0, 192000.0),
                         [](const ::testing::TestParamInfo<double>& param)
                         { return conformance::rateName(param.param); });
