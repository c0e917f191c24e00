#pragma once

#include <juce_dsp/juce_dsp.h>

#include <array>

// The framework's designs have a0 == 1, so their normalised form is the raw set without a0.
// Writing it into an existing set keeps the numbers of Coefficients::makeHighPass/makeLowPass
// without the allocation those make.
inline void assignDesign(juce::dsp::IIR::Coefficients<float>& target, const std::array<float, 6>& raw)
{
    auto* c = target.getRawCoefficients();
    c[0] = raw[0];
    c[1] = raw[1];
    c[2] = raw[2];
    c[3] = raw[4];
    c[4] = raw[5];
}
