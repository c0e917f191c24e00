#include "HostTestSupport.h"
#include "TestSignals.h"

#include <cstdio>
#include <cstring>

namespace
{
float normalised(float start, float end, float value)
{
    return (value - start) / (end - start);
}

juce::MidiBuffer noteOn()
{
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), 0);
    return midi;
}

juce::MidiBuffer noteOff()
{
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOff(1, 60), 0);
    return midi;
}

bool identical(const juce::AudioBuffer<float>& a, const juce::AudioBuffer<float>& b)
{
    if (a.getNumChannels() != b.getNumChannels() || a.getNumSamples() != b.getNumSamples())
        return false;

    const auto bytes = sizeof(float) * (size_t) a.getNumSamples();

    for (int channel = 0; channel < a.getNumChannels(); ++channel)
        if (std::memcmp(a.getReadPointer(channel), b.getReadPointer(channel), bytes) != 0)
            return false;

    return true;
}
} // namespace

class HostedProcessing : public HostedPluginTest
{
protected:
    // Processes one block of noise with its own seed, so every block differs, and returns it.
    juce::AudioBuffer<float> processNoise(HostedPlugin& plugin, std::int64_t seed,
                                          const juce::MidiBuffer& midi = {})
    {
        juce::AudioBuffer<float> buffer(2, blockSize);
        testSignals::fillNoise(buffer, 0.25f, seed);
        auto events = midi;
        plugin.process(buffer, events);
        return buffer;
    }

    // Output RMS over a run of blocks, in dB.
    double levelOver(HostedPlugin& plugin, std::int64_t firstSeed, int count)
    {
        double sum = 0.0;

        for (int block = 0; block < count; ++block)
        {
            const auto output = processNoise(plugin, firstSeed + block);
            const auto rms = testSignals::rms(output, 0, 0, blockSize);
            sum += rms * rms;
        }

        return testSignals::toDecibels(std::sqrt(sum / count));
    }

    // Settings under which the reverb holds a long tail and the low-pass moves with notes.
    void setAudibleSettings(HostedPlugin& plugin)
    {
        plugin.setParameter("delay", 0.4f);
        plugin.setParameter("feedback", 0.8f);
        plugin.setParameter("lpfEnv", normalised(-20000.0f, 20000.0f, 5000.0f));
        plugin.setParameter("lpfEnvAttack", normalised(0.0f, 3.0f, 0.5f));
        plugin.setParameter("dryWet", 0.7f);
    }
};

TEST_F(HostedProcessing, BypassHandsTheInputBackUnchanged)
{
    setAudibleSettings(*hosted);

    juce::AudioBuffer<float> input(2, blockSize);
    testSignals::fillNoise(input, 0.25f, 1);
    EXPECT_FALSE(identical(processNoise(*hosted, 1, noteOn()), input)) << "the effect must be audible first";

    hosted->setBypass(true);

    for (std::int64_t seed = 2; seed < 10; ++seed)
    {
        testSignals::fillNoise(input, 0.25f, seed);
        EXPECT_TRUE(identical(processNoise(*hosted, seed), input)) << "block " << seed;
    }
}

TEST_F(HostedProcessing, WhileBypassedTheEffectStandsStill)
{
    // Two instances hear the same audio and note; one is bypassed for a stretch in between. If
    // nothing ran while it was bypassed (reverb, envelopes, mix, published values), both carry on
    // with the same state and give the same output, sample for sample.
    juce::String error;
    auto reference = HostedPlugin::load(hostTest::bundle(), sampleRate, blockSize, error);
    ASSERT_NE(reference, nullptr) << error;

    for (auto* plugin : {hosted.get(), reference.get()})
    {
        setAudibleSettings(*plugin);
        processNoise(*plugin, 1, noteOn());

        for (std::int64_t seed = 2; seed < 20; ++seed)
            processNoise(*plugin, seed);
    }

    hosted->setBypass(true);

    for (std::int64_t seed = 100; seed < 140; ++seed)
        processNoise(*hosted, seed, seed == 120 ? noteOff() : juce::MidiBuffer());

    hosted->setBypass(false);

    for (std::int64_t seed = 20; seed < 30; ++seed)
        EXPECT_TRUE(identical(processNoise(*hosted, seed), processNoise(*reference, seed)))
            << "block " << seed;
}

TEST_F(HostedProcessing, ANoteSweepsTheLowPassAudibly)
{
    // Noise through a 200 Hz low-pass is quiet; a note opens it by 15 kHz at once (attack 0) and
    // the release (1 s of the envelope's clock) closes it again.
    hosted->setParameter("lowPass", normalised(20.0f, 20000.0f, 200.0f));
    hosted->setParameter("lpfEnv", normalised(-20000.0f, 20000.0f, 15000.0f));

    levelOver(*hosted, 1, 20);
    const auto closed = levelOver(*hosted, 21, 20);

    processNoise(*hosted, 41, noteOn());
    const auto open = levelOver(*hosted, 42, 20);

    processNoise(*hosted, 62, noteOff());
    levelOver(*hosted, 63, 100);
    const auto closedAgain = levelOver(*hosted, 163, 20);

    std::printf("output level: %.2f dB before the note, %.2f dB while held, %.2f dB after its release\n",
                closed, open, closedAgain);
    EXPECT_GT(open - closed, 10.0);
    EXPECT_NEAR(closedAgain, closed, 1.5);
}

TEST_F(HostedProcessing, NotesOnAnyChannelAndVelocityDriveTheSweep)
{
    hosted->setParameter("lowPass", normalised(20.0f, 20000.0f, 200.0f));
    hosted->setParameter("lpfEnv", normalised(-20000.0f, 20000.0f, 15000.0f));
    levelOver(*hosted, 1, 20);
    const auto closed = levelOver(*hosted, 21, 20);

    juce::MidiBuffer quietNote;
    quietNote.addEvent(juce::MidiMessage::noteOn(10, 20, (juce::uint8) 1), blockSize - 1);
    processNoise(*hosted, 41, quietNote);

    EXPECT_GT(levelOver(*hosted, 42, 20) - closed, 10.0);
}
