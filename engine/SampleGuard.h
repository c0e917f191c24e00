#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// What the processor refuses to pass on: samples that are not audio at all on the way in, and
// non-finite samples on the way out.
class SampleGuard
{
public:
    // 10^6 is +120 dBFS: 72 dB above a track mixed at +24 dBFS and lifted by the largest input
    // gain (+24 dB), and beyond anything a real source or a float mix produces. Past it a sample
    // is taken for garbage, as NaN and infinity are.
    //
    // Below it, no value anywhere in the chain comes near the end of a float's range (about
    // 3.4e38), whatever the settings:
    // - a recursive section of the reverb's network has an impulse response whose magnitudes
    //   sum to 0.7 + 1 / (1 - 0.7) < 4.04, and the taps' to 1.7, so the network's output stays
    //   below 4.04^3 * 1.7 < 112 times its largest input;
    // - a state-variable filter held still at Q 25 amplifies by about 25, and sweeping its
    //   cutoff by a few times that: 10^3 for each of the two is generous;
    // - the distortion always runs. What reaches it has passed at most both filters and the
    //   network, and its drive is at most 99, so its oversampler sees less than
    //   10^6 * 10^6 * 112 * 99 < 1.2 * 10^16; its curves are bounded whatever their input
    //   (tanh and sin by 1, the soft clip by 1 + 1/k < 51), so what leaves it is small again,
    //   and at most the network or the filters, as above, follow it;
    // - the dry path carries the input unchanged, and the output gain multiplies by at most
    //   +24 dB, under 16.
    // So the output stays within a few times 16 * 10^6, and its square, which the output meter
    // sums, is still a finite float. The output check does not rely on any of this.
    static constexpr float largestPlausibleSample = 1.0e6f;

    // Replaces every sample beyond the bound, NaN and infinities included, with silence.
    static void silenceImplausible(juce::AudioBuffer<float>& buffer) noexcept;

    static bool allFinite(const juce::AudioBuffer<float>& buffer) noexcept;
};
