#pragma once

#include <juce_core/juce_core.h>

#include <optional>
#include <string>
#include <vector>

// A chunk in JUCE's binary XML wrapper around the given text. The length field may claim another
// length, and bytes may follow the wrapper's closing 0 byte.
inline std::vector<juce::uint8> chunkOf(const std::string& text, std::optional<juce::int32> length = {},
                                        const std::string& after = {})
{
    const auto field = (juce::uint32) length.value_or((juce::int32) text.size());
    std::vector<juce::uint8> chunk{0x56, 0x43, 0x32, 0x21};
    for (int shift = 0; shift < 32; shift += 8)
        chunk.push_back((juce::uint8)(field >> shift));
    chunk.insert(chunk.end(), text.begin(), text.end());
    chunk.push_back(0);
    chunk.insert(chunk.end(), after.begin(), after.end());
    return chunk;
}
