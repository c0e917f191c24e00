#include "PreparedProcessor.h"

#include <gtest/gtest.h>

namespace
{
constexpr int blockSize = 512;

float peak(const juce::AudioBuffer<float>& buffer)
{
    return buffer.getMagnitude(0, buffer.getNumSamples());
}

// RMS level in dB as the framework measures it.
float levelOf(const juce::AudioBuffer<float>& buffer, int channel)
{
    return juce::Decibels::gainToDecibels(buffer.getRMSLevel(channel, 0, buffer.getNumSamples()));
}

// Sample for sample: the paths compared run the same float operations on the same data.
void expectSameAudio(const juce::AudioBuffer<float>& actual, const juce::AudioBuffer<float>& expected)
{
    ASSERT_EQ(actual.getNumSamples(), expected.getNumSamples());
    EXPECT_EQ(signals::maxDifference(actual, expected), 0.0f);
}
} // namespace

TEST(ProcessorChain, TheUnitSelectedToRunLastShapesTheOutput)
{
    // The reverb runs its distortion last; at drive 99 the first curve holds that within
    // 1/sqrt(99), and the half-band filters overshoot a full-scale step by about a third at most.
    // A low-pass at Q 25 behind it rings far above that.
    const float trim = 1.0f / std::sqrt(99.0f);
    float peaks[2] = {};

    for (int order : {0, 1})
    {
        PreparedProcessor chain;
        chain.set("distortion", 99.0f);
        chain.set("lowPass", 1000.0f);
        chain.set("lowPassQ", 25.0f);
        chain.set("filterOrder", (float) order);

        for (int b = 0; b < 8; ++b)
        {
            auto block = signals::noise(2, blockSize, 100 + b);
            chain.process(block);
            peaks[order] = std::max(peaks[order], peak(block));
        }
    }

    EXPECT_GT(peaks[0], 3.0f * trim) << "reverb, then filter";
    EXPECT_LT(peaks[1], 1.5f * trim) << "filter, then reverb";
}

TEST(ProcessorChain, MixesGainedDryWithTheUnitsOutput)
{
    // out = Gout * ((1 - m) * Gin * x + m * U(Gin * x)) once the mix has stopped ramping; U comes
    // from a second processor at full wet and unity gains fed Gin * x.
    PreparedProcessor chain, reference;
    chain.setColouredUnits();
    reference.setColouredUnits();
    chain.set("inputGain", 6.0f);
    chain.set("outputGain", -4.5f);
    chain.set("dryWet", 0.3f);

    const auto inputGain = juce::Decibels::decibelsToGain(chain.get("inputGain"));
    const auto outputGain = juce::Decibels::decibelsToGain(chain.get("outputGain"));
    const auto m = chain.get("dryWet");
    EXPECT_FLOAT_EQ(m, 0.3f);

    // The first 2400 samples ramp from the mixer's initial full wet.
    for (int b = 0; b < 10; ++b)
    {
        const auto input = signals::noise(2, blockSize, 200 + b);
        auto wet = signals::scaled(input, inputGain);
        reference.process(wet);
        auto output = input;
        chain.process(output);

        if (b < 5)
            continue;

        for (int channel = 0; channel < 2; ++channel)
            for (int i = 0; i < blockSize; ++i)
            {
                const auto dry = input.getSample(channel, i) * inputGain;
                const auto expected = (wet.getSample(channel, i) * m + dry * (1.0f - m)) * outputGain;
                ASSERT_NEAR(output.getSample(channel, i), expected, 1.0e-6f)
                    << "block " << b << " sample " << i;
            }
    }
}

TEST(ProcessorChain, SilencedInputFeedsZerosToTheUnitsAndTheDryPath)
{
    PreparedProcessor chain, reference;

    for (auto* p : {&chain, &reference})
    {
        p->setColouredUnits();
        p->set("dryWet", 0.5f);
    }

    for (int b = 0; b < 4; ++b)
    {
        auto a = signals::noise(2, blockSize, 300 + b);
        auto r = a;
        chain.process(a);
        reference.process(r);
    }

    chain.set("inputGain", -100.0f);

    for (int b = 0; b < 4; ++b)
    {
        auto a = signals::noise(2, blockSize, 400 + b);
        auto r = signals::constant(2, blockSize, 0.0f);
        chain.process(a);
        reference.process(r);

        // Only what the reverb still holds from earlier blocks sounds on.
        expectSameAudio(a, r);
        EXPECT_EQ(chain.processor.inputLevelLeft.load(), -100.0f);
        EXPECT_EQ(chain.processor.inputLevelRight.load(), -100.0f);
    }
}

