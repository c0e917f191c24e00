#include "HostedPluginTest.h"

using HostedQueries = HostedPluginTest;

TEST_F(HostedQueries, DescribesAnEffectFromTheMaker)
{
    const auto& description = hosted->description();
    EXPECT_EQ(description.name, "Sorvandel");
    EXPECT_EQ(description.manufacturerName, "Hennawick");
    EXPECT_EQ(description.version, "1.0.0");
    EXPECT_EQ(description.category, "Fx");
    EXPECT_FALSE(description.isInstrument);
    EXPECT_EQ(description.pluginFormatName, "VST3");
    EXPECT_EQ(hosted->instance().getName(), "Sorvandel");
}

TEST_F(HostedQueries, ReportsNoLatencyAndNoTail)
{
    EXPECT_EQ(hosted->rawLatencySamples(), 0u);
    EXPECT_EQ(hosted->rawTailSamples(), 0u);
    EXPECT_EQ(hosted->instance().getLatencySamples(), 0);
    EXPECT_EQ(hosted->instance().getTailLengthSeconds(), 0.0);
}

TEST_F(HostedQueries, OffersOneProgramWithAnEmptyName)
{
    const auto programs = hosted->programList();
    ASSERT_TRUE(programs.has_value());
    EXPECT_EQ(programs->name, "Factory Presets");
    ASSERT_EQ(programs->programNames.size(), 1u);
    EXPECT_EQ(programs->programNames[0], "");
}
