#include "PluginProcessor.h"

#include <gtest/gtest.h>

TEST(Processor, Name)
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor processor;
    EXPECT_EQ(processor.getName(), "Sorvandel");
}
