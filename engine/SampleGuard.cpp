#include "SampleGuard.h"

#include <cstdint>
#include <cstring>

void SampleGuard::silenceImplausible(juce::AudioBuffer<float>& buffer) noexcept
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        auto* samples = buffer.getWritePointer(channel);

        // NaN fails the comparison too; written without a branch so that it vectorises.
        for (int i = 0; i < buffer.getNumSamples(); ++i)
            samples[i] = std::abs(samples[i]) <= largestPlausibleSample ? samples[i] : 0.0f;
    }
}

bool SampleGuard::allFinite(const juce::AudioBuffer<float>& buffer) noexcept
{
    // Infinities and NaNs are the floats whose exponent bits are all set. Testing the bits and
    // gathering the verdicts with an OR keeps the loop free of branches and of float compares,
    // so that it vectorises and costs next to nothing on every block.
    constexpr std::uint32_t exponentBits = 0x7f800000u;
    std::uint32_t nonFinite = 0;

    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
    {
        const auto* samples = buffer.getReadPointer(channel);

        for (int i = 0; i < buffer.getNumSamples(); ++i)
        {
            std::uint32_t bits;
            std::memcpy(&bits, samples + i, sizeof(bits));
            nonFinite |= (std::uint32_t)((bits & exponentBits) == exponentBits);
        }
    }

    return nonFinite == 0;
}
