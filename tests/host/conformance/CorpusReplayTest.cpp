#include "Conformance.h"
#include "HostSignals.h"
#include "PluginParameters.h"

#include <cmath>
#include <set>

namespace
{
constexpr double sampleRate = 48000.0;
constexpr int blockSize = 512;

juce::Array<juce::File> corpusFiles()
{
    auto files = conformance::corpusDirectory().findChildFiles(juce::File::findFiles, false);
    files.removeIf([](const juce::File& file) { return file.getFileName().startsWithChar('.'); });
    files.sort();
    return files;
}

// How the plug-in reads a chunk: whether it takes it, and which of its parameters the taken
// document names. A chunk is taken when its header holds, its text parses as XML and its root is
// the state's type in any case; the document then replaces the state whole.
struct ChunkReading
{
    bool taken = false;
    std::set<juce::String> named;
};

ChunkReading readChunk(const juce::MemoryBlock& chunk)
{
    ChunkReading reading;
    const auto* bytes = static_cast<const char*>(chunk.getData());
    const auto size = (int) chunk.getSize();

    if (size < 9 || juce::ByteOrder::littleEndianInt(bytes) != 0x21324356u)
        return reading;

    const auto length = (int) juce::ByteOrder::littleEndianInt(bytes + 4);
    const auto* text = bytes + 8;
    const auto textLength = juce::jmin(length, size - 8);

    // Text that is not UTF-8 is refused whole.
    if (length <= 0 || !juce::CharPointer_UTF8::isValidString(text, textLength))
        return reading;

    const auto xml = juce::parseXML(juce::String::fromUTF8(text, textLength));

    if (xml == nullptr || !xml->getTagName().equalsIgnoreCase("PARAMETERS"))
        return reading;

    reading.taken = true;

    for (const auto* child : xml->getChildIterator())
        for (const auto* id : PluginParameters::ids)
            if (child->getStringAttribute("id") == id)
                reading.named.insert(id);

    return reading;
}

// The positions of the parameters that the document names, or of those it leaves out.
std::vector<size_t> indices(const ChunkReading& reading, bool named)
{
    std::vector<size_t> result;

    for (size_t index = 0; index < PluginParameters::ids.size(); ++index)
        if ((reading.named.count(PluginParameters::ids[index]) != 0) == named)
            result.push_back(index);

    return result;
}

// The framework's private trailer as this instance writes it: what follows its chunk in its
// own component state.
juce::MemoryBlock trailerOf(const juce::MemoryBlock& componentState)
{
    const auto* bytes = static_cast<const char*>(componentState.getData());
    const auto chunkSize = 9 + (size_t) juce::ByteOrder::littleEndianInt(bytes + 4);
    return juce::MemoryBlock(bytes + chunkSize, componentState.getSize() - chunkSize);
}

// One instance, its settings fixed before the replay and restored before every file.
struct Subject
{
    Subject(const std::string& nameToUse, std::unique_ptr<HostedPlugin> pluginToUse)
        : name(nameToUse)
        , plugin(std::move(pluginToUse))
        , parameters(*plugin)
    {
    }

    // Loading its own state also brings the host's copy of every value in line with the plug-in.
    void fixBaseline()
    {
        baseline = plugin->componentState();
        restoreBaseline();
    }

    void restoreBaseline() { plugin->loadComponentState(baseline); }

    std::string name;
    std::unique_ptr<HostedPlugin> plugin;
    PluginParameters parameters;
    juce::MemoryBlock baseline;
};
} // namespace

// Every input the state fuzzer has kept, handed to the bundle as a host restores a project.
// Nothing crashes; a refused chunk changes nothing at all; a taken one applies in full, whatever
// the settings it meets; and the plug-in plays cleanly afterwards.
class CorpusReplay : public ::testing::Test
{
protected:
    void SetUp() override
    {
        files = corpusFiles();
        ASSERT_FALSE(files.isEmpty())
            << "no fuzz corpus in " << conformance::corpusDirectory().getFullPathName();

        for (const auto* name : {"defaults", "random settings"})
        {
            auto plugin = conformance::load(sampleRate, blockSize);
            ASSERT_NE(plugin, nullptr);
            subjects.push_back(std::make_unique<Subject>(name, std::move(plugin)));
            ASSERT_TRUE(subjects.back()->parameters.complete());
        }

        juce::Random random(conformance::seedFor("baseline"));
        subjects[1]->parameters.randomise(random);
        playBlock(*subjects[1]);

        for (auto& subject : subjects)
            subject->fixBaseline();
    }

