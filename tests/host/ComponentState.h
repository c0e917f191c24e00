#pragma once

#include <juce_data_structures/juce_data_structures.h>

#include <optional>

// The VST3 component state as the plug-in's framework writes it: the processor's chunk, eight
// zero bytes, the framework's private value tree, that tree's size as a little-endian 64-bit
// integer, and the closing text "JUCEPrivateData".
namespace componentState
{
inline const char* const trailerMagic = "JUCEPrivateData";

struct Parts
{
    juce::MemoryBlock chunk;
    // Everything after the chunk, as the framework appends it to any chunk.
    juce::MemoryBlock trailer;
    juce::ValueTree privateData;
};

// The parts of a state, or nothing when its trailer is missing or does not fit the bytes.
std::optional<Parts> split(const juce::MemoryBlock& state);

// The chunk followed by a trailer that claims a private tree of the given size and holds none.
juce::MemoryBlock withTrailerClaiming(const juce::MemoryBlock& chunk, std::uint64_t claimedSize);
} // namespace componentState
