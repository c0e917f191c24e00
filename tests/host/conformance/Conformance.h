#pragma once

#include "HostEnvironment.h"
#include "HostedPlugin.h"
#include "PluginParameters.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// What the conformance suite shares: the grid of host settings, the seed, and the bundle.
namespace conformance
{
inline const std::array<double, 6> sampleRates{22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0};

// A block size of varyingBlocks stands for blocks of random length, from 0 up to
// varyingMaximum, which is what the host announces then.
constexpr int varyingBlocks = 0;
constexpr int varyingMaximum = 1024;
inline const std::array<int, 7> blockSizes{1, 16, 64, 512, 1024, 4096, varyingBlocks};

inline int announcedMaximum(int blockSize)
{
    return blockSize == varyingBlocks ? varyingMaximum : blockSize;
}

// Every random choice in the suite derives from this seed, so a failure reproduces exactly.
// CONFORMANCE_SEED in the environment replaces it for exploring further.
std::uint32_t baseSeed();

// A seed of its own for each test and purpose, so tests stay reproducible one by one.
std::int64_t seedFor(const std::string& purpose);

juce::File bundle();
juce::File corpusDirectory();

// Loads the bundle and activates it as a host does. Reports a test failure and returns null
// when that fails.
std::unique_ptr<HostedPlugin> load(double sampleRate, int maximumBlockSize);

std::string rateName(double sampleRate);
std::string blockName(int blockSize);

// A test with the bundle loaded and its parameters found; the subclass's SetUp calls load with
// the settings its parameter stands for. The environment outlives the plug-in, which goes last.
template <typename Setting> class LoadedPluginTest : public ::testing::TestWithParam<Setting>
{
protected:
    void load(double sampleRate, int maximumBlockSize)
    {
        hosted = conformance::load(sampleRate, maximumBlockSize);
        ASSERT_NE(hosted, nullptr);
        parameters = std::make_unique<PluginParameters>(*hosted);
        ASSERT_TRUE(parameters->complete());
    }

    void TearDown() override
    {
        parameters.reset();
        hosted.reset();
    }

    HostEnvironment environment;
    std::unique_ptr<HostedPlugin> hosted;
    std::unique_ptr<PluginParameters> parameters;
};
} // namespace conformance
