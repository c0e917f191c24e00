#include "Conformance.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace conformance
{
namespace
{
constexpr std::uint32_t defaultSeed = 20240611u;
constexpr int automationInterval = 32;

std::uint32_t readSeed()
{
    const auto* text = std::getenv("CONFORMANCE_SEED");
    const auto seed = text != nullptr ? (std::uint32_t) std::strtoul(text, nullptr, 0) : defaultSeed;
    std::printf("conformance seed: %u (set CONFORMANCE_SEED to change it)\n", seed);
    return seed;
}

std::string blockName(int blockSize)
{
    return blockSize == varyingBlocks ? std::string("VaryingUpTo") + std::to_string(varyingMaximum)
                                      : "Block" + std::to_string(blockSize);
}

double gainOf(HostedPlugin& plugin, const char* id)
{
    const auto decibels = plugin.parameter(id)->getCurrentValueAsText().getDoubleValue();
    return decibels > -100.0 ? std::pow(10.0, decibels / 20.0) : 0.0;
}
} // namespace

std::vector<Cell> sampledCells()
{
    // Rate i meets block sizes i and i + 3 (of seven, wrapping): the seventh, random lengths,
    // comes up twice and the single-sample blocks, the slowest cells, meet the lower rates.
    std::vector<Cell> cells;

    for (size_t rate = 0; rate < sampleRates.size(); ++rate)
        for (const auto offset : {0u, 3u})
            cells.emplace_back(sampleRates[rate], blockSizes[(rate + offset) % blockSizes.size()]);

    return cells;
}

std::string cellName(const ::testing::TestParamInfo<Cell>& cell)
{
    return rateName(std::get<0>(cell.param)) + "_" + blockName(std::get<1>(cell.param));
}

std::string rateName(double sampleRate)
{
    return std::to_string((int) sampleRate) + "Hz";
}

std::uint32_t baseSeed()
{
    static const auto seed = readSeed();
    return seed;
}

std::int64_t seedFor(const std::string& purpose)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto name = std::string(info != nullptr ? info->test_suite_name() : "") + "." +
                      (info != nullptr ? info->name() : "") + "/" + purpose;
    return (std::int64_t) juce::DefaultHashFunctions::generateHash(juce::String(name), 0x7FFFFFFF) ^
           ((std::int64_t) baseSeed() << 20);
}

juce::File corpusDirectory()
{
    return juce::File(SORVANDEL_FUZZ_CORPUS_DIR);
}

HostedPlugin::BlockLengths blockLengths(int blockSize, juce::Random& random, int announced)
{
    if (blockSize != varyingBlocks)
        return [blockSize](int remaining) { return juce::jmin(blockSize, remaining); };

    return [&random, announced](int remaining)
    {
        // Now and then an empty block, as hosts send to deliver parameter changes on their own.
        if (random.nextInt(20) == 0)
            return 0;

        return juce::jmin(remaining, 1 + random.nextInt(announced));
    };
}

std::function<void(int, int)> automation(PluginParameters& parameters, juce::Random& random,
                                         std::vector<int> excepted)
{
    // The framework's host hands the plug-in one value per parameter and block, so within a
    // block longer than 32 samples the last change of each parameter is the one that lands, as
    // with a host that thins its automation to block rate.
    return [&parameters, &random, excepted, nextPoint = 0](int start, int length) mutable
    {
        for (; nextPoint < start + length; nextPoint += automationInterval)
            for (int n = 1 + random.nextInt(3); n > 0; --n)
            {
                const auto index = random.nextInt(PluginParameters::count);

                if (std::find(excepted.begin(), excepted.end(), index) == excepted.end())
                    parameters.set(index, PluginParameters::randomValue(random));
            }
    };
}

int mixRampLength(double sampleRate)
{
    return (int) std::floor(0.05 * sampleRate);
}

double gainOfTheGainStages(HostedPlugin& plugin)
{
    return gainOf(plugin, "inputGain") * gainOf(plugin, "outputGain");
}

std::string firstDepartureFromTheDryMix(const juce::AudioBuffer<float>& input,
                                        const juce::AudioBuffer<float>& output, double gain, int from)
{
    for (int channel = 0; channel < input.getNumChannels(); ++channel)
        for (int i = from; i < input.getNumSamples(); ++i)
        {
            const auto x = input.getSample(channel, i);
            const auto expected = std::isfinite(x) ? gain * x : 0.0;
            const auto actual = (double) output.getSample(channel, i);

            // Two single-precision products: a few units in the last place.
            if (!(std::abs(actual - expected) <= 1.0e-5 * std::abs(expected)))
                return "channel " + std::to_string(channel) + ", sample " + std::to_string(i) + ": " +
                       std::to_string(actual) + " for the input " + std::to_string(x) + " times " +
                       std::to_string(gain);
        }

    return {};
}
} // namespace conformance
