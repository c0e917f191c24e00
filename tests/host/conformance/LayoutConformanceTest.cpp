#include "Conformance.h"
#include "HostSignals.h"
#include "PluginParameters.h"

#include <cmath>

namespace
{
using Set = juce::AudioChannelSet;
using Layout = juce::AudioProcessor::BusesLayout;

constexpr int blockSize = 256;
constexpr double playSeconds = 0.25;

Layout layout(const Set& in, const Set& out)
{
    Layout result;
    result.inputBuses.add(in);
    result.outputBuses.add(out);
    return result;
}

std::string describe(const Layout& l)
{
    return (l.getMainInputChannelSet().getDescription() + " in, " +
            l.getMainOutputChannelSet().getDescription() + " out")
        .toStdString();
}

// Layouts a VST3 host can ask for that the plug-in turns down. (A deactivated bus is not among
// them: VST3 hosts switch buses off and on without asking.)
std::vector<Layout> refusedLayouts()
{
    return {layout(Set::mono(), Set::stereo()), layout(Set::stereo(), Set::mono()),
            layout(Set::create5point1(), Set::create5point1()),
            layout(Set::quadraphonic(), Set::quadraphonic()), layout(Set::stereo(), Set::create5point1())};
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

// The two layouts the plug-in takes, run end to end at every rate, and the ones it refuses.
class LayoutConformance : public ::testing::TestWithParam<double>
{
protected:
    double sampleRate() const { return GetParam(); }

    std::unique_ptr<HostedPlugin> loadWith(const Layout& wanted)
    {
        auto plugin = conformance::load(sampleRate(), blockSize);

        if (plugin != nullptr && !plugin->setLayout(wanted))
        {
            ADD_FAILURE() << "the plug-in refused " << describe(wanted);
            return nullptr;
        }

        return plugin;
    }

    void play(HostedPlugin& plugin, juce::AudioBuffer<float>& signal, const juce::MidiBuffer& notes)
    {
        juce::Random unused;
        hostSignals::BlockPlan plan(blockSize, blockSize, unused);
        hostSignals::process(plugin, signal, notes, plan);
    }

    HostEnvironment environment;
};

TEST_P(LayoutConformance, MonoRunsLikeTheLeftOfStereoFedTheSameOnBothSides)
{
    // Every stage works on each channel by itself (the filter runs its left pair on a mono
    // block), so a mono instance is the left half of a stereo one that hears the same on both.
    auto mono = loadWith(layout(Set::mono(), Set::mono()));
    auto stereo = loadWith(layout(Set::stereo(), Set::stereo()));
    ASSERT_NE(mono, nullptr);
    ASSERT_NE(stereo, nullptr);

    PluginParameters monoParameters(*mono);
    PluginParameters stereoParameters(*stereo);
    ASSERT_TRUE(monoParameters.complete() && stereoParameters.complete());

    juce::Random random(conformance::seedFor("layouts"));

    for (const auto kind : hostSignals::allSignals)
    {
        stereoParameters.setAll(monoParameters.randomise(random));

        juce::AudioBuffer<float> monoSignal(1, (int) (playSeconds * sampleRate()));
        hostSignals::fill(monoSignal, kind, sampleRate(), random);
        juce::AudioBuffer<float> stereoSignal(2, monoSignal.getNumSamples());
        stereoSignal.copyFrom(0, 0, monoSignal, 0, 0, monoSignal.getNumSamples());
        stereoSignal.copyFrom(1, 0, monoSignal, 0, 0, monoSignal.getNumSamples());
        const auto notes = hostSignals::randomNotes(monoSignal.getNumSamples(), random);

        play(*mono, monoSignal, notes);
        play(*stereo, stereoSignal, notes);

        SCOPED_TRACE(hostSignals::name(kind) + ", settings: " + monoParameters.describe());
        EXPECT_FALSE(hostSignals::firstBadSample(monoSignal).has_value())
            << hostSignals::describe(hostSignals::firstBadSample(monoSignal));
        EXPECT_FALSE(hostSignals::firstBadSample(stereoSignal).has_value())
            << hostSignals::describe(hostSignals::firstBadSample(stereoSignal));
        EXPECT_LE(largestDifference(monoSignal.getReadPointer(0), stereoSignal.getReadPointer(0),
                                    monoSignal.getNumSamples()),
                  1.0e-6f);
        EXPECT_EQ(largestDifference(stereoSignal.getReadPointer(0), stereoSignal.getReadPointer(1),
                                    monoSignal.getNumSamples()),
                  0.0f)
            << "both sides of the stereo instance heard the same";
    }
}

TEST_P(LayoutConformance, RefusedLayoutsLeaveTheLastLayoutPlayingAsBefore)
{
    // The host asks, is turned down, and activates again on what it had. Next to an instance that
    // was only deactivated and activated, the output is the same, sample for sample.
    for (const auto& kept : {layout(Set::stereo(), Set::stereo()), layout(Set::mono(), Set::mono())})
    {
        SCOPED_TRACE("while on " + describe(kept));
        auto asked = loadWith(kept);
        auto reference = loadWith(kept);
        ASSERT_NE(asked, nullptr);
        ASSERT_NE(reference, nullptr);

        juce::Random random(conformance::seedFor("refused " + describe(kept)));
        const auto channels = kept.getMainOutputChannelSet().size();

        for (const auto& request : refusedLayouts())
        {
            SCOPED_TRACE(describe(request));
            EXPECT_FALSE(asked->setLayout(request));
            EXPECT_EQ(asked->instance().getBusesLayout(), kept);

            reference->instance().releaseResources();
            reference->prepare(sampleRate(), blockSize);

            juce::AudioBuffer<float> input(channels, (int) (0.05 * sampleRate()));
            hostSignals::fill(input, hostSignals::Signal::noise, sampleRate(), random);
            const auto notes = hostSignals::randomNotes(input.getNumSamples(), random);
            juce::AudioBuffer<float> fromAsked, fromReference;
            fromAsked.makeCopyOf(input);
            fromReference.makeCopyOf(input);
            play(*asked, fromAsked, notes);
            play(*reference, fromReference, notes);

            for (int channel = 0; channel < channels; ++channel)
                EXPECT_EQ(largestDifference(fromAsked.getReadPointer(channel),
                                            fromReference.getReadPointer(channel), input.getNumSamples()),
                          0.0f)
                    << "channel " << channel;

            EXPECT_GT(hostSignals::rms(fromAsked), 0.05) << "the plug-in went quiet";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Rates, LayoutConformance, ::testing::ValuesIn(conformance::sampleRates),
                         [](const ::testing::TestParamInfo<double>& param)
                         { return conformance::rateName(param.param); });
