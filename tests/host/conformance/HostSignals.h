#pragma once

#include "HostedPlugin.h"

#include <array>
#include <functional>
#include <optional>
#include <string>

// The signals a host throws at the plug-in, the order in which it hands them over, and the
// check that every sample coming back is a normal finite number.
namespace hostSignals
{
enum class Signal
{
    noise,
    silence,
    fullScaleSquare,
    impulses
};

inline const std::array<Signal, 4> allSignals{Signal::noise, Signal::silence, Signal::fullScaleSquare,
                                              Signal::impulses};

std::string name(Signal signal);

// Fills every channel: noise different on each, the others alike on all.
void fill(juce::AudioBuffer<float>& buffer, Signal signal, double sampleRate, juce::Random& random);

// A few notes on random channels and velocities across the length, so the filter's envelopes
// start, hold and release while the signal plays.
juce::MidiBuffer randomNotes(int length, juce::Random& random);

struct BadSample
{
    int channel = 0;
    int index = 0;
    float value = 0.0f;
};

// The first sample that is a NaN, an infinity or a subnormal number, if any.
std::optional<BadSample> firstBadSample(const juce::AudioBuffer<float>& buffer);
std::string describe(const std::optional<BadSample>& bad);

// The lengths of the blocks a host hands over: always the same, or random from 0 (a host
// flushing parameters) up to what it announced.
class BlockPlan
{
public:
    BlockPlan(int blockSize, int announcedMaximum, juce::Random& random);

    int next(int remaining);

private:
    int blockSize;
    int maximum;
    juce::Random& random;
};

// Processes the signal in place, block by block as the plan says, handing each MIDI event to
// the block that holds its position. beforeBlock(start, length) runs ahead of every block.
void process(HostedPlugin& plugin, juce::AudioBuffer<float>& signal, const juce::MidiBuffer& midi,
             BlockPlan& plan, const std::function<void(int, int)>& beforeBlock = {});

double rms(const juce::AudioBuffer<float>& buffer);
} // namespace hostSignals
