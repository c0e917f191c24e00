#include "AllocationCounter.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

namespace
{
using Set = juce::AudioChannelSet;

juce::AudioProcessor::BusesLayout layout(const Set& in, const Set& out)
{
    juce::AudioProcessor::BusesLayout l;
    l.inputBuses.add(in);
    l.outputBuses.add(out);
    return l;
}
} // namespace

TEST(Processor, AnswersTheFrameworksQueries)
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;

    EXPECT_EQ(processor.getName(), "Sorvandel");
    EXPECT_EQ(processor.getTailLengthSeconds(), 0.0);
    EXPECT_TRUE(processor.acceptsMidi());
    EXPECT_FALSE(processor.producesMidi());
    EXPECT_FALSE(processor.isMidiEffect());
    EXPECT_TRUE(processor.hasEditor());
    EXPECT_FALSE(processor.supportsDoublePrecisionProcessing());
    EXPECT_EQ(processor.getBypassParameter(), nullptr);
    EXPECT_EQ(processor.getLatencySamples(), 0);

    ASSERT_EQ(processor.getBusCount(true), 1);
    ASSERT_EQ(processor.getBusCount(false), 1);
    EXPECT_EQ(processor.getBus(true, 0)->getName(), "Input");
    EXPECT_EQ(processor.getBus(false, 0)->getName(), "Output");
    EXPECT_EQ(processor.getBus(true, 0)->getCurrentLayout(), Set::stereo());
    EXPECT_EQ(processor.getBus(false, 0)->getCurrentLayout(), Set::stereo());
    EXPECT_TRUE(processor.getBus(true, 0)->isEnabledByDefault());
    EXPECT_TRUE(processor.getBus(false, 0)->isEnabledByDefault());
}

TEST(Processor, HasOneUnnamedProgramWhateverTheHostAsks)
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;

    processor.setCurrentProgram(3);
    processor.changeProgramName(0, "renamed");
    EXPECT_EQ(processor.getNumPrograms(), 1);
    EXPECT_EQ(processor.getCurrentProgram(), 0);
    for (int index : {0, 7, -1})
        EXPECT_EQ(processor.getProgramName(index), "");
}

TEST(Processor, AcceptsOnlyMatchingMonoOrStereoLayouts)
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;

    EXPECT_TRUE(processor.checkBusesLayoutSupported(layout(Set::mono(), Set::mono())));
    EXPECT_TRUE(processor.checkBusesLayoutSupported(layout(Set::stereo(), Set::stereo())));

    EXPECT_FALSE(processor.checkBusesLayoutSupported(layout(Set::mono(), Set::stereo())));
    EXPECT_FALSE(processor.checkBusesLayoutSupported(layout(Set::stereo(), Set::mono())));
    EXPECT_FALSE(processor.checkBusesLayoutSupported(layout(Set::disabled(), Set::stereo())));
    EXPECT_FALSE(processor.checkBusesLayoutSupported(layout(Set::stereo(), Set::disabled())));
    EXPECT_FALSE(processor.checkBusesLayoutSupported(layout(Set::disabled(), Set::disabled())));
    EXPECT_FALSE(processor.checkBusesLayoutSupported(layout(Set::create5point1(), Set::create5point1())));
    EXPECT_FALSE(
        processor.checkBusesLayoutSupported(layout(Set::discreteChannels(1), Set::discreteChannels(1))));
    EXPECT_FALSE(processor.checkBusesLayoutSupported({}));
}

TEST(Processor, RefusedLayoutIsNeverApplied)
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;

    EXPECT_TRUE(processor.setBusesLayout(layout(Set::mono(), Set::mono())));
    EXPECT_FALSE(processor.setBusesLayout(layout(Set::stereo(), Set::mono())));
    EXPECT_FALSE(processor.setBusesLayout(layout(Set::create5point1(), Set::create5point1())));
    EXPECT_EQ(processor.getBus(true, 0)->getCurrentLayout(), Set::mono());
    EXPECT_EQ(processor.getBus(false, 0)->getCurrentLayout(), Set::mono());
    EXPECT_EQ(processor.getTotalNumInputChannels(), 1);
}

TEST(Processor, CachedReverbValuesFollowTheirParameters)
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;

    ASSERT_NE(processor.delayValue, nullptr);
    ASSERT_NE(processor.feedbackValue, nullptr);
    EXPECT_EQ(processor.delayValue->load(), 0.0f);
    EXPECT_EQ(processor.feedbackValue->load(), 0.0f);

    auto* delay = processor.valueTreeState.getParameter("delay");
    delay->setValueNotifyingHost(delay->convertTo0to1(1000.0f));
    EXPECT_EQ(processor.delayValue->load(), 1000.0f);
    EXPECT_EQ(processor.delayValue, processor.valueTreeState.getRawParameterValue("delay"));
}

TEST(Processor, BuildsAndGoesWithoutEverBeingPrepared)
{
    juce::ScopedJuceInitialiser_GUI gui;
    for (int i = 0; i < 3; ++i)
    {
        std::unique_ptr<juce::AudioProcessor> processor(createPluginFilter());
        ASSERT_NE(processor, nullptr);
        EXPECT_EQ(processor->getName(), "Sorvandel");
    }
}

TEST(AllocationCounter, SeesAllocationsOnThisThread)
{
    allocation::Scope scope;
    auto block = std::make_unique<int[]>(16);
    block[0] = 1;
    EXPECT_GE(scope.count(), 1u);
}
