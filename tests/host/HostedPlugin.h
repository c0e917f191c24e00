#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The plug-in as a host application sees it: loaded from its bundle through JUCE's VST3 hosting,
// driven only through what the VST3 interfaces carry. Use it on the message thread, except for
// process(), which may run on another thread as a host's audio thread does.
class HostedPlugin
{
public:
    enum class Media
    {
        audio,
        event
    };

    enum class Direction
    {
        input,
        output
    };

    struct BusInfo
    {
        std::string name;
        int channelCount = 0;
        int busType = 0;
        std::uint32_t flags = 0;
    };

    struct ProgramList
    {
        std::string name;
        std::vector<std::string> programNames;
    };

    // Scans the bundle, creates its audio component and prepares it for processing. Returns null
    // and fills in the error when the bundle cannot be loaded.
    static std::unique_ptr<HostedPlugin> load(const juce::File& bundle, double sampleRate, int blockSize,
                                              juce::String& error);
    ~HostedPlugin();

    HostedPlugin(const HostedPlugin&) = delete;
    HostedPlugin& operator=(const HostedPlugin&) = delete;

    juce::AudioPluginInstance& instance() { return *plugin; }
    const juce::PluginDescription& description() const { return pluginDescription; }
    double sampleRate() const { return currentSampleRate; }
    int blockSize() const { return currentBlockSize; }

    // Deactivates, asks for the layout the way a host does and activates again. Returns whether
    // the plug-in took the layout; when it did not, the previous one stays in force.
    bool setLayout(const juce::AudioProcessor::BusesLayout& layout);
    void prepare(double sampleRate, int blockSize);

    // Stops or restarts processing while the component stays active, as hosts do when their
    // transport stops (IAudioProcessor::setProcessing). Returns whether the plug-in agreed.
    bool setProcessing(bool processing);

    // One host process call: the buffer is processed in place with its MIDI.
    void process(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi);

    // Given the samples still to come, the length of the next block a host hands over.
    using BlockLengths = std::function<int(int remaining)>;
    // Processes a signal longer than one block in place, in blocks of blockSize() or of the given
    // lengths, with each MIDI event handed over in the block that holds its sample position.
    // beforeBlock(start, length) runs ahead of every block, where a host applies its automation.
    void processInBlocks(juce::AudioBuffer<float>& signal, const juce::MidiBuffer& midi,
                         const BlockLengths& lengths = {},
                         const std::function<void(int start, int length)>& beforeBlock = {});

    // Host parameters are found by their title, which for the plug-in's own parameters is the ID.
    juce::AudioProcessorParameter* parameter(const juce::String& title) const;
    // Sets a normalised value as a host's automation does: one gesture, then the new value.
    void setParameter(const juce::String& title, float normalisedValue);
    void setBypass(bool shouldBeBypassed);
    static std::uint32_t vst3ParameterId(const juce::AudioProcessorParameter& parameter);

    // The component state exactly as the host saves it in a project, and loading such a state
    // back the way a host restores a project.
    juce::MemoryBlock componentState();
    void loadComponentState(const juce::MemoryBlock& state);

    // What the raw VST3 component reports.
    std::vector<BusInfo> buses(Media media, Direction direction) const;
    std::optional<std::uint64_t> speakerArrangement(Direction direction, int bus) const;
    std::optional<ProgramList> programList() const;
    std::uint32_t rawLatencySamples() const;
    std::uint32_t rawTailSamples() const;

    // Opens the plug-in's own view in a window on the desktop, as a host does on request.
    juce::AudioProcessorEditor* openEditor();
    void closeEditor();

private:
    HostedPlugin(std::unique_ptr<juce::AudioPluginInstance> instance,
                 const juce::PluginDescription& description);

    juce::PluginDescription pluginDescription;
    std::unique_ptr<juce::AudioPluginInstance> plugin;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
    double currentSampleRate = 0.0;
    int currentBlockSize = 0;
};
