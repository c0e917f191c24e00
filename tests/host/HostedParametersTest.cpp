#include "ExpectedParameters.h"
#include "HostTestSupport.h"

#include <set>

namespace
{
const auto& ownParameters = expected::parameters;

constexpr int ownParameterCount = 24;
} // namespace

using HostedParameters = HostedPluginTest;

TEST_F(HostedParameters, TheTwentyFourComeFirstInLayoutOrderNamedAndNumberedByTheirIds)
{
    const auto& parameters = hosted->instance().getParameters();
    ASSERT_GE(parameters.size(), ownParameterCount);
    ASSERT_EQ(ownParameters.size(), (std::size_t) ownParameterCount);

    EXPECT_EQ(hostTest::hashedParameterId("delay"), 0x05B0B983u);

    std::set<std::uint32_t> ids;

    for (int i = 0; i < ownParameterCount; ++i)
    {
        const auto* expected = ownParameters[(std::size_t) i].id;
        SCOPED_TRACE(expected);
        const auto id = HostedPlugin::vst3ParameterId(*parameters[i]);

        EXPECT_EQ(parameters[i]->getName(1024), expected);
        EXPECT_EQ(id, hostTest::hashedParameterId(expected));
        EXPECT_TRUE(parameters[i]->isAutomatable());
        EXPECT_EQ(parameters[i]->getLabel(), "");
        EXPECT_NE(id, hostTest::bypassParameterId);
        EXPECT_FALSE(id >= hostTest::firstMidiControllerId && id <= hostTest::lastMidiControllerId);
        ids.insert(id);
    }

    EXPECT_EQ(ids.size(), (std::size_t) ownParameterCount);
}

TEST_F(HostedParameters, BypassAndTheMidiControllersFollowTheOwnParameters)
{
    auto& instance = hosted->instance();
    const auto& parameters = instance.getParameters();
    ASSERT_EQ(parameters.size(), ownParameterCount + 1 + hostTest::midiControllerParameterCount);

    auto* bypass = parameters[ownParameterCount];
    EXPECT_EQ(bypass->getName(1024), "Bypass");
    EXPECT_EQ(HostedPlugin::vst3ParameterId(*bypass), hostTest::bypassParameterId);
    EXPECT_EQ(instance.getBypassParameter(), bypass);

    std::set<std::uint32_t> controllerIds;

    for (int i = ownParameterCount + 1; i < parameters.size(); ++i)
    {
        const auto id = HostedPlugin::vst3ParameterId(*parameters[i]);
        EXPECT_GE(id, hostTest::firstMidiControllerId);
        EXPECT_LE(id, hostTest::lastMidiControllerId);
        controllerIds.insert(id);
    }

    EXPECT_EQ(controllerIds.size(), (std::size_t) hostTest::midiControllerParameterCount);
}

TEST_F(HostedParameters, StartAtTheirDefaultsAndShowTheFrameworksTexts)
{
    for (const auto& expected : ownParameters)
    {
        SCOPED_TRACE(expected.id);
        auto* parameter = hosted->parameter(expected.id);
        ASSERT_NE(parameter, nullptr);

        const auto normalisedDefault =
            (expected.defaultValue - expected.start) / (expected.end - expected.start);
        EXPECT_NEAR(parameter->getDefaultValue(), normalisedDefault, 1.0e-6f);
        EXPECT_NEAR(parameter->getValue(), normalisedDefault, 1.0e-6f);
        EXPECT_EQ(parameter->getText(parameter->getDefaultValue(), 1024), expected.defaultText);
    }
}

TEST_F(HostedParameters, TheMidpointOfTheHostsRangeLandsOnTheGrid)
{
    const std::vector<std::pair<const char*, const char*>> midpoints{
        {"delay", "1250"}, {"distType", "2"}, {"lpfEnv", "0.00"}, {"lowPass", "10010.0"}, {"ratio", "9"},
    };

    for (const auto& [id, text] : midpoints)
    {
        SCOPED_TRACE(id);
        auto* parameter = hosted->parameter(id);
        ASSERT_NE(parameter, nullptr);
        EXPECT_EQ(parameter->getText(0.5f, 1024), text);
    }
}
