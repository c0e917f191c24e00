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

TEST(Processor, BusesStartEnabledAndARefusedLayoutIsNeverApplied)
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;
    for (bool isInput : {true, false})
        EXPECT_TRUE(processor.getBus(isInput, 0)->isEnabledByDefault());

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
