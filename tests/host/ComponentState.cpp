#include "ComponentState.h"

#include <cstring>

namespace componentState
{
namespace
{
constexpr std::size_t magicSize = 15;

std::uint64_t readUint64(const char* bytes)
{
    std::uint64_t value = 0;
    std::memcpy(&value, bytes, sizeof(value));
    return juce::ByteOrder::swapIfBigEndian(value);
}

void appendUint64(juce::MemoryBlock& block, std::uint64_t value)
{
    const auto littleEndian = juce::ByteOrder::swapIfBigEndian(value);
    block.append(&littleEndian, sizeof(littleEndian));
}
} // namespace

std::optional<Parts> split(const juce::MemoryBlock& state)
{
    const auto* bytes = static_cast<const char*>(state.getData());
    const auto size = state.getSize();

    if (size < magicSize + 16 || std::memcmp(bytes + size - magicSize, trailerMagic, magicSize) != 0)
        return std::nullopt;

    const auto privateSize = readUint64(bytes + size - magicSize - 8);

    if (privateSize > size - magicSize - 16)
        return std::nullopt;

    const auto privateStart = size - magicSize - 8 - privateSize;
    const auto chunkSize = privateStart - 8;

    if (readUint64(bytes + chunkSize) != 0)
        return std::nullopt;

    Parts parts;
    parts.chunk.append(bytes, chunkSize);
    parts.trailer.append(bytes + chunkSize, size - chunkSize);
    parts.privateData = juce::ValueTree::readFromData(bytes + privateStart, privateSize);
    return parts;
}

juce::MemoryBlock withTrailerClaiming(const juce::MemoryBlock& chunk, std::uint64_t claimedSize)
{
    auto state = chunk;
    appendUint64(state, 0);
    appendUint64(state, claimedSize);
    state.append(trailerMagic, magicSize);
    return state;
}
} // namespace componentState