TEST(ProcessorChain, DryOnlyMixStillRunsTheUnits)
{
    PreparedProcessor chain, reference;

    for (auto* p : {&chain, &reference})
    {
        p->setColouredUnits();
        p->set("lpfEnv", -1500.0f);
        p->set("lpfEnvAttack", 0.05f);
    }

    chain.set("dryWet", 0.0f);
    auto midi = noteOn();
    int block = 0;

    auto runBoth = [&](auto&& check)
    {
        auto input = signals::noise(2, blockSize, 500 + block++);
        auto a = input, r = input;
        auto midiCopy = midi;
        chain.process(a, midi);
        reference.process(r, midiCopy);
        midi.clear();
        check(input, a, r);
    };

    for (int b = 0; b < 8; ++b)
        runBoth(
            [&](const auto& input, const auto& a, const auto&)
            {
                if (b >= 5)
                    expectSameAudio(a, input);
                EXPECT_EQ(chain.processor.currentLowPassCutoff.load(),
                          reference.processor.currentLowPassCutoff.load());
            });

    EXPECT_LT(chain.processor.currentLowPassCutoff.load(), 2500.0f);

    // Back to fully wet: once the ramp is over the units sound exactly as those that were heard
    // all along, so they kept running while only the dry signal was heard.
    chain.set("dryWet", 1.0f);

    for (int b = 0; b < 8; ++b)
        runBoth(
            [&](const auto&, const auto& a, const auto& r)
            {
                if (b >= 5)
                    expectSameAudio(a, r);
            });
}

TEST(ProcessorChain, MixChangeRampsLinearlyOverFiftyMilliseconds)
{
    for (const auto& [rate, rampLength] : {std::pair{48000.0, 2400}, std::pair{44100.0, 2205}})
    {
        PreparedProcessor chain(rate), reference(rate);
        chain.setColouredUnits();
        reference.setColouredUnits();

        for (int b = 0; b < 2; ++b)
        {
            auto a = signals::noise(2, blockSize, 600 + b);
            auto r = a;
            chain.process(a);
            reference.process(r);
        }

        chain.set("dryWet", 0.0f);
        int k = 0;

        for (int b = 0; b < 6; ++b)
        {
            const auto input = signals::noise(2, blockSize, 700 + b);
            auto a = input, wet = input;
            chain.process(a);
            reference.process(wet);

            for (int i = 0; i < blockSize; ++i, ++k)
            {
                const auto wetGain = k < rampLength ? 1.0f - (float) (k + 1) / (float) rampLength : 0.0f;

                for (int channel = 0; channel < 2; ++channel)
                {
                    const auto dry = input.getSample(channel, i);
                    const auto expected = wet.getSample(channel, i) * wetGain + dry * (1.0f - wetGain);

                    // The ramp's running sum drifts by a few float steps; its last step lands
                    // exactly on the dry signal.
                    const auto tolerance = k >= rampLength - 1 ? 0.0f : 1.0e-4f;
                    ASSERT_NEAR(a.getSample(channel, i), expected, tolerance) << rate << " Hz, sample " << k;
                }

                if (k == rampLength - 2)
                {
                    EXPECT_GT(std::abs(a.getSample(0, i) - input.getSample(0, i)), 0.0f);
                }
            }
        }
    }
}