    void playBlock(Subject& subject)
    {
        juce::Random random(conformance::seedFor("play"));
        juce::AudioBuffer<float> buffer(2, blockSize);
        hostSignals::fill(buffer, hostSignals::Signal::noise, sampleRate, random);
        juce::MidiBuffer midi;
        midi.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), 0);
        subject.plugin->process(buffer, midi);
        EXPECT_FALSE(hostSignals::firstBadSample(buffer).has_value())
            << subject.name << ": " << hostSignals::describe(hostSignals::firstBadSample(buffer));
    }

    // Loads the state into every subject and checks what it did. Returns the values each
    // subject holds afterwards, for comparing the subjects with each other.
    std::vector<std::vector<float>> replay(const juce::MemoryBlock& componentState,
                                           const ChunkReading& reading)
    {
        std::vector<std::vector<float>> after;

        for (auto& subject : subjects)
        {
            SCOPED_TRACE(subject->name);
            subject->restoreBaseline();
            const auto before = subject->plugin->componentState();
            const auto valuesBefore = subject->parameters.values();
            EXPECT_EQ(before, subject->baseline);

            subject->plugin->loadComponentState(componentState);
            after.push_back(subject->parameters.values());

            for (size_t index = 0; index < after.back().size(); ++index)
            {
                const auto value = after.back()[index];
                EXPECT_TRUE(std::isfinite(value) && value >= 0.0f && value <= 1.0f)
                    << PluginParameters::ids[index] << " holds the normalised value " << value;
            }

            if (!reading.taken)
            {
                EXPECT_EQ(subject->plugin->componentState(), before) << "a refused chunk changed the state";
                EXPECT_EQ(after.back(), valuesBefore);
            }
            else
            {
                for (const auto index : indices(reading, false))
                {
                    EXPECT_EQ(after.back()[index], valuesBefore[index])
                        << PluginParameters::ids[index] << " is not in the document, yet it changed";
                }

                // What was taken saves as a state that loads back to itself.
                const auto saved = subject->plugin->componentState();
                subject->plugin->loadComponentState(saved);
                EXPECT_EQ(subject->plugin->componentState(), saved);
            }

            for (int block = 0; block < 2; ++block)
                playBlock(*subject);
        }

        return after;
    }

    // A taken document sets what it names to the same values whatever the settings were.
    void expectNamedValuesAgree(const std::vector<std::vector<float>>& after, const ChunkReading& reading)
    {
        if (!reading.taken)
            return;

        for (const auto index : indices(reading, true))
        {
            EXPECT_NEAR(after[0][index], after[1][index], 1.0e-6f)
                << PluginParameters::ids[index] << " was applied differently over different settings";
        }
    }

    HostEnvironment environment;
    juce::Array<juce::File> files;
    std::vector<std::unique_ptr<Subject>> subjects;
};

TEST_F(CorpusReplay, EachChunkInsideTheFrameworksComponentState)
{
    const auto trailer = trailerOf(subjects[0]->baseline);

    for (const auto& file : files)
    {
        SCOPED_TRACE(file.getFileName().toStdString());
        juce::MemoryBlock chunk;
        ASSERT_TRUE(file.loadFileAsData(chunk));
        const auto reading = readChunk(chunk);

        juce::MemoryBlock componentState(chunk);
        componentState.append(trailer.getData(), trailer.getSize());
        expectNamedValuesAgree(replay(componentState, reading), reading);
    }
}

TEST_F(CorpusReplay, EachChunkAsTheWholeComponentState)
{
    // A state saved without the framework's trailer, as older versions of it wrote: the bytes
    // reach the plug-in's chunk reader as they are.
    for (const auto& file : files)
    {
        SCOPED_TRACE(file.getFileName().toStdString());
        juce::MemoryBlock chunk;
        ASSERT_TRUE(file.loadFileAsData(chunk));
        const auto reading = readChunk(chunk);
        expectNamedValuesAgree(replay(chunk, reading), reading);
    }
}

// The framework's component state ends in its private data, that data's size and a closing
// text. A damaged or hostile state can claim a size larger than all the bytes there are; such a
// state must be ignored whole instead of being read outside its data.
TEST(ComponentStateTrailer, ASizeBeyondTheDataIsIgnored)
{
    HostEnvironment environment;
    auto hosted = conformance::load(sampleRate, blockSize);
    ASSERT_NE(hosted, nullptr);
    const auto before = hosted->componentState();

    // The last claim reaches a terabyte before the data, where nothing is mapped, so that reading
    // there fails every time instead of finding some other allocation.
    for (const std::uint64_t claimed :
         {std::uint64_t(64), std::uint64_t(1) << 20, (std::uint64_t(1) << 40) + (1 << 20)})
    {
        juce::MemoryBlock state(before.getData(), 16);
        const auto size = juce::ByteOrder::swapIfBigEndian(claimed);
        state.append(&size, sizeof(size));
        state.append("JUCEPrivateData", 15);

        hosted->loadComponentState(state);
        EXPECT_EQ(hosted->componentState(), before) << "claimed size " << claimed;
    }
}
