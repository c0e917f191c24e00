#pragma once

#include "HostEnvironment.h"
#include "HostedPlugin.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace hostTest
{
inline std::string bundleLibrary()
{
    return SORVANDEL_BUNDLE_LIBRARY;
}

// The bundle's folder: the library sits in Contents/x86_64-linux inside it.
inline juce::File bundle()
{
    return juce::File(SORVANDEL_BUNDLE_LIBRARY)
        .getParentDirectory()
        .getParentDirectory()
        .getParentDirectory();
}

// The VST3 parameter ID a JUCE plug-in gives a parameter with this string ID.
inline std::uint32_t hashedParameterId(const std::string& id)
{
    std::uint32_t hash = 0;

    for (const char c : id)
        hash = 31u * hash + static_cast<unsigned char>(c);

    return hash & 0x7FFFFFFFu;
}

constexpr std::uint32_t bypassParameterId = 0x62797073; // 'byps'
constexpr std::uint32_t firstMidiControllerId = 0x6D636D00;
constexpr std::uint32_t lastMidiControllerId = 0x6D63751F;
constexpr int midiControllerParameterCount = 16 * 130;
} // namespace hostTest

// Every hosted test runs with JUCE's message thread on the test thread, as in a host's main
// thread, and a freshly loaded, prepared plug-in.
class HostedPluginTest : public ::testing::Test
{
protected:
    static constexpr double sampleRate = 48000.0;
    static constexpr int blockSize = 512;

    void SetUp() override
    {
        juce::String error;
        hosted = HostedPlugin::load(hostTest::bundle(), sampleRate, blockSize, error);
        ASSERT_NE(hosted, nullptr) << error;
    }

    void TearDown() override { hosted.reset(); }

    HostEnvironment environment;
    std::unique_ptr<HostedPlugin> hosted;
};
