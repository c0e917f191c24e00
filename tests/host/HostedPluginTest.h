#pragma once

#include "HostEnvironment.h"
#include "HostedPlugin.h"
#include "PluginParameters.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace hostTest
{
// The bundle this build made: its shared library sits in Contents/x86_64-linux inside it.
inline std::string bundleLibrary()
{
    return SORVANDEL_BUNDLE_LIBRARY;
}

inline juce::File bundle()
{
    return juce::File(bundleLibrary()).getParentDirectory().getParentDirectory().getParentDirectory();
}

// Loads the bundle and activates it as a host does; reports a test failure and returns null
// when that fails.
inline std::unique_ptr<HostedPlugin> load(double sampleRate, int maximumBlockSize)
{
    juce::String error;
    auto hosted = HostedPlugin::load(bundle(), sampleRate, maximumBlockSize, error);

    if (hosted == nullptr)
        ADD_FAILURE() << "could not load " << bundle().getFullPathName() << ": " << error;

    return hosted;
}

// A host's change reaches the processor with the next process call: one block of silence
// delivers it.
inline void deliverChanges(HostedPlugin& plugin)
{
    juce::AudioBuffer<float> silence(plugin.instance().getTotalNumInputChannels(), plugin.blockSize());
    silence.clear();
    juce::MidiBuffer midi;
    plugin.process(silence, midi);
}
} // namespace hostTest

// A test with JUCE's message thread on the test thread, as on a host's main thread, and the
// plug-in loaded from its bundle, activated, with its own parameters found. The environment
// outlives the plug-in. A test that needs other settings calls load() again from its SetUp.
class HostedPluginTest : public ::testing::Test
{
protected:
    static constexpr double sampleRate = 48000.0;
    static constexpr int blockSize = 512;

    void SetUp() override { load(sampleRate, blockSize); }

    void TearDown() override
    {
        parameters.reset();
        hosted.reset();
    }

    void load(double rate, int maximumBlockSize)
    {
        parameters.reset();
        hosted = hostTest::load(rate, maximumBlockSize);
        ASSERT_NE(hosted, nullptr);
        parameters = std::make_unique<PluginParameters>(*hosted);
        ASSERT_TRUE(parameters->complete());
    }

    HostEnvironment environment;
    std::unique_ptr<HostedPlugin> hosted;
    std::unique_ptr<PluginParameters> parameters;
};

// The same, for a test run once for each of several settings.
template <typename Setting>
class HostedPluginTestWithParam : public HostedPluginTest, public ::testing::WithParamInterface<Setting>
{
};
