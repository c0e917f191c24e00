#include "Conformance.h"
#include "HostSignals.h"
#include "PluginParameters.h"

#include <cstring>

namespace
{
constexpr double playSeconds = 0.25;

// Each case draws its own settings and runs at its own rate and block size.
struct StateCase
{
    int index;
    double sampleRate;
    int blockSize;
};

std::vector<StateCase> stateCases()
{
    std::vector<StateCase> cases;

    for (size_t index = 0; index < conformance::sampleRates.size(); ++index)
        cases.push_back({(int) index, conformance::sampleRates[index], conformance::blockSizes[index]});

    return cases;
}

std::string firstDifference(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    for (int channel = 0; channel < a.getNumChannels(); ++channel)
        for (int i = 0; i < a.getNumSamples(); ++i)
            if (std::memcmp(a.getReadPointer(channel, i), b.getReadPointer(channel, i), sizeof(float)) != 0)
                return "channel " + std::to_string(channel) + ", sample " + std::to_string(i) + ": " +
                       std::to_string(a.getSample(channel, i)) + " against " +
                       std::to_string(b.getSample(channel, i));

    return "none";
}
} // namespace

// What a host saves from one instance and restores into a fresh one is the same plug-in: the
// same bytes when saved again, the same settings, and the same output for the same input.
class StateConformance : public ::testing::TestWithParam<StateCase>
{
protected:
    int blockSize() const { return GetParam().blockSize; }

    // A host change reaches the processor with the next process call; one block of silence
    // delivers it, the same way for both instances.
    void settle(HostedPlugin& plugin)
    {
        juce::AudioBuffer<float> silence(2, blockSize());
        silence.clear();
        juce::MidiBuffer midi;
        plugin.process(silence, midi);
    }

    juce::AudioBuffer<float> play(HostedPlugin& plugin, const juce::AudioBuffer<float>& input,
                                  const juce::MidiBuffer& notes)
    {
        juce::AudioBuffer<float> output;
        output.makeCopyOf(input);
        juce::Random unused;
        hostSignals::BlockPlan plan(blockSize(), blockSize(), unused);
        hostSignals::process(plugin, output, notes, plan);
        return output;
    }

    HostEnvironment environment;
};

TEST_P(StateConformance, ARestoredInstanceSavesTheSameBytesAndSoundsTheSame)
{
    const auto& settings = GetParam();
    juce::Random random(conformance::seedFor("state"));

    auto original = conformance::load(settings.sampleRate, blockSize());
    ASSERT_NE(original, nullptr);
    PluginParameters originalParameters(*original);
    ASSERT_TRUE(originalParameters.complete());
    originalParameters.randomise(random);
    const auto bypassed = random.nextInt(4) == 0;
    original->setBypass(bypassed);
    settle(*original);
    const auto saved = original->componentState();
    ASSERT_GT(saved.getSize(), 0u);

    auto restored = conformance::load(settings.sampleRate, blockSize());
    ASSERT_NE(restored, nullptr);
    restored->loadComponentState(saved);
    settle(*restored);
    PluginParameters restoredParameters(*restored);
    ASSERT_TRUE(restoredParameters.complete());

    SCOPED_TRACE("settings: " + originalParameters.describe() + (bypassed ? " (bypassed)" : ""));
    EXPECT_EQ(restored->componentState(), saved);
    // The framework's host keeps the value it sent, before the plug-in snapped it to its grid,
    // so the two instances are compared as the host shows them: by their text.
    EXPECT_EQ(restoredParameters.describe(), originalParameters.describe());
    EXPECT_EQ(restored->instance().getBypassParameter()->getValue(),
              original->instance().getBypassParameter()->getValue());

    for (const auto kind : hostSignals::allSignals)
    {
        juce::AudioBuffer<float> input(2, (int) (playSeconds * settings.sampleRate));
        hostSignals::fill(input, kind, settings.sampleRate, random);
        const auto notes = hostSignals::randomNotes(input.getNumSamples(), random);

        const auto fromOriginal = play(*original, input, notes);
        const auto fromRestored = play(*restored, input, notes);
        EXPECT_EQ(firstDifference(fromOriginal, fromRestored), "none") << hostSignals::name(kind);
    }

    // Playing changes no setting: both still save what was saved.
    EXPECT_EQ(original->componentState(), saved);
    EXPECT_EQ(restored->componentState(), saved);
}

INSTANTIATE_TEST_SUITE_P(RandomSettings, StateConformance, ::testing::ValuesIn(stateCases()),
                         [](const ::testing::TestParamInfo<StateCase>& param)
                         {
                             return "Set" + std::to_string(param.param.index) + "_" +
                                    conformance::rateName(param.param.sampleRate) + "_" +
                                    conformance::blockName(param.param.blockSize);
                         });
