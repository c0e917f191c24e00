// Loads an installed Sorvandel bundle the way a host does, plays one second of a test signal with
// a MIDI note through it and prints one line about what it found.
#include "HostEnvironment.h"
#include "HostedPlugin.h"
#include "Signals.h"

#include <cstdio>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

juce::String describeBus(juce::AudioPluginInstance& instance, bool isInput)
{
    auto* bus = instance.getBus(isInput, 0);
    return bus == nullptr ? juce::String("none")
                          : bus->getName() + " (" + bus->getCurrentLayout().getDescription() + ")";
}

juce::MidiBuffer oneNote()
{
    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), 0);
    midi.addEvent(juce::MidiMessage::noteOff(1, 60), (int) sampleRate / 2);
    return midi;
}

int run(const juce::File& bundle)
{
    const auto loadStart = juce::Time::getMillisecondCounterHiRes();
    juce::String error;
    auto hosted = HostedPlugin::load(bundle, sampleRate, blockSize, error);

    if (hosted == nullptr)
    {
        std::fprintf(stderr, "Could not load %s: %s\n", bundle.getFullPathName().toRawUTF8(),
                     error.toRawUTF8());
        return 1;
    }

    const auto loadMs = juce::Time::getMillisecondCounterHiRes() - loadStart;

    auto signal = signals::sine(2, (int) sampleRate, 440.0, sampleRate, 0.25f);

    const auto processStart = juce::Time::getMillisecondCounterHiRes();
    hosted->processInBlocks(signal, oneNote());
    const auto processMs = juce::Time::getMillisecondCounterHiRes() - processStart;

    auto& instance = hosted->instance();
    const auto outputDb = signals::toDecibels(signals::rms(signal, 0));

    std::printf(
        "%s %s by %s: %d parameters, in %s, out %s, MIDI in; 1 s of 48 kHz stereo processed in %.1f ms "
        "(output %.1f dB RMS), loaded in %.1f ms\n",
        instance.getName().toRawUTF8(), hosted->description().version.toRawUTF8(),
        hosted->description().manufacturerName.toRawUTF8(), instance.getParameters().size(),
        describeBus(instance, true).toRawUTF8(), describeBus(instance, false).toRawUTF8(), processMs,
        outputDb, loadMs);

    if (!signals::allFinite(signal))
    {
        std::fprintf(stderr, "The plug-in produced samples that are not finite numbers\n");
        return 1;
    }

    return 0;
}
} // namespace

int main(int argc, char* argv[])
{
    if (argc != 2)
    {
        std::fprintf(stderr, "Usage: %s <path to Sorvandel.vst3>\n", argv[0]);
        return 2;
    }

    HostEnvironment environment;
    return run(juce::File::getCurrentWorkingDirectory().getChildFile(argv[1]));
}
