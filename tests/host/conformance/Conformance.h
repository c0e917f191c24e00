#pragma once

#include "HostedPluginTest.h"

#include <array>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

// What the conformance suite shares: the host settings it runs under, the seed, and the answers
// it knows without asking the plug-in.
namespace conformance
{
inline const std::array<double, 6> sampleRates{22050.0, 44100.0, 48000.0, 88200.0, 96000.0, 192000.0};

// A block size of varyingBlocks stands for blocks of random length, from 0 up to
// varyingMaximum, which is what the host announces then.
constexpr int varyingBlocks = 0;
constexpr int varyingMaximum = 1024;
inline const std::array<int, 7> blockSizes{1, 16, 64, 512, 1024, 4096, varyingBlocks};

inline int announcedMaximum(int blockSize)
{
    return blockSize == varyingBlocks ? varyingMaximum : blockSize;
}

// A sample rate and a block size. Cases whose outcome the cell can change run on cells sampled
// from the grid so that every rate meets two block sizes and every block size meets a rate.
using Cell = std::tuple<double, int>;
std::vector<Cell> sampledCells();
std::string cellName(const ::testing::TestParamInfo<Cell>& cell);
std::string rateName(double sampleRate);

// Every random choice in the suite derives from this seed, so a failure reproduces exactly.
// CONFORMANCE_SEED in the environment replaces it for exploring further.
std::uint32_t baseSeed();

// A seed of its own for each test and purpose, so tests stay reproducible one by one.
std::int64_t seedFor(const std::string& purpose);

juce::File corpusDirectory();

// The lengths of the blocks a host hands over: always the same, or, for varyingBlocks, random
// from 0 (a host flushing parameters on their own) up to the maximum it announced.
HostedPlugin::BlockLengths blockLengths(int blockSize, juce::Random& random, int announced = varyingMaximum);

// Moves one to three random parameters, the ones named excepted, at every 32nd sample as a
// host's automation does. Call it ahead of each block.
std::function<void(int, int)> automation(PluginParameters& parameters, juce::Random& random,
                                         std::vector<int> excepted = {});

// The mixer's ramp after a change of "dryWet": floor(0.05 s x rate) samples.
int mixRampLength(double sampleRate);

// The gain the two gain stages give together, read from the values the host shows: each
// 10^(dB / 20), and 0 at -100 dB.
double gainOfTheGainStages(HostedPlugin& plugin);

// With the mix all dry, the output is the input times the gains, and nothing for a sample that
// was not a finite number. Returns the first sample from 'from' on where it is not, or "".
std::string firstDepartureFromTheDryMix(const juce::AudioBuffer<float>& input,
                                        const juce::AudioBuffer<float>& output, double gain, int from = 0);
} // namespace conformance
