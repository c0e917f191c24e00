// Feeds arbitrary bytes to the state loader of a prepared processor, as a host restoring a
// damaged or foreign project would. Whatever the loader takes must leave every value in its
// range and save as a chunk that restores the same values into another instance and saves back
// to itself, and a block must then play cleanly. Aborts on anything a host could not live with.
//
// The processors are built once, and every input meets them holding a new instance's state:
// after an input that changed anything, each is given a new instance's tree again and must then
// hold exactly that tree and exactly a new instance's values.
#include "PluginProcessor.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <vector>

namespace
{
constexpr double sampleRate = 44100.0;
constexpr int blockSize = 64;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A framework assertion is a broken contract, which a Debug build inside a host stops on.
class AssertionsAbort : public juce::Logger
{
    void logMessage(const juce::String& message) override
    {
        if (message.startsWith("JUCE Assertion failure"))
        {
            std::fprintf(stderr, "%s\n", message.toRawUTF8());
            std::abort();
        }
    }
};

juce::MemoryBlock saveState(SorvandelAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation(block);
    return block;
}

void loadState(SorvandelAudioProcessor& processor, const juce::MemoryBlock& chunk)
{
    processor.setStateInformation(chunk.getData(), (int) chunk.getSize());
}

void requireWellFormed(const juce::MemoryBlock& chunk)
{
    const auto* bytes = static_cast<const juce::uint8*>(chunk.getData());
    require(chunk.getSize() >= 9);
    require(juce::ByteOrder::littleEndianInt(bytes) == 0x21324356);
    require(juce::ByteOrder::littleEndianInt(bytes + 4) == chunk.getSize() - 9);
    require(bytes[chunk.getSize() - 1] == 0);
}

// A processor, with a handle on each of its parameters and on the real value that the audio
// thread reads for it.
class Instance
{
public:
    Instance()
    {
        for (auto* parameter : processor.getParameters())
        {
            auto& withRange = dynamic_cast<juce::RangedAudioParameter&>(*parameter);
            parameters.push_back(&withRange);
            realValues.push_back(processor.valueTreeState.getRawParameterValue(withRange.paramID));
        }
    }

    // Each parameter's normalised value and real value.
    std::vector<float> values() const
    {
        std::vector<float> result;

        for (size_t i = 0; i < parameters.size(); ++i)
        {
            result.push_back(parameters[i]->getValue());
            result.push_back(realValues[i]->load());
        }

        return result;
    }

    // Written so that NaN fails as well.
    void requireInRange() const
    {
        for (size_t i = 0; i < parameters.size(); ++i)
        {
            const auto& range = parameters[i]->getNormalisableRange();
            const auto value = realValues[i]->load();
            require(value >= range.start && value <= range.end);
            require(parameters[i]->getValue() >= 0.0f && parameters[i]->getValue() <= 1.0f);
        }
    }

    SorvandelAudioProcessor processor;

private:
    std::vector<juce::RangedAudioParameter*> parameters;
    std::vector<std::atomic<float>*> realValues;
};

// Equal as a chunk would write them: the same types, the same property names in the same order
// with the same texts, and equal children in the same order. (The framework's own comparison
// lets properties come in any order.)
bool sameTree(const juce::ValueTree& a, const juce::ValueTree& b)
{
    if (a.getType() != b.getType() || a.getNumProperties() != b.getNumProperties() ||
        a.getNumChildren() != b.getNumChildren())
        return false;

    for (int i = 0; i < a.getNumProperties(); ++i)
    {
        const auto name = a.getPropertyName(i);

        // With the names equal in order, a name repeated in one is repeated in the other at the
        // same place, and a lookup by name finds the same property in both.
        if (name != b.getPropertyName(i) || a[name].toString() != b[name].toString())
            return false;
    }

    for (int i = 0; i < a.getNumChildren(); ++i)
        if (!sameTree(a.getChild(i), b.getChild(i)))
            return false;

    return true;
}

bool playsCleanly(SorvandelAudioProcessor& processor)
{
    juce::AudioBuffer<float> buffer(2, blockSize);
    juce::Random random(1);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < blockSize; ++i)
            buffer.setSample(channel, i, random.nextFloat() - 0.5f);

    juce::MidiBuffer midi;
    midi.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), 0);
    processor.processBlock(buffer, midi);

    for (int channel = 0; channel < 2; ++channel)
        for (int i = 0; i < blockSize; ++i)
            if (!std::isfinite(buffer.getSample(channel, i)))
                return false;

    return true;
}

