#include "SVerb.h"
#include "AllocationCounter.h"
#include "ParameterHost.h"
#include "Signals.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

namespace
{
constexpr double rate = 48000.0;
constexpr int blockSize = 512;
constexpr int withoutDistortion = 2;

// The parameters the reverb and its distortion read, with a "signalOrder" that also admits a
// value that runs no distortion, so the network can be measured bare.
juce::AudioProcessorValueTreeState::ParameterLayout reverbLayout()
{
    juce::AudioProcessorValueTreeState::ParameterLayout layout;
    auto addInt = [&layout](const char* id, int minimum, int maximum, int defaultValue)
    {
        layout.add(std::make_unique<juce::AudioParameterInt>(juce::ParameterID{id, 1}, id, minimum, maximum,
                                                             defaultValue));
    };
    addInt("delay", 0, 2500, 0);
    layout.add(std::make_unique<juce::AudioParameterFloat>(juce::ParameterID{"feedback", 1}, "feedback", 0.0f,
                                                           1.0f, 0.0f));
    addInt("distortion", 1, 99, 1);
    addInt("distType", 1, 3, 1);
    addInt("signalOrder", 0, withoutDistortion, 0);
    return layout;
}

// The network in double precision as a difference equation: three recursive sections with gain
// 0.7, then four taps, each line read with linear interpolation between its two neighbours. The
// lengths may switch to a second set at one sample.
class ReferenceNetwork
{
public:
    using Lengths = std::array<double, 7>;

    explicit ReferenceNetwork(Lengths lengthsToUse, Lengths laterLengths = {}, size_t switchAt = SIZE_MAX)
        : lengths(lengthsToUse)
        , later(laterLengths)
        , switchSample(switchAt)
    {
    }

    std::vector<double> run(const std::vector<double>& input) const
    {
        std::array<std::vector<double>, 7> pushed;
        std::vector<double> output;

        for (size_t t = 0; t < input.size(); ++t)
        {
            const auto& now = t < switchSample ? lengths : later;
            double s = input[t];
            for (size_t line = 0; line < 3; ++line)
            {
                const double d = read(pushed[line], now[line]);
                pushed[line].push_back(s - 0.7 * d);
                s = 0.7 * s + d;
            }

            double taps = 0.0;
            for (size_t line = 3; line < 7; ++line)
            {
                taps += 0.7 * read(pushed[line], now[line]) + s;
                pushed[line].push_back(s);
            }
            output.push_back(0.25 * taps);
        }
        return output;
    }

private:
    static double read(const std::vector<double>& history, double length)
    {
        const auto whole = static_cast<size_t>(std::floor(length));
        const double fraction = length - std::floor(length);
        auto at = [&history](size_t samplesAgo) {
            return samplesAgo <= history.size() && samplesAgo > 0 ? history[history.size() - samplesAgo]
                                                                  : 0.0;
        };
        const double a = at(whole);
        return a + fraction * (at(whole + 1) - a);
    }

    Lengths lengths, later;
    size_t switchSample;
};

// The bare lengths, which "delay" 0 leaves whatever "feedback" is.
constexpr ReferenceNetwork::Lengths baseLengths{347, 113, 37, 1687, 1601, 2053, 2251};

juce::AudioBuffer<float> impulse(int numChannels, int numSamples)
{
    juce::AudioBuffer<float> buffer(numChannels, numSamples);
    buffer.clear();
    for (int channel = 0; channel < numChannels; ++channel)
        buffer.setSample(channel, 0, 1.0f);
    return buffer;
}

class SVerbTest : public ::testing::Test
{
protected:
    SVerbTest()
    {
        host.set("signalOrder", withoutDistortion);
        reverb.prepare(makeSpec(rate, 8192));
    }

    // Runs the buffer in blocks of at most blockLength samples.
    void process(juce::AudioBuffer<float>& buffer, int blockLength = blockSize)
    {
        for (int start = 0; start < buffer.getNumSamples(); start += blockLength)
        {
            const int length = juce::jmin(blockLength, buffer.getNumSamples() - start);
            juce::AudioBuffer<float> view(buffer.getArrayOfWritePointers(), buffer.getNumChannels(), start,
                                          length);
            reverb.process(view, delay, feedback);
        }
    }

    ParameterHost host{reverbLayout()};
    SVerb reverb{host.state};
    std::atomic<float>* delay = host.state.getRawParameterValue("delay");
    std::atomic<float>* feedback = host.state.getRawParameterValue("feedback");
};
} // namespace

