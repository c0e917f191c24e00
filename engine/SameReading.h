#pragma once

#include <functional>

// Whether a parameter reading is exactly the one seen before, so that work depending only on it
// can be skipped. Exact equality is what is meant: any change, however small, must be acted on,
// and a NaN that marks a value never read matches nothing.
inline bool sameReading(float a, float b) noexcept
{
    return std::equal_to<float>()(a, b);
}
