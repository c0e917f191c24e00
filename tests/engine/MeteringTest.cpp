#include "LevelMeter.h"
#include "PreparedProcessor.h"

#include <gtest/gtest.h>

namespace
{
struct Published
{
    std::atomic<float> levelLeft{0.0f}, levelRight{0.0f};
    std::atomic<bool> clipLeft{false}, clipRight{false};
    LevelMeter meter{levelLeft, levelRight, clipLeft, clipRight};
};

juce::AudioBuffer<float> withSample(juce::AudioBuffer<float> buffer, int index, float value)
{
    for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
        buffer.setSample(channel, index, value);
    return buffer;
}
} // namespace

TEST(LevelMeter, LevelsInDecibels)
{
    EXPECT_EQ(LevelMeter::levelInDecibels(signals::constant(2, 256, 0.0f), 0), -100.0f);
    EXPECT_NEAR(LevelMeter::levelInDecibels(signals::constant(2, 256, 0.5f), 0), -6.0206f, 1.0e-4f);
    EXPECT_EQ(LevelMeter::levelInDecibels(signals::constant(2, 256, 1.0f), 1), 0.0f);
    EXPECT_EQ(LevelMeter::levelInDecibels(signals::constant(2, 256, 1.0e-6f), 0), -100.0f);
    EXPECT_NEAR(LevelMeter::levelInDecibels(signals::constant(2, 256, -0.25f), 0), -12.0412f, 1.0e-4f);

    // 480 samples hold ten whole cycles of 1 kHz at 48 kHz.
    EXPECT_NEAR(LevelMeter::levelInDecibels(signals::sine(2, 480, 1000.0, 48000.0, 1.0f), 0), -3.0103f,
                1.0e-4f);

    auto withNaN = withSample(signals::constant(1, 64, 0.5f), 7, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(LevelMeter::levelInDecibels(withNaN, 0), -100.0f);

    EXPECT_EQ(LevelMeter::toDecibels(-1.0f), -100.0f);
    EXPECT_EQ(LevelMeter::toDecibels(0.0f), -100.0f);
    EXPECT_NEAR(LevelMeter::toDecibels(2.0f), 6.0206f, 1.0e-4f);
}

TEST(LevelMeter, ClipsOnlyAbovePositiveFullScale)
{
    const auto quiet = signals::constant(1, 64, 0.2f);
    EXPECT_FALSE(LevelMeter::clips(quiet, 0));
    EXPECT_FALSE(LevelMeter::clips(signals::constant(1, 64, 1.0f), 0));
    EXPECT_FALSE(LevelMeter::clips(signals::sine(1, 480, 1000.0, 48000.0, 1.0f), 0));
    EXPECT_TRUE(LevelMeter::clips(withSample(quiet, 0, 1.0001f), 0));
    EXPECT_TRUE(LevelMeter::clips(withSample(quiet, 63, 1.0001f), 0));
    EXPECT_FALSE(LevelMeter::clips(withSample(quiet, 30, -1.5f), 0));
    EXPECT_FALSE(LevelMeter::clips(withSample(quiet, 30, std::numeric_limits<float>::quiet_NaN()), 0));
    EXPECT_TRUE(LevelMeter::clips(withSample(quiet, 30, std::numeric_limits<float>::infinity()), 0));
}

TEST(LevelMeter, MissingChannelReadsSilenceEvenInAnEmptyBlock)
{
    Published p;
    p.meter.measure(signals::constant(1, 64, 1.5f));
    EXPECT_TRUE(p.clipLeft);
    EXPECT_FALSE(p.clipRight);
    EXPECT_NEAR(p.levelLeft, 3.5218f, 1.0e-4f);
    EXPECT_EQ(p.levelRight, -100.0f);

    // An empty block keeps the flag of the channel it has and clears the one it lacks.
    p.clipRight = true;
    p.meter.measure(juce::AudioBuffer<float>(1, 0));
    EXPECT_TRUE(p.clipLeft);
    EXPECT_FALSE(p.clipRight);
}

TEST(ProcessorMeters, StartSilentWithTheDefaultCutoffs)
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor p;
    EXPECT_EQ(p.currentLowPassCutoff.load(), 20000.0f);
    EXPECT_EQ(p.currentHighPassCutoff.load(), 20.0f);

    for (auto* level : {&p.inputLevelLeft, &p.inputLevelRight, &p.outputLevelLeft, &p.outputLevelRight})
        EXPECT_EQ(level->load(), -100.0f);

    for (auto* clip : {&p.inputClipLeft, &p.inputClipRight, &p.outputClipLeft, &p.outputClipRight})
        EXPECT_FALSE(clip->load());
}