TEST_F(SVerbTest, LineLengthsFollowDelayAndSpread)
{
    struct Case
    {
        float delay, spread;
        std::array<float, 7> lengths;
    };
    const Case cases[] = {
        {0.0f, 0.0f, {347, 113, 37, 1687, 1601, 2053, 2251}},
        {0.0f, 1.0f, {347, 113, 37, 1687, 1601, 2053, 2251}},
        {0.0f, 0.37f, {347, 113, 37, 1687, 1601, 2053, 2251}},
        {2500.0f, 1.0f, {2847, 5113, 15037, 21687, 26601, 37053, 42251}},
        {2500.0f, 0.0f, {2847, 2613, 7537, 9187, 9101, 9553, 9751}},
    };

    for (const auto& c : cases)
    {
        host.set("delay", c.delay);
        host.set("feedback", c.spread);
        juce::AudioBuffer<float> buffer(2, 1);
        buffer.clear();
        reverb.process(buffer, delay, feedback);

        const auto lengths = reverb.getDelayLengths();
        for (size_t line = 0; line < 7; ++line)
            EXPECT_EQ(lengths[line], c.lengths[line])
                << "delay " << c.delay << " spread " << c.spread << " line " << line;
    }
}

TEST_F(SVerbTest, ImpulseResponseOfTheBareNetwork)
{
    auto buffer = impulse(2, 4096);
    process(buffer);

    const auto* out = buffer.getReadPointer(0);
    EXPECT_NEAR(out[0], 0.343f, 1.0e-6f);
    EXPECT_NEAR(out[37], 0.49f, 1.0e-6f);
    EXPECT_NEAR(out[74], -0.343f, 1.0e-6f);
    EXPECT_NEAR(out[111], 0.2401f, 1.0e-6f);
    EXPECT_NEAR(out[113], 0.49f, 1.0e-6f);
    EXPECT_NEAR(out[150], 0.7f, 1.0e-6f);

    // Up to the shortest tap the output is the third section's alone; the taps add 0.175 times
    // its first value, 0.7^3, at sample 1601.
    std::vector<double> unit(4096, 0.0);
    unit[0] = 1.0;
    const auto sections = ReferenceNetwork({347, 113, 37, 1e9, 1e9, 1e9, 1e9}).run(unit);
    for (int i = 0; i < 1601; ++i)
        ASSERT_NEAR(out[i], sections[(size_t) i], 1.0e-6) << "sample " << i;
    EXPECT_NEAR(out[1601] - sections[1601], 0.175 * 0.343, 1.0e-6);

    const auto whole = ReferenceNetwork(baseLengths).run(unit);
    for (int i = 0; i < 4096; ++i)
    {
        ASSERT_NEAR(out[i], whole[(size_t) i], 1.0e-5) << "sample " << i;
        ASSERT_EQ(buffer.getSample(1, i), out[i]) << "the channels differ at sample " << i;
    }
}

TEST_F(SVerbTest, FractionalLengthsInterpolateLinearly)
{
    // "delay" 1 and "feedback" 0.25 stretch the lines after the first by 1.25, 3.75, 4.25, 4.75,
    // 5.75 and 6.25 samples: quarter fractions, all exact in single precision.
    host.set("delay", 1.0f);
    host.set("feedback", 0.25f);
    const ReferenceNetwork::Lengths lengths{348, 114.25, 40.75, 1691.25, 1605.75, 2058.75, 2257.25};

    auto buffer = impulse(1, 6000);
    process(buffer);

    std::vector<double> unit(6000, 0.0);
    unit[0] = 1.0;
    const auto expected = ReferenceNetwork(lengths).run(unit);
    for (int i = 0; i < 6000; ++i)
        ASSERT_NEAR(buffer.getSample(0, i), expected[(size_t) i], 1.0e-5) << "sample " << i;
}

TEST_F(SVerbTest, ALengthChangeActsAtTheNextSample)
{
    // One-sample blocks: the change lands between two samples, as automation inside a block would.
    const auto input = signals::noise(1, 3000, 7, 1.0f);
    auto buffer = input;
    for (int i = 0; i < buffer.getNumSamples(); ++i)
    {
        if (i == 1000)
            host.set("delay", 40.0f);
        juce::AudioBuffer<float> one(buffer.getArrayOfWritePointers(), 1, i, 1);
        reverb.process(one, delay, feedback);
    }

    std::vector<double> x(3000);
    for (int i = 0; i < 3000; ++i)
        x[(size_t) i] = input.getSample(0, i);
    // "delay" 40 with no spread adds 40 to the first two lines and 3 x 40 to the later ones.
    const ReferenceNetwork::Lengths longer{387, 153, 157, 1807, 1721, 2173, 2371};
    const auto atOnce = ReferenceNetwork(baseLengths, longer, 1000).run(x);
    const auto oneLate = ReferenceNetwork(baseLengths, longer, 1001).run(x);

    double lateDifference = 0.0;
    for (size_t i = 0; i < 3000; ++i)
    {
        ASSERT_NEAR(buffer.getSample(0, (int) i), atOnce[i], 1.0e-5) << "sample " << i;
        lateDifference = std::max(lateDifference, std::abs(atOnce[i] - oneLate[i]));
    }
    EXPECT_GT(lateDifference, 0.01) << "the test signal cannot tell the switch sample";
}

