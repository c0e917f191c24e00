#include "PluginProcessor.h"

#include <gtest/gtest.h>

TEST(Processor, Name)
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;
    EXPECT_EQ(processor.getName(), "Sorvandel");
}

#include "AllocationCounter.h"

TEST(AllocationCounter, SeesAllocationsOnThisThread)
{
    allocation::Scope scope;
    auto block = std::make_unique<int[]>(16);
    block[0] = 1;
    EXPECT_GE(scope.count(), 1u);
}
