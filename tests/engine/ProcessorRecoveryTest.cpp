#include "AllocationCounter.h"
#include "PreparedProcessor.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace
{
constexpr int blockSize = 512;

struct Setting
{
    const char* name;
    double sampleRate;
    std::vector<std::pair<const char*, float>> values;
};

void PrintTo(const Setting& setting, std::ostream* os)
{
    *os << setting.name << " at " << setting.sampleRate << " Hz";
}

// What goes wrong once: a block of samples far beyond any audio a faulty upstream plug-in can
// send, or a unit whose state has turned non-finite by other means.
struct Mishap
{
    std::string name;
    std::function<void(PreparedProcessor&)> happen;
};

void processBurst(PreparedProcessor& p, float magnitude)
{
    juce::Random random(3);
    juce::AudioBuffer<float> burst(2, blockSize);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < blockSize; ++i)
            burst.setSample(channel, i, random.nextBool() ? magnitude : -magnitude);

    p.process(burst);
    ASSERT_TRUE(signals::allFinite(burst)) << signals::firstBadSample(burst);
}

juce::AudioBuffer<float> nanBlock()
{
    return signals::constant(2, blockSize, std::numeric_limits<float>::quiet_NaN());
}

std::vector<Mishap> mishaps()
{
    std::vector<Mishap> list;

    for (const float magnitude :
         {1.0e6f, 1.0e20f, 1.0e30f, 3.0e38f, std::numeric_limits<float>::max(),
          std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN()})
        list.push_back({"burst of " + std::to_string(magnitude),
                        [magnitude](PreparedProcessor& p) { processBurst(p, magnitude); }});

    list.push_back({"NaN in the reverb's lines", [](PreparedProcessor& p)
                    {
                        auto poison = nanBlock();
                        p.processor.reverb.process(poison, p.processor.delayValue, p.processor.feedbackValue);
                    }});
    list.push_back({"NaN in the filters", [](PreparedProcessor& p)
                    {
                        auto poison = nanBlock();
                        juce::dsp::AudioBlock<float> block(poison);
                        p.processor.filter.process(juce::dsp::ProcessContextReplacing<float>(block));
                    }});
    return list;
}

void apply(PreparedProcessor& p, const Setting& setting)
{
    for (const auto& [id, value] : setting.values)
        p.set(id, value);
}

// Plays the signal block by block, stopping at the first block that comes out non-finite.
void play(PreparedProcessor& p, juce::AudioBuffer<float>& signal)
{
    for (int start = 0; start < signal.getNumSamples(); start += blockSize)
    {
        juce::AudioBuffer<float> block(signal.getArrayOfWritePointers(), 2, start, blockSize);
        p.process(block);
        ASSERT_TRUE(signals::allFinite(block))
            << "at sample " << start << ": " << signals::firstBadSample(block);
    }
}

int blocksIn(double seconds, double sampleRate)
{
    return (int) (seconds * sampleRate) / blockSize * blockSize;
}

class ProcessorRecovery : public testing::TestWithParam<Setting>
{
};
} // namespace

// Whatever arrives once, the output stays finite, and once ordinary audio follows, it becomes
// what a new instance makes of that audio: nothing is left in the units but the reverb's own
// tail, which dies away within five seconds.
TEST_P(ProcessorRecovery, AfterAnythingTheOutputStaysFiniteAndComesBack)
{
    const auto& setting = GetParam();
    const auto rate = setting.sampleRate;
    const auto before = signals::noise(2, blocksIn(0.25, rate), 1);
    const auto after = signals::noise(2, blocksIn(5.0, rate), 2);
    const auto compared = blocksIn(0.25, rate);

    PreparedProcessor fresh(rate, blockSize);
    apply(fresh, setting);
    auto expected = after;
    play(fresh, expected);

    for (const auto& mishap : mishaps())
    {
        SCOPED_TRACE(mishap.name);
        PreparedProcessor p(rate, blockSize);
        apply(p, setting);
        auto lead = before, tail = after;
        play(p, lead);
        mishap.happen(p);
        play(p, tail);

        const auto offset = tail.getNumSamples() - compared;
        const juce::AudioBuffer<float> end(tail.getArrayOfWritePointers(), 2, offset, compared);
        const juce::AudioBuffer<float> expectedEnd(expected.getArrayOfWritePointers(), 2, offset, compared);
        EXPECT_LT(signals::maxDifference(end, expectedEnd), 1.0e-4f);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, ProcessorRecovery,
    testing::Values(
        Setting{"defaults", 48000.0, {}},
        Setting{"resonantLowPass", 44100.0, {{"lowPass", 1000.0f}, {"lowPassQ", 25.0f}}},
        Setting{"filterFirst", 96000.0, {{"filterOrder", 1.0f}, {"highPass", 5000.0f}, {"highPassQ", 10.0f}}},
        Setting{"distortionFirst", 48000.0, {{"signalOrder", 1.0f}, {"distortion", 20.0f}}},
        Setting{"longSpreadHalfWet", 48000.0, {{"delay", 700.0f}, {"feedback", 0.5f}, {"dryWet", 0.5f}}},
        Setting{"loudestClipAtTopRate",
                192000.0,
                {{"inputGain", 24.0f},
                 {"outputGain", 24.0f},
                 {"distType", 2.0f},
                 {"distortion", 99.0f},
                 {"lowPass", 300.0f},
                 {"lowPassQ", 25.0f},
                 {"highPass", 250.0f},
                 {"highPassQ", 25.0f}}}),
    [](const testing::TestParamInfo<Setting>& row) { return std::string(row.param.name); });

// The block that finds a unit's state non-finite clears the units and plays silence, with no
// allocation on the audio thread.
TEST(ProcessorRecoveryRealtime, ClearingTheUnitsNeitherAllocatesNorPassesNonFiniteSamples)
{
    PreparedProcessor p;
    p.set("delay", 300.0f);
    auto poison = nanBlock();
    p.processor.reverb.process(poison, p.processor.delayValue, p.processor.feedbackValue);
    auto block = signals::noise(2, blockSize, 4);
    const auto silence = signals::constant(2, blockSize, 0.0f);

    allocation::Scope allocations;
    p.process(block);

    EXPECT_EQ(allocations.count(), 0u);
    EXPECT_TRUE(signals::identical(block, silence)) << signals::firstBadSample(block);
}