TEST_F(SVerbTest, SignalOrderPlacesTheDistortion)
{
    // A long full-scale step settles on the hand-computed DC gains. Each section passes
    // (0.7 + 1.49) / (1 + 0.7) and the taps add 0.7 times the third section's output again, so
    // the network's gain is 1.7 x (2.19 / 1.7)^3 = 3.6344. At drive 99 the first curve turns
    // anything that large into 1, trimmed by 1/sqrt(99).
    host.set("distortion", 99.0f);
    host.set("distType", 1.0f);
    const double networkGain = 1.7 * std::pow(2.19 / 1.7, 3.0);
    const double trim = 1.0 / std::sqrt(99.0);

    for (const auto& [order, settled] : {std::pair{0, trim}, std::pair{1, networkGain * trim}})
    {
        host.set("signalOrder", (float) order);
        SVerb unit(host.state);
        unit.prepare(makeSpec(rate, blockSize));
        auto step = signals::constant(2, 16384, 1.0f);
        for (int start = 0; start < 16384; start += blockSize)
        {
            juce::AudioBuffer<float> block(step.getArrayOfWritePointers(), 2, start, blockSize);
            unit.process(block, delay, feedback);
        }

        for (int channel = 0; channel < 2; ++channel)
            EXPECT_NEAR(step.getSample(channel, 16383), settled, 1.0e-3 * settled)
                << "order " << order << " channel " << channel;
    }
}

TEST_F(SVerbTest, MonoBuffersUseOnlyTheFirstChannelOfEveryLine)
{
    host.set("signalOrder", 0.0f);
    host.set("distortion", 5.0f);
    host.set("delay", 300.0f);
    host.set("feedback", 0.5f);

    const auto stereoInput = signals::noise(2, 2048, 11, 1.0f);
    auto stereo = stereoInput;
    SVerb stereoUnit(host.state);
    stereoUnit.prepare(makeSpec(rate, 8192));
    stereoUnit.process(stereo, delay, feedback);

    SVerb monoUnit(host.state);
    monoUnit.prepare(makeSpec(rate, 8192));
    juce::AudioBuffer<float> mono(1, 2048);
    mono.copyFrom(0, 0, stereoInput, 0, 0, 2048);
    monoUnit.process(mono, delay, feedback);

    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ(mono.getSample(0, i), stereo.getSample(0, i)) << "sample " << i;

    // Silence in stereo afterwards: the left tail rings on, the right lines were never written.
    juce::AudioBuffer<float> silence(2, 8192);
    silence.clear();
    monoUnit.process(silence, delay, feedback);
    EXPECT_GT(silence.getMagnitude(0, 0, 8192), 0.01f);
    EXPECT_EQ(silence.getMagnitude(1, 0, 8192), 0.0f);
}

TEST_F(SVerbTest, AnEmptyBufferChangesNothing)
{
    auto input = signals::noise(2, 1024, 5, 1.0f);
    auto reference = input;
    SVerb untouched(host.state);
    untouched.prepare(makeSpec(rate, 8192));
    untouched.process(reference, delay, feedback);

    juce::AudioBuffer<float> empty(2, 0);
    reverb.process(empty, delay, feedback);
    auto buffer = input;
    reverb.process(buffer, delay, feedback);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < 1024; ++i)
            ASSERT_EQ(buffer.getSample(channel, i), reference.getSample(channel, i));
}

TEST(SVerb, ProcessBeforePrepareLeavesTheBufferAlone)
{
    ParameterHost host;
    SVerb reverb(host.state);
    auto buffer = signals::noise(2, 64, 1, 1.0f);
    const auto input = buffer;
    reverb.process(buffer, host.state.getRawParameterValue("delay"),
                   host.state.getRawParameterValue("feedback"));
    for (int i = 0; i < 64; ++i)
        ASSERT_EQ(buffer.getSample(0, i), input.getSample(0, i));
}

TEST(SVerb, ProcessAllocatesNothing)
{
    ParameterHost host;
    SVerb reverb(host.state);
    reverb.prepare(makeSpec(rate, blockSize));
    host.set("delay", 2500.0f);
    host.set("feedback", 0.37f);
    auto buffer = signals::noise(2, blockSize, 9, 1.0f);

    for (const int order : {0, 1})
        for (const int type : {1, 2, 3})
        {
            host.set("signalOrder", (float) order);
            host.set("distType", (float) type);
            allocation::Scope scope;
            reverb.process(buffer, host.state.getRawParameterValue("delay"),
                           host.state.getRawParameterValue("feedback"));
            EXPECT_EQ(scope.count(), 0u) << "order " << order << " type " << type;
        }
}
