#include "HostedPluginTest.h"
#include "Signals.h"

#include <limits>

using HostedBadValues = HostedPluginTest;

// A host that sends a parameter value that is not a number must not reach the delay lines'
// indices or the filters' state: the value is ignored and the parameter keeps what it had.
TEST_F(HostedBadValues, ANonNumberFromTheHostIsIgnored)
{
    const char* ids[] = {"delay",  "feedback",      "distortion",  "lowPass",     "highPass",
                         "dryWet", "lowPassQ",      "signalOrder", "filterOrder", "distType",
                         "lpfEnv", "lpfEnvRelease", "lpfSkew",     "inputGain",   "outputGain"};
    hosted->setParameter("delay", 0.4f);

    for (const auto* id : ids)
    {
        SCOPED_TRACE(id);
        auto* parameter = hosted->parameter(id);
        ASSERT_NE(parameter, nullptr);
        const auto before = parameter->getText(parameter->getValue(), 64);

        hosted->setParameter(id, std::numeric_limits<float>::quiet_NaN());

        for (int block = 0; block < 4; ++block)
        {
            auto buffer = signals::noise(2, blockSize, block);
            auto midi = signals::noteOn();
            hosted->process(buffer, midi);
            ASSERT_TRUE(signals::allFinite(buffer)) << "block " << block;
        }

        // The plug-in's own value, as a restored project would show it, is unchanged.
        const auto state = hosted->componentState();
        auto restored = hostTest::load(sampleRate, blockSize);
        ASSERT_NE(restored, nullptr);
        restored->loadComponentState(state);
        auto* restoredParameter = restored->parameter(id);
        EXPECT_EQ(restoredParameter->getText(restoredParameter->getValue(), 64), before);
    }
}
