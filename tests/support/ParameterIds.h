#pragma once

#include <juce_core/juce_core.h>

#include <cstdint>

// The identifiers a VST3 host knows the plug-in's parameters by.
namespace parameterIds
{
// A parameter's VST3 ID, from its string ID by the framework's rule: h = 31 h + c over the
// code points, wrapping at 32 bits, with the top bit cleared.
inline std::uint32_t vst3(const juce::String& id)
{
    std::uint32_t hash = 0;

    for (const auto c : id)
        hash = 31u * hash + static_cast<std::uint32_t>(c);

    return hash & 0x7FFFFFFFu;
}

// The framework's own parameters: Bypass, and the MIDI controllers it emulates on every channel.
constexpr std::uint32_t bypass = 0x62797073; // 'byps'
constexpr std::uint32_t firstMidiController = 0x6D636D00;
constexpr std::uint32_t lastMidiController = 0x6D63751F;
constexpr int midiControllerCount = 16 * 130;
} // namespace parameterIds
