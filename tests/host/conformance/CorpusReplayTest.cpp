#include "ComponentState.h"
#include "Conformance.h"
#include "Signals.h"
#include "StateChunk.h"

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

// Whether the plug-in takes a chunk, and which of its parameters the taken document names, as
// the plug-in's own chunk reading sees it; the bundle must do just that.
struct ChunkReading
{
    bool taken = false;
    std::set<juce::String> named;
};

ChunkReading readChunk(const juce::MemoryBlock& chunk)
{
    const auto tree = StateChunk::parse(chunk.getData(), (int) chunk.getSize(), "PARAMETERS");
    ChunkReading reading{tree.isValid(), {}};

    for (const auto& child : tree)
        for (const auto* id : PluginParameters::ids)
            if (child.getProperty("id").toString() == id)
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
            auto plugin = hostTest::load(sampleRate, blockSize);
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
        signals::fill(buffer, signals::Kind::noise, sampleRate, random);
        juce::MidiBuffer midi;
        midi.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), 0);
        subject.plugin->process(buffer, midi);
        EXPECT_EQ(signals::firstBadSample(buffer), "") << subject.name;
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
    const auto parts = componentState::split(subjects[0]->baseline);
    ASSERT_TRUE(parts.has_value());
    const auto& trailer = parts->trailer;

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
