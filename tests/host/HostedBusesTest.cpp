#include "HostedPluginTest.h"
#include "Signals.h"

namespace
{
using Set = juce::AudioChannelSet;
using Direction = HostedPlugin::Direction;
using Media = HostedPlugin::Media;

// The VST3 speaker arrangements the plug-in reports (SpeakerArr::kMono, kStereo).
constexpr std::uint64_t monoArrangement = 1ull << 19;
constexpr std::uint64_t stereoArrangement = 0x3;

juce::AudioProcessor::BusesLayout layout(const Set& in, const Set& out)
{
    juce::AudioProcessor::BusesLayout result;
    result.inputBuses.add(in);
    result.outputBuses.add(out);
    return result;
}

std::string describe(const juce::AudioProcessor::BusesLayout& l)
{
    return (l.getMainInputChannelSet().getDescription() + " in, " +
            l.getMainOutputChannelSet().getDescription() + " out")
        .toStdString();
}
} // namespace

class HostedBuses : public HostedPluginTest
{
protected:
    void expectArrangement(std::uint64_t expected)
    {
        EXPECT_EQ(hosted->speakerArrangement(Direction::input, 0), expected);
        EXPECT_EQ(hosted->speakerArrangement(Direction::output, 0), expected);
    }

    // With the processor still doing nothing to the audio, what comes out on a channel is what
    // went in: the host hears its signal on every channel the layout carries.
    void expectSignalPassesOn(int channels)
    {
        auto buffer = signals::sine(channels, blockSize, 1000.0, sampleRate, 0.5f);
        juce::MidiBuffer midi;
        hosted->process(buffer, midi);

        for (int channel = 0; channel < channels; ++channel)
            EXPECT_GT(signals::rms(buffer, channel), 0.01) << "channel " << channel;
    }
};

TEST_F(HostedBuses, DeclaresStereoAudioBusesAndOneMidiInput)
{
    const auto audioIn = hosted->buses(Media::audio, Direction::input);
    const auto audioOut = hosted->buses(Media::audio, Direction::output);
    ASSERT_EQ(audioIn.size(), 1u);
    ASSERT_EQ(audioOut.size(), 1u);
    EXPECT_EQ(audioIn[0].name, "Input");
    EXPECT_EQ(audioIn[0].channelCount, 2);
    EXPECT_EQ(audioOut[0].name, "Output");
    EXPECT_EQ(audioOut[0].channelCount, 2);
    expectArrangement(stereoArrangement);

    const auto midiIn = hosted->buses(Media::event, Direction::input);
    ASSERT_EQ(midiIn.size(), 1u);
    EXPECT_EQ(midiIn[0].name, "MIDI Input");
    EXPECT_EQ(midiIn[0].channelCount, 16);
    EXPECT_TRUE(hosted->buses(Media::event, Direction::output).empty());

    auto& instance = hosted->instance();
    EXPECT_TRUE(instance.acceptsMidi());
    EXPECT_FALSE(instance.producesMidi());
}

TEST_F(HostedBuses, TakesMatchingMonoOrStereoAndKeepsTheLastOneItTook)
{
    ASSERT_TRUE(hosted->setLayout(layout(Set::mono(), Set::mono())));
    expectArrangement(monoArrangement);
    expectSignalPassesOn(1);

    const std::vector<juce::AudioProcessor::BusesLayout> refused{
        layout(Set::mono(), Set::stereo()),
        layout(Set::stereo(), Set::mono()),
        layout(Set::create5point1(), Set::create5point1()),
    };

    for (const auto& request : refused)
    {
        SCOPED_TRACE(describe(request));
        EXPECT_FALSE(hosted->setLayout(request));
        EXPECT_EQ(hosted->instance().getBusesLayout(), layout(Set::mono(), Set::mono()));
        expectArrangement(monoArrangement);
        expectSignalPassesOn(1);
    }

    ASSERT_TRUE(hosted->setLayout(layout(Set::stereo(), Set::stereo())));
    expectArrangement(stereoArrangement);
    expectSignalPassesOn(2);
}

TEST_F(HostedBuses, ADeactivatedBusLeavesTheProcessorOnItsLastLayout)
{
    // VST3 lets a host deactivate any bus; the plug-in keeps running on the layout it last took
    // and hears silence from a deactivated input.
    const std::vector<juce::AudioProcessor::BusesLayout> deactivations{
        layout(Set::disabled(), Set::stereo()),
        layout(Set::stereo(), Set::disabled()),
        layout(Set::disabled(), Set::disabled()),
    };

    for (const auto& request : deactivations)
    {
        SCOPED_TRACE(describe(request));
        EXPECT_TRUE(hosted->setLayout(request));
        expectArrangement(stereoArrangement);

        auto buffer = signals::sine(2, blockSize, 1000.0, sampleRate, 0.5f);
        juce::MidiBuffer midi;
        hosted->process(buffer, midi);
        EXPECT_TRUE(signals::allFinite(buffer));

        if (request.getMainInputChannelSet().isDisabled() && !request.getMainOutputChannelSet().isDisabled())
        {
            EXPECT_EQ(buffer.getMagnitude(0, blockSize), 0.0f);
        }
    }

    ASSERT_TRUE(hosted->setLayout(layout(Set::stereo(), Set::stereo())));
    expectSignalPassesOn(2);
}

TEST_F(HostedBuses, AOneChannelDiscreteRequestReachesThePluginAsMono)
{
    // VST3 has no arrangement for one discrete channel: JUCE's host sends it as mono, which the
    // plug-in accepts, so a host cannot make the processor refuse it. No audio is processed in
    // that state: JUCE 7.0.5's host finds no mono channel in its own discrete layout and hands
    // the plug-in an invalid channel pointer.
    ASSERT_TRUE(hosted->setLayout(layout(Set::discreteChannels(1), Set::discreteChannels(1))));
    expectArrangement(monoArrangement);

    ASSERT_TRUE(hosted->setLayout(layout(Set::stereo(), Set::stereo())));
    expectArrangement(stereoArrangement);
    expectSignalPassesOn(2);
}
