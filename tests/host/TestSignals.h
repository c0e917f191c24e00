#pragma once

#include <juce_audio_basics/juce_audio_basics.h>

// Signals the host feeds the plug-in, and the measures taken on what comes back.
namespace testSignals
{
// A sine of the given frequency and peak amplitude on every channel.
void fillSine(juce::AudioBuffer<float>& buffer, double frequency, double sampleRate, float amplitude);

// Deterministic white noise, uniform in [-amplitude, amplitude], different on each channel.
void fillNoise(juce::AudioBuffer<float>& buffer, float amplitude, std::int64_t seed);

// RMS of one channel over [start, start + length), computed in double precision.
double rms(const juce::AudioBuffer<float>& buffer, int channel, int start, int length);

bool allFinite(const juce::AudioBuffer<float>& buffer);

double toDecibels(double level);
} // namespace testSignals
