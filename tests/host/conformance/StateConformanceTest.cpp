#include "Conformance.h"
#include "Signals.h"

namespace
{
constexpr double playSeconds = 0.25;
} // namespace

// What a host saves from one instance and restores into another is the plug-in that the host's
// own parameter calls make: a fresh instance given the same values shows the same settings and
// sounds the same, sample for sample. The state's round trip through the plug-in's own save is
// not the measure: a value written or read wrongly would pass that.
class StateConformance : public HostedPluginTestWithParam<conformance::Cell>
{
protected:
    void SetUp() override { load(std::get<0>(GetParam()), std::get<1>(GetParam())); }
};

TEST_P(StateConformance, ARestoredInstanceIsTheInstanceTheHostsParameterCallsMake)
{
    const auto rate = std::get<0>(GetParam());
    juce::Random random(conformance::seedFor("state"));
    auto& saved = hosted;
    auto set = hostTest::load(rate, std::get<1>(GetParam()));
    auto restored = hostTest::load(rate, std::get<1>(GetParam()));
    ASSERT_TRUE(set && restored);
    PluginParameters setParameters(*set), restoredParameters(*restored);
    ASSERT_TRUE(setParameters.complete() && restoredParameters.complete());

    const auto values = parameters->randomise(random);
    const auto bypassed = random.nextInt(4) == 0;
    saved->setBypass(bypassed);
    setParameters.setAll(values);
    set->setBypass(bypassed);

    // The saving instance plays a while first, so that its state is what it saves and not what
    // it happens to hold.
    juce::AudioBuffer<float> before(2, (int) (playSeconds * rate));
    signals::fill(before, signals::Kind::noise, rate, random);
    saved->processInBlocks(before, signals::randomNotes(before.getNumSamples(), random));
    restored->loadComponentState(saved->componentState());

    for (auto* plugin : {set.get(), restored.get()})
        hostTest::deliverChanges(*plugin);

    SCOPED_TRACE("settings: " + setParameters.describe() + (bypassed ? " (bypassed)" : ""));
    // The framework's host keeps the value it sent, before the plug-in snapped it to its grid,
    // so the two are compared as the host shows them: by their text.
    EXPECT_EQ(restoredParameters.describe(), setParameters.describe());
    EXPECT_EQ(restored->instance().getBypassParameter()->getValue(),
              set->instance().getBypassParameter()->getValue());

    for (const auto kind : signals::allKinds)
    {
        juce::AudioBuffer<float> fromSet(2, (int) (playSeconds * rate));
        signals::fill(fromSet, kind, rate, random);
        auto fromRestored = fromSet;
        const auto notes = signals::randomNotes(fromSet.getNumSamples(), random);

        set->processInBlocks(fromSet, notes);
        restored->processInBlocks(fromRestored, notes);
        EXPECT_TRUE(signals::identical(fromRestored, fromSet)) << signals::name(kind);
    }
}

// The state does not depend on the rate or the block size; three cells with their own settings.
INSTANTIATE_TEST_SUITE_P(RandomSettings, StateConformance,
                         ::testing::Values(conformance::Cell{48000.0, 512}, conformance::Cell{44100.0, 64},
                                           conformance::Cell{96000.0, 4096}),
                         conformance::cellName);