TEST(ProcessorMeters, PreparingPublishesTheCutoffsTheParametersHold)
{
    juce::ScopedJuceInitialiser_GUI gui;
    SorvandelAudioProcessor p;
    for (const auto& [id, hertz] : {std::pair{"lowPass", 8000.0f}, std::pair{"highPass", 300.0f}})
    {
        auto* parameter = p.valueTreeState.getParameter(id);
        parameter->setValueNotifyingHost(parameter->convertTo0to1(hertz));
    }

    p.prepareToPlay(48000.0, 512);
    EXPECT_EQ(p.currentLowPassCutoff.load(), 8000.0f);
    EXPECT_EQ(p.currentHighPassCutoff.load(), 300.0f);
}

TEST(ProcessorMeters, InputGainOf24DbClipsATenthFullScaleSine)
{
    PreparedProcessor p;
    p.set("inputGain", 24.0f);
    p.set("outputGain", -30.0f);

    auto buffer = signals::sine(2, 480, 1000.0, 48000.0, 0.1f);
    p.process(buffer);

    // Peaks of 0.1 * 10^1.2, about 1.585: an RMS of 1.1208, +0.9897 dB.
    EXPECT_TRUE(p.processor.inputClipLeft && p.processor.inputClipRight);
    EXPECT_NEAR(p.processor.inputLevelLeft, 0.9897f, 1.0e-3f);
    EXPECT_FALSE(p.processor.outputClipLeft || p.processor.outputClipRight);
    EXPECT_LT(p.processor.outputLevelLeft, -20.0f);
}

TEST(ProcessorMeters, EmptyBlockSilencesLevelsAndKeepsFlagsAndCutoffs)
{
    PreparedProcessor p;
    p.set("lpfEnv", -5000.0f);
    p.set("lpfEnvAttack", 0.5f);
    p.set("outputGain", 12.0f);

    auto loud = signals::constant(2, 256, 1.2f);
    auto midi = noteOn();
    p.process(loud, midi);
    const auto cutoff = p.processor.currentLowPassCutoff.load();
    ASSERT_TRUE(p.processor.inputClipLeft && p.processor.outputClipRight);

    juce::AudioBuffer<float> empty(2, 0);
    p.process(empty);

    const auto& q = p.processor;
    for (auto* level : {&q.inputLevelLeft, &q.inputLevelRight, &q.outputLevelLeft, &q.outputLevelRight})
        EXPECT_EQ(level->load(), -100.0f);
    EXPECT_TRUE(q.inputClipLeft && q.inputClipRight && q.outputClipLeft && q.outputClipRight);
    EXPECT_EQ(q.currentLowPassCutoff.load(), cutoff);
}

TEST(ProcessorMeters, MonoLayoutKeepsRightMetersSilentAndNeverTouchesASecondChannel)
{
    PreparedProcessor p(48000.0, 256, 1);
    p.setColouredUnits();
    p.set("inputGain", 20.0f);
    p.processor.inputClipRight = true;
    p.processor.outputClipRight = true;

    // The processor sees one channel; a second one lies right behind it in memory with a marker.
    juce::AudioBuffer<float> storage(2, 256);
    auto midi = noteOn();

    for (int b = 0; b < 5; ++b)
    {
        auto source = signals::sine(1, 256, 300.0, 48000.0, 0.5f, b * 256);
        storage.copyFrom(0, 0, source, 0, 0, 256);
        juce::FloatVectorOperations::fill(storage.getWritePointer(1), 12345.0f, 256);
        juce::AudioBuffer<float> mono(storage.getArrayOfWritePointers(), 1, 256);

        p.process(mono, midi);
        midi.clear();

        EXPECT_EQ(p.processor.inputLevelRight.load(), -100.0f);
        EXPECT_EQ(p.processor.outputLevelRight.load(), -100.0f);
        EXPECT_FALSE(p.processor.inputClipRight.load());
        EXPECT_FALSE(p.processor.outputClipRight.load());
        EXPECT_TRUE(p.processor.inputClipLeft.load());
        EXPECT_GT(p.processor.outputLevelLeft.load(), -60.0f);
        EXPECT_TRUE(signals::allFinite(mono));

        for (int i = 0; i < 256; ++i)
            ASSERT_EQ(storage.getSample(1, i), 12345.0f);
    }
}
