#include "ExpectedParameters.h"
#include "HostedPluginTest.h"
#include "ParameterIds.h"

#include <set>

namespace
{
constexpr int ownParameterCount = (int) expected::parameters.size();
} // namespace

using HostedParameters = HostedPluginTest;

// What a host lists, stores automation under and shows first: the 24 in layout order, each
// numbered by the hash of its ID, at its default and with the default's text. (The hash's own
// values, and the ranges' arithmetic, are the unit tests'.)
TEST_F(HostedParameters, TheTwentyFourComeFirstNumberedByTheirIdsAtTheirDefaults)
{
    const auto& listed = hosted->instance().getParameters();
    ASSERT_GE(listed.size(), ownParameterCount);

    for (int i = 0; i < ownParameterCount; ++i)
    {
        const auto& expected = expected::parameters[(std::size_t) i];
        SCOPED_TRACE(expected.id);
        auto* parameter = listed[i];

        EXPECT_EQ(parameter->getName(1024), expected.id);
        EXPECT_EQ(HostedPlugin::vst3ParameterId(*parameter), parameterIds::vst3(expected.id));
        EXPECT_TRUE(parameter->isAutomatable());
        EXPECT_EQ(parameter->getLabel(), "");

        const auto normalisedDefault = PluginParameters::normalised(expected.id, expected.defaultValue);
        EXPECT_NEAR(parameter->getDefaultValue(), normalisedDefault, 1.0e-6f);
        EXPECT_NEAR(parameter->getValue(), normalisedDefault, 1.0e-6f);
        EXPECT_EQ(parameter->getText(parameter->getDefaultValue(), 1024), expected.defaultText);
    }
}

TEST_F(HostedParameters, BypassAndTheMidiControllersFollowTheOwnParameters)
{
    auto& instance = hosted->instance();
    const auto& listed = instance.getParameters();
    ASSERT_EQ(listed.size(), ownParameterCount + 1 + parameterIds::midiControllerCount);

    auto* bypass = listed[ownParameterCount];
    EXPECT_EQ(bypass->getName(1024), "Bypass");
    EXPECT_EQ(HostedPlugin::vst3ParameterId(*bypass), parameterIds::bypass);
    EXPECT_EQ(instance.getBypassParameter(), bypass);

    std::set<std::uint32_t> controllerIds;

    for (int i = ownParameterCount + 1; i < listed.size(); ++i)
    {
        const auto id = HostedPlugin::vst3ParameterId(*listed[i]);
        EXPECT_GE(id, parameterIds::firstMidiController);
        EXPECT_LE(id, parameterIds::lastMidiController);
        controllerIds.insert(id);
    }

    EXPECT_EQ(controllerIds.size(), (std::size_t) parameterIds::midiControllerCount);
}