void prepare(SorvandelAudioProcessor& processor)
{
    processor.setRateAndBufferSizeDetails(sampleRate, blockSize);
    processor.prepareToPlay(sampleRate, blockSize);
}

// A new instance's state, and the way back to it.
class Defaults
{
public:
    explicit Defaults(Instance& newInstance)
        : chunk(saveState(newInstance.processor))
        , tree(juce::ValueTree::fromXml(
              *juce::AudioProcessor::getXmlFromBinary(chunk.getData(), (int) chunk.getSize())))
        , values(newInstance.values())
    {
    }

    // Every value, and the tree as the chunk reads back. An instance holding both saves
    // exactly the chunk, as settle() confirms byte for byte.
    bool heldBy(const Instance& instance) const
    {
        return instance.values() == values && sameTree(tree, instance.processor.valueTreeState.state);
    }

    // The replacement binds every parameter to its element and sets it from there.
    void restore(Instance& instance) const
    {
        instance.processor.valueTreeState.replaceState(tree.createCopy());
        require(heldBy(instance));
    }

    // The framework tells a parameter's listeners of its first change even when the value
    // stays, and of later ones only when it moves; a told value is written over the loaded text
    // at the next save. Moving every parameter once means that no input meets a first change,
    // whichever inputs came before it.
    void settle(Instance& instance) const
    {
        for (auto* parameter : instance.processor.getParameters())
            parameter->setValueNotifyingHost(parameter->getValue() < 0.5f ? 1.0f : 0.0f);

        restore(instance);
        require(saveState(instance.processor) == chunk);
    }

    const juce::MemoryBlock chunk;

private:
    const juce::ValueTree tree;
    const std::vector<float> values;
};

struct Fixture
{
    Fixture()
    {
        prepare(prepared.processor);
        defaults.settle(prepared);
        defaults.settle(restored);
    }

    // What the prepared processor took saves as a chunk that restores the same values into
    // another instance, and saving what that one restored gives that chunk back.
    void checkRoundTrip(const juce::MemoryBlock& saved)
    {
        loadState(restored.processor, saved);
        require(restored.values() == prepared.values());
        const auto savedAgain = saveState(restored.processor);
        defaults.restore(restored);

        // Loading the same bytes into the same state gives the same result, so only a changed
        // chunk needs loading again.
        if (savedAgain != saved)
        {
            loadState(restored.processor, savedAgain);
            require(saveState(restored.processor) == savedAgain);
            defaults.restore(restored);
        }
    }

    // The units keep their state from one input to the next, as in a host that loads presets
    // while it plays; a failure is replayed on a new instance to tell whether this input alone
    // causes it.
    void checkPlaying(const std::uint8_t* data, int size)
    {
        if (playsCleanly(prepared.processor))
            return;

        SorvandelAudioProcessor fresh;
        prepare(fresh);
        fresh.setStateInformation(data, size);
        std::fprintf(stderr, "A block after this state is not finite%s.\n",
                     playsCleanly(fresh) ? ", but only after the inputs before it" : "");
        std::abort();
    }

    Instance prepared;
    Instance restored;
    const Defaults defaults{restored};
};

Fixture* fixture = nullptr;
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

// The framework stays up until the process ends, and so do the processors: libFuzzer leaves
// through exit(), after the framework's own statics are gone, so shutting either down from a
// static destructor would touch freed memory.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    juce::initialiseJuce_GUI();
    // Left up at exit, the framework's singletons assert that nobody shut them down; only the
    // assertions while inputs run count.
    static AssertionsAbort assertionsAbort;
    juce::Logger::setCurrentLogger(&assertionsAbort);
    std::atexit([] { juce::Logger::setCurrentLogger(nullptr); });
    fixture = new Fixture;

    // The checks for a taken chunk, once for the state that every refused one leaves.
    fixture->prepared.requireInRange();
    requireWellFormed(fixture->defaults.chunk);
    fixture->checkRoundTrip(fixture->defaults.chunk);
    fixture->checkPlaying(nullptr, 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size > (std::size_t) std::numeric_limits<int>::max())
        return 0;

    auto& f = *fixture;
    f.prepared.processor.setStateInformation(data, (int) size);

    if (f.defaults.heldBy(f.prepared))
        return 0;

    f.prepared.requireInRange();
    const auto saved = saveState(f.prepared.processor);
    requireWellFormed(saved);
    f.checkRoundTrip(saved);
    f.checkPlaying(data, (int) size);
    f.defaults.restore(f.prepared);
    return 0;
}
