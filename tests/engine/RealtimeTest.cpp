#include "AllocationCounter.h"
#include "LockCounter.h"
#include "PreparedProcessor.h"

#include <gtest/gtest.h>

TEST(ProcessorRealtime, CountersSeeWhatTheyCount)
{
    locks::Scope lockScope;
    allocation::Scope allocationScope;
    juce::CriticalSection section;
    {
        const juce::ScopedLock lock(section);
        auto block = std::make_unique<float[]>(4);
        block[0] = 0.0f;
    }
    EXPECT_GE(lockScope.count(), 1u);
    EXPECT_GE(allocationScope.count(), 1u);
}

TEST(ProcessorRealtime, ProcessBlockNeitherAllocatesNorLocksForAnySetting)
{
    constexpr int blockSize = 256;

    for (int numChannels : {1, 2})
        for (int signalOrder : {0, 1})
            for (int filterOrder : {0, 1})
                for (int distType : {1, 2, 3})
                {
                    SCOPED_TRACE(testing::Message()
                                 << numChannels << " channel(s), signalOrder " << signalOrder
                                 << ", filterOrder " << filterOrder << ", distType " << distType);
                    PreparedProcessor p(48000.0, blockSize, numChannels);
                    p.setColouredUnits();
                    p.set("signalOrder", (float) signalOrder);
                    p.set("filterOrder", (float) filterOrder);
                    p.set("distType", (float) distType);
                    p.set("dryWet", 0.5f);
                    p.set("lpfEnv", -8000.0f);
                    p.set("hpfEnv", 2000.0f);
                    p.set("lpfSkew", 0.3f);
                    p.set("lpfEnvAttack", 0.01f);

                    // Everything the calls need exists before the counting starts.
                    auto normal = signals::noise(numChannels, blockSize, 7);
                    auto longer = signals::noise(numChannels, 3 * blockSize + 5, 8);
                    auto nonFinite = signals::noise(numChannels, blockSize, 9);
                    nonFinite.setSample(0, 3, std::numeric_limits<float>::quiet_NaN());
                    juce::AudioBuffer<float> empty(numChannels, 0);
                    auto on = noteOn(5, 90), off = noteOff(5);
                    juce::MidiBuffer none;

                    locks::Scope lockScope;
                    allocation::Scope allocationScope;

                    p.processor.processBlock(normal, on);
                    p.processor.processBlock(normal, none);
                    p.processor.processBlock(empty, on);
                    p.processor.processBlock(longer, off);
                    p.processor.processBlock(nonFinite, on);
                    p.processor.processBlock(normal, off);

                    EXPECT_EQ(allocationScope.count(), 0u);
                    EXPECT_EQ(lockScope.count(), 0u);
                }
}
