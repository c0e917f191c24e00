#pragma once

#include <array>

// The plug-in's own parameters as every test, in-process or through a host, expects them: in
// layout order, which is also the order a host lists them in.
namespace expected
{
struct Parameter
{
    const char* id;
    bool isInt;
    float start, end, interval, defaultValue;
    const char* defaultText;
};

// clang-format off
inline constexpr std::array<Parameter, 24> parameters{{
    {"delay",         true,  0.0f,      2500.0f,  1.0f,  0.0f,     "0"},
    {"feedback",      false, 0.0f,      1.0f,     0.01f, 0.0f,     "0.00"},
    {"distortion",    true,  1.0f,      99.0f,    1.0f,  1.0f,     "1"},
    {"lowPass",       false, 20.0f,     20000.0f, 0.1f,  20000.0f, "20000.0"},
    {"highPass",      false, 20.0f,     20000.0f, 0.1f,  20.0f,    "20.0"},
    {"dryWet",        false, 0.0f,      1.0f,     0.01f, 1.0f,     "1.00"},
    {"lowPassQ",      false, 1.0f,      25.0f,    0.1f,  1.0f,     "1.0"},
    {"highPassQ",     false, 1.0f,      25.0f,    0.1f,  1.0f,     "1.0"},
    {"freqGain",      false, 1.0f,      12.0f,    0.1f,  1.0f,     "1.0"},
    {"freqQ",         false, 1.0f,      25.0f,    0.1f,  1.0f,     "1.0"},
    {"ratio",         false, 1.0f,      16.0f,    1.0f,  1.0f,     "1"},
    {"signalOrder",   true,  0.0f,      1.0f,     1.0f,  0.0f,     "0"},
    {"filterOrder",   true,  0.0f,      1.0f,     1.0f,  0.0f,     "0"},
    {"distType",      true,  1.0f,      3.0f,     1.0f,  1.0f,     "1"},
    {"lpfEnv",        false, -20000.0f, 20000.0f, 0.01f, 0.0f,     "0.00"},
    {"hpfEnv",        false, -20000.0f, 20000.0f, 0.01f, 0.0f,     "0.00"},
    {"lpfEnvAttack",  false, 0.0f,      3.0f,     0.01f, 0.0f,     "0.00"},
    {"lpfEnvRelease", false, 0.0f,      3.0f,     0.01f, 1.0f,     "1.00"},
    {"hpfEnvAttack",  false, 0.0f,      3.0f,     0.01f, 0.0f,     "0.00"},
    {"hpfEnvRelease", false, 0.0f,      3.0f,     0.01f, 1.0f,     "1.00"},
    {"lpfSkew",       false, 0.1f,      1.0f,     0.01f, 1.0f,     "1.00"},
    {"hpfSkew",       false, 0.1f,      1.0f,     0.01f, 1.0f,     "1.00"},
    {"inputGain",     false, -100.0f,   24.0f,    0.1f,  0.0f,     "0.0"},
    {"outputGain",    false, -100.0f,   24.0f,    0.1f,  0.0f,     "0.0"},
}};
// clang-format on
} // namespace expected
