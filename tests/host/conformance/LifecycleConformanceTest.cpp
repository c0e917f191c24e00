#include "Conformance.h"
#include "HostSignals.h"
#include "RawProcessing.h"

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
// last, so every rate is both left and entered.
double otherRate(double sampleRate)
{
    const auto& rates = conformance::sampleRates;

    for (size_t index = 0; index + 1 < rates.size(); ++index)
        if (juce::approximatelyEqual(rates[index], sampleRate))
            return rates[index + 1];

    return rates.front();
}
} // namespace

// A host stops, starts, deactivates and re-configures the plug-in between stretches of audio.
// After every such step the plug-in goes on producing clean, audible output.
class LifecycleConformance : public conformance::LoadedPluginTest<double>
{
protected:
    void SetUp() override { load(GetParam(), startBlockSize); }

    std::vector<Step> steps() const
    {
        const auto rate = GetParam();
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
                 EXPECT_TRUE(rawProcessing::setProcessing(p, false));
                 EXPECT_TRUE(rawProcessing::setProcessing(p, true));
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
                 EXPECT_TRUE(rawProcessing::setProcessing(p, false));
                 p.prepare(newRate, startBlockSize);
             }},
        };
    }

    // A stretch of audio in blocks of every size up to what the host announced last.
    juce::AudioBuffer<float> play(hostSignals::Signal kind, juce::Random& random,
                                  juce::AudioBuffer<float>* input = nullptr)
    {
        juce::AudioBuffer<float> signal(2, (int) (stretchSeconds * hosted->sampleRate()));
        hostSignals::fill(signal, kind, hosted->sampleRate(), random);

        if (input != nullptr)
            input->makeCopyOf(signal);

        hostSignals::BlockPlan plan(0, hosted->blockSize(), random);
        hostSignals::process(*hosted, signal, hostSignals::randomNotes(signal.getNumSamples(), random), plan);
        return signal;
    }
};

TEST_P(LifecycleConformance, WithDefaultSettingsNoiseStaysAudibleAcrossEveryStep)
{
    juce::Random random(conformance::seedFor("defaults"));
    const auto check = [&](const std::string& when)
    {
        juce::AudioBuffer<float> input;
        const auto output = play(hostSignals::Signal::noise, random, &input);
        const auto bad = hostSignals::firstBadSample(output);
        EXPECT_FALSE(bad.has_value()) << when << ": " << hostSignals::describe(bad);
        // Uniform noise at full scale is about -4.8 dB RMS; the reverb alone keeps it well above
        // -20 dB. A plug-in that went quiet after a step would fall far below.
        EXPECT_GT(hostSignals::rms(output), 0.1) << when;
        input.addFrom(0, 0, output, 0, 0, output.getNumSamples(), -1.0f);
        EXPECT_GT(input.getMagnitude(0, 0, input.getNumSamples()), 0.1f)
            << when << ": the input came back unprocessed";
    };

    check("after loading");

    for (const auto& step : steps())
    {
        step.apply(*hosted);
        check("after " + step.name);
    }
}

TEST_P(LifecycleConformance, UnderRandomSettingsEveryStepLeavesTheOutputClean)
{
    juce::Random random(conformance::seedFor("random"));

    for (const auto& step : steps())
    {
        parameters->randomise(random);

        for (const auto kind : hostSignals::allSignals)
        {
            const auto before = play(kind, random);
            EXPECT_FALSE(hostSignals::firstBadSample(before).has_value())
                << "before " << step.name << ", " << hostSignals::name(kind) << ": "
                << hostSignals::describe(hostSignals::firstBadSample(before))
                << "\nsettings: " << parameters->describe();
        }

        step.apply(*hosted);

        for (const auto kind : hostSignals::allSignals)
        {
            const auto after = play(kind, random);
            EXPECT_FALSE(hostSignals::firstBadSample(after).has_value())
                << "after " << step.name << ", " << hostSignals::name(kind) << ": "
                << hostSignals::describe(hostSignals::firstBadSample(after))
                << "\nsettings: " << parameters->describe();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, LifecycleConformance, ::testing::ValuesIn(conformance::sampleRates),
                         [](const ::testing::TestParamInfo<double>& param)
                         { return conformance::rateName(param.param); });
