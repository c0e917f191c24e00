#include "HostedPluginTest.h"
#include "Signals.h"

class HostedProcessing : public HostedPluginTest
{
protected:
    // Processes one block of noise with its own seed, so every block differs, and returns it.
    juce::AudioBuffer<float> processNoise(HostedPlugin& plugin, std::int64_t seed,
                                          const juce::MidiBuffer& midi = {})
    {
        auto buffer = signals::noise(2, blockSize, seed, 0.25f);
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
            const auto rms = signals::rms(processNoise(plugin, firstSeed + block), 0);
            sum += rms * rms;
        }

        return signals::toDecibels(std::sqrt(sum / count));
    }
};

TEST_F(HostedProcessing, WhileBypassedTheEffectStandsStill)
{
    // Two instances hear the same audio and note; one is bypassed for a stretch in between. If
    // nothing ran while it was bypassed (reverb, envelopes, mix, published values), both carry on
    // with the same state and give the same output, sample for sample.
    auto reference = hostTest::load(sampleRate, blockSize);
    ASSERT_NE(reference, nullptr);

    for (auto* plugin : {hosted.get(), reference.get()})
    {
        // Settings under which the reverb holds a long tail and the low-pass moves with notes.
        plugin->setParameter("delay", 0.4f);
        plugin->setParameter("feedback", 0.8f);
        plugin->setParameter("lpfEnv", PluginParameters::normalised("lpfEnv", 5000.0f));
        plugin->setParameter("lpfEnvAttack", PluginParameters::normalised("lpfEnvAttack", 0.5f));
        plugin->setParameter("dryWet", 0.7f);
        processNoise(*plugin, 1, signals::noteOn());

        for (std::int64_t seed = 2; seed < 20; ++seed)
            processNoise(*plugin, seed);
    }

    hosted->setBypass(true);

    for (std::int64_t seed = 100; seed < 140; ++seed)
        processNoise(*hosted, seed, seed == 120 ? signals::noteOff() : juce::MidiBuffer());

    hosted->setBypass(false);

    for (std::int64_t seed = 20; seed < 30; ++seed)
        EXPECT_TRUE(signals::identical(processNoise(*hosted, seed), processNoise(*reference, seed)))
            << "block " << seed;
}

TEST_F(HostedProcessing, NotesFromTheHostsEventBusSweepTheLowPass)
{
    // Noise through a 200 Hz low-pass is quiet; a note opens it by 15 kHz at once (attack 0) and
    // the release (1 s of the envelope's clock) closes it again. The note comes on channel 10 at
    // the softest velocity and the block's last sample: any note-on counts, wherever it lies.
    hosted->setParameter("lowPass", PluginParameters::normalised("lowPass", 200.0f));
    hosted->setParameter("lpfEnv", PluginParameters::normalised("lpfEnv", 15000.0f));

    levelOver(*hosted, 1, 20);
    const auto closed = levelOver(*hosted, 21, 20);

    processNoise(*hosted, 41, signals::noteOn(10, 1, blockSize - 1));
    EXPECT_GT(levelOver(*hosted, 42, 20) - closed, 10.0);

    processNoise(*hosted, 62, signals::noteOff(10));
    levelOver(*hosted, 63, 100);
    EXPECT_NEAR(levelOver(*hosted, 163, 20), closed, 1.5);
}
