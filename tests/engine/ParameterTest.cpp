#include "ExpectedParameters.h"
#include "ParameterIds.h"
#include "PluginProcessor.h"

#include <gtest/gtest.h>

namespace
{
const auto& expectedParameters = expected::parameters;

class ParameterTest : public ::testing::Test
{
protected:
    juce::RangedAudioParameter& parameter(const char* id)
    {
        auto* p = processor.valueTreeState.getParameter(id);
        EXPECT_NE(p, nullptr) << id;
        return *p;
    }

    // Sets a real value the way a host or an attachment does: normalised, with notification.
    float setReal(const char* id, float value)
    {
        auto& p = parameter(id);
        p.setValueNotifyingHost(p.convertTo0to1(value));
        return processor.valueTreeState.getRawParameterValue(id)->load();
    }

    float setNormalised(const char* id, float normalised)
    {
        parameter(id).setValueNotifyingHost(normalised);
        return processor.valueTreeState.getRawParameterValue(id)->load();
    }

    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;
};
} // namespace

TEST_F(ParameterTest, LayoutHoldsTheTwentyFourParametersInOrderWithTheirRangesAndDefaults)
{
    const auto& parameters = processor.getParameters();
    ASSERT_EQ(parameters.size(), 24);

    for (int i = 0; i < 24; ++i)
    {
        const auto& e = expectedParameters[(size_t) i];
        SCOPED_TRACE(e.id);
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*>(parameters[i]);
        ASSERT_NE(ranged, nullptr);

        EXPECT_EQ(ranged->getParameterID(), e.id);
        EXPECT_EQ(ranged->getName(100), e.id);
        EXPECT_EQ(ranged->getVersionHint(), 1);
        EXPECT_EQ(ranged->getLabel(), "");
        EXPECT_TRUE(ranged->isAutomatable());
        EXPECT_FALSE(ranged->isMetaParameter());
        EXPECT_EQ(dynamic_cast<juce::AudioParameterInt*>(ranged) != nullptr, e.isInt);
        EXPECT_EQ(dynamic_cast<juce::AudioParameterFloat*>(ranged) != nullptr, !e.isInt);

        const auto& range = ranged->getNormalisableRange();
        EXPECT_EQ(range.start, e.start);
        EXPECT_EQ(range.end, e.end);
        EXPECT_EQ(range.interval, e.interval);
        EXPECT_EQ(range.skew, 1.0f);
        EXPECT_FALSE(range.symmetricSkew);

        EXPECT_EQ(processor.valueTreeState.getRawParameterValue(e.id)->load(), e.defaultValue);
        EXPECT_EQ(ranged->getText(ranged->getDefaultValue(), 1024), e.defaultText);
        EXPECT_EQ(ranged->getValueForText(e.defaultText), ranged->getDefaultValue());
    }
}

TEST_F(ParameterTest, HostValuesLandOnOurGrids)
{
    // The middle of the host's range, on the linear ranges and their intervals.
    EXPECT_EQ(setNormalised("delay", 0.5f), 1250.0f);
    EXPECT_EQ(setNormalised("distType", 0.5f), 2.0f);
    EXPECT_EQ(setNormalised("lpfEnv", 0.5f), 0.0f);
    EXPECT_EQ(setNormalised("lowPass", 0.5f), 10010.0f);

    // The interval 0.01 is the float 0.01f, so 0.333 snaps to 0.01f * 33, not to the float nearest 0.33.
    EXPECT_DOUBLE_EQ(static_cast<double>(setReal("feedback", 0.333f)), 0.3299999833106995);
}

TEST(ParameterIdentifiers, HostIdentifiersAreDistinctAndClearOfTheFrameworksOwn)
{
    // The VST3 client derives each host identifier from the string ID.
    const auto hostId = parameterIds::vst3;
    EXPECT_EQ(hostId("delay"), 0x05B0B983u);

    std::set<juce::uint32> seen;
    for (const auto& e : expectedParameters)
    {
        const auto h = hostId(e.id);
        EXPECT_TRUE(seen.insert(h).second) << e.id;
        EXPECT_NE(h, parameterIds::bypass) << e.id;
        EXPECT_FALSE(h >= parameterIds::firstMidiController && h <= parameterIds::lastMidiController) << e.id;
    }
}