TEST(ProcessorChain, GainChangesActAsStepsFromTheNextBlock)
{
    PreparedProcessor chain, reference;
    chain.setColouredUnits();
    reference.setColouredUnits();

    const std::pair<float, float> gains[] = {{0.0f, 0.0f}, {12.0f, -6.0f}, {-3.0f, 2.5f}, {0.0f, -100.0f}};
    int seed = 800;

    for (const auto& [inDb, outDb] : gains)
    {
        chain.set("inputGain", inDb);
        chain.set("outputGain", outDb);
        const auto inputGain = juce::Decibels::decibelsToGain(chain.get("inputGain"));
        const auto outputGain = juce::Decibels::decibelsToGain(chain.get("outputGain"));

        const auto input = signals::noise(2, blockSize, seed++);
        auto a = input;
        auto wet = signals::scaled(input, inputGain);
        chain.process(a);
        reference.process(wet);

        // Exact from the block's first sample on: no smoothing.
        expectSameAudio(a, signals::scaled(wet, outputGain));
    }
}

TEST(ProcessorMidi, NoteFlagsFollowNoteOnsAndNoteOffsOnAnyChannel)
{
    PreparedProcessor p;
    auto& filter = p.processor.filter;

    // An empty block filters no sample, so the flags the scan raised are still pending after it.
    auto scan = [&](std::initializer_list<juce::MidiMessage> messages)
    {
        filter.noteOnPending = false;
        filter.noteOffPending = false;
        juce::MidiBuffer midi;
        int position = 0;
        for (const auto& message : messages)
            midi.addEvent(message, position++);
        juce::AudioBuffer<float> empty(2, 0);
        p.process(empty, midi);
        return std::pair{filter.noteOnPending, filter.noteOffPending};
    };

    using M = juce::MidiMessage;
    EXPECT_EQ(scan({M::noteOn(10, 64, (juce::uint8) 1)}), std::pair(true, false));
    EXPECT_EQ(scan({M::noteOn(1, 64, (juce::uint8) 127)}), std::pair(true, false));
    EXPECT_EQ(scan({M::noteOn(3, 64, (juce::uint8) 0)}), std::pair(false, true));
    EXPECT_EQ(scan({M::noteOff(16, 64, (juce::uint8) 90)}), std::pair(false, true));
    EXPECT_EQ(scan({M::noteOff(1, 64), M::noteOn(2, 30, (juce::uint8) 5)}), std::pair(true, true));
    EXPECT_EQ(scan({M::controllerEvent(1, 7, 100), M::pitchWheel(1, 9000), M::aftertouchChange(1, 60, 50),
                    M::channelPressureChange(1, 40), M::programChange(1, 3), M::midiClock(),
                    M::createSysExMessage("\x90\x40\x40", 3)}),
              std::pair(false, false));
}

TEST(ProcessorMidi, LeavesTheMidiBufferAsItWas)
{
    PreparedProcessor p;
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), 3);
    midi.addEvent(juce::MidiMessage::controllerEvent(2, 1, 64), 100);
    midi.addEvent(juce::MidiMessage::noteOff(1, 60), 400);
    const auto before = midi;

    auto buffer = signals::noise(2, blockSize, 900);
    p.process(buffer, midi);

    ASSERT_EQ(midi.getNumEvents(), before.getNumEvents());
    for (auto a = midi.begin(), b = before.begin(); a != midi.end(); ++a, ++b)
    {
        EXPECT_EQ((*a).samplePosition, (*b).samplePosition);
        EXPECT_EQ((*a).getMessage().getDescription(), (*b).getMessage().getDescription());
    }
}

TEST(ProcessorMidi, NoteSweepsTheLowPassAudibly)
{
    PreparedProcessor p;
    p.set("lpfEnv", -19000.0f);
    p.set("lpfEnvRelease", 0.0f);
    p.set("lowPassQ", 1.0f);

    // A 6 kHz tone at full wet: the reverb passes it, the swept low-pass at 1 kHz takes it away.
    auto levelOfBlock = [&, start = 0](juce::MidiBuffer midi) mutable
    {
        auto buffer = signals::sine(2, blockSize, 6000.0, 48000.0, 0.1f, start);
        start += blockSize;
        p.process(buffer, midi);
        return levelOf(buffer, 0);
    };

    float before = 0.0f;
    for (int b = 0; b < 12; ++b)
        before = levelOfBlock({});
    EXPECT_FLOAT_EQ(p.processor.currentLowPassCutoff.load(), 20000.0f);

    levelOfBlock(noteOn());
    EXPECT_FLOAT_EQ(p.processor.currentLowPassCutoff.load(), 1000.0f);

    float during = 0.0f;
    for (int b = 0; b < 12; ++b)
        during = levelOfBlock({});
    EXPECT_LT(during, before - 20.0f);

    levelOfBlock(noteOff());
    EXPECT_FLOAT_EQ(p.processor.currentLowPassCutoff.load(), 20000.0f);
}

TEST(ProcessorInputGuard, SamplesThatAreNotAudioAreMeteredThenSilenced)
{
    PreparedProcessor chain, reference;

    for (auto* p : {&chain, &reference})
    {
        p->setColouredUnits();
        p->set("dryWet", 0.6f);
    }

    auto input = signals::noise(2, blockSize, 1000);
    input.setSample(0, 10, std::numeric_limits<float>::quiet_NaN());
    input.setSample(1, 20, std::numeric_limits<float>::infinity());
    input.setSample(1, 30, -std::numeric_limits<float>::infinity());
    input.setSample(0, 40, -3.0e38f);
    auto cleaned = input;
    cleaned.setSample(0, 10, 0.0f);
    cleaned.setSample(1, 20, 0.0f);
    cleaned.setSample(1, 30, 0.0f);
    cleaned.setSample(0, 40, 0.0f);

    chain.process(input);
    reference.process(cleaned);

    EXPECT_EQ(chain.processor.inputLevelLeft.load(), -100.0f);
    EXPECT_FALSE(chain.processor.inputClipLeft.load());
    EXPECT_TRUE(std::isinf(chain.processor.inputLevelRight.load()) &&
                chain.processor.inputLevelRight.load() > 0.0f);
    EXPECT_TRUE(chain.processor.inputClipRight.load());

    EXPECT_TRUE(signals::allFinite(input));
    expectSameAudio(input, cleaned);
    EXPECT_GT(chain.processor.outputLevelLeft.load(), -100.0f);
    EXPECT_TRUE(std::isfinite(chain.processor.outputLevelRight.load()));

    for (int b = 0; b < 20; ++b)
    {
        auto a = signals::noise(2, blockSize, 1100 + b);
        auto r = a;
        chain.process(a);
        reference.process(r);
        ASSERT_TRUE(signals::allFinite(a));
        expectSameAudio(a, r);
    }
}

TEST(ProcessorInputGuard, BlocksLongerThanPreparedAreProcessedInPreparedPieces)
{
    constexpr int prepared = 256;
    PreparedProcessor chain(48000.0, prepared), reference(48000.0, prepared);

    for (auto* p : {&chain, &reference})
    {
        p->setColouredUnits();
        p->set("dryWet", 0.4f);
        p->set("inputGain", 3.0f);
        p->set("lpfEnv", -1000.0f);
        p->set("lpfEnvAttack", 0.02f);
    }

    for (int round = 0; round < 3; ++round)
    {
        const int length = 3 * prepared + 17 + round * 1000;
        auto input = signals::noise(2, length, 1200 + round);
        auto expected = input;
        auto midi = noteOn();
        chain.process(input, midi);

        for (int start = 0; start < length; start += prepared)
        {
            const int piece = std::min(prepared, length - start);
            juce::AudioBuffer<float> view(expected.getArrayOfWritePointers(), 2, start, piece);
            auto pieceMidi = start == 0 ? noteOn() : juce::MidiBuffer{};
            reference.process(view, pieceMidi);
        }

        expectSameAudio(input, expected);

        // The meters still describe the host's whole block.
        EXPECT_FLOAT_EQ(chain.processor.outputLevelLeft.load(), levelOf(input, 0));
        EXPECT_FLOAT_EQ(chain.processor.outputLevelRight.load(), levelOf(input, 1));
    }
}

TEST(ProcessorInputGuard, HostAnnouncingNoBlockSizeIsStillProcessed)
{
    PreparedProcessor p(44100.0, 0);
    auto buffer = signals::noise(2, 300, 1300);
    p.process(buffer);
    EXPECT_TRUE(signals::allFinite(buffer));
    EXPECT_GT(p.processor.outputLevelLeft.load(), -100.0f);
}
