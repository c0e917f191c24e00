#include "HostTestSupport.h"
#include "TestSignals.h"

#include <atomic>
#include <cstring>
#include <thread>
#include <tuple>

namespace
{
const char* const trailerMagic = "JUCEPrivateData";
constexpr std::size_t trailerMagicSize = 15;

// The component state split the way the plug-in's framework writes it: the processor's chunk,
// then eight zero bytes, the framework's private value tree, its size as a 64-bit integer and
// the closing text.
struct ComponentState
{
    juce::MemoryBlock chunk;
    juce::ValueTree privateData;
    bool wellFormed = false;
};

std::uint64_t readUint64(const char* bytes)
{
    std::uint64_t value = 0;
    std::memcpy(&value, bytes, sizeof(value));
    return juce::ByteOrder::swapIfBigEndian(value);
}

ComponentState split(const juce::MemoryBlock& state)
{
    ComponentState result;
    const auto* bytes = static_cast<const char*>(state.getData());
    const auto size = state.getSize();

    if (size < trailerMagicSize + 16 ||
        std::memcmp(bytes + size - trailerMagicSize, trailerMagic, trailerMagicSize) != 0)
        return result;

    const auto privateSize = readUint64(bytes + size - trailerMagicSize - 8);

    if (privateSize + 16 + trailerMagicSize > size)
        return result;

    const auto privateStart = size - trailerMagicSize - 8 - privateSize;
    const auto chunkSize = privateStart - 8;

    result.chunk.append(bytes, chunkSize);
    result.privateData = juce::ValueTree::readFromData(bytes + privateStart, privateSize);
    result.wellFormed = readUint64(bytes + chunkSize) == 0;
    return result;
}

std::unique_ptr<juce::XmlElement> chunkXml(const juce::MemoryBlock& chunk)
{
    const auto* bytes = static_cast<const char*>(chunk.getData());

    if (chunk.getSize() < 9)
        return nullptr;

    return juce::parseXML(juce::String::fromUTF8(bytes + 8, (int) chunk.getSize() - 9));
}

juce::String chunkValue(const juce::MemoryBlock& chunk, const juce::String& id)
{
    if (auto xml = chunkXml(chunk))
        for (auto* param : xml->getChildWithTagNameIterator("PARAM"))
            if (param->getStringAttribute("id") == id)
                return param->getStringAttribute("value");

    return "<missing>";
}

float normalised(float start, float end, float value)
{
    return (value - start) / (end - start);
}
} // namespace

class HostedState : public HostedPluginTest
{
protected:
    std::unique_ptr<HostedPlugin> loadAnother()
    {
        juce::String error;
        auto other = HostedPlugin::load(hostTest::bundle(), sampleRate, blockSize, error);
        EXPECT_NE(other, nullptr) << error;
        return other;
    }

    // Host changes reach the plug-in's processor with the next process call.
    void processOneBlock(HostedPlugin& plugin)
    {
        juce::AudioBuffer<float> buffer(2, blockSize);
        buffer.clear();
        juce::MidiBuffer midi;
        plugin.process(buffer, midi);
    }

    void setAwayFromDefaults(HostedPlugin& plugin)
    {
        plugin.setParameter("delay", 0.5f);
        plugin.setParameter("feedback", 0.333f);
        plugin.setParameter("lowPass", normalised(20.0f, 20000.0f, 5000.0f));
        plugin.setParameter("distType", 1.0f);
        plugin.setParameter("ratio", 0.5f);
        plugin.setParameter("outputGain", normalised(-100.0f, 24.0f, -6.0f));
        processOneBlock(plugin);
    }
};

TEST_F(HostedState, IsTheChunkFollowedByTheFrameworksBypassTrailer)
{
    const auto parts = split(hosted->componentState());
    ASSERT_TRUE(parts.wellFormed);

    const auto* chunk = static_cast<const unsigned char*>(parts.chunk.getData());
    ASSERT_EQ(parts.chunk.getSize(), 906u);
    EXPECT_EQ(std::memcmp(chunk, "VC2!", 4), 0);
    EXPECT_EQ(juce::ByteOrder::littleEndianInt(chunk + 4), 897u);
    EXPECT_EQ(chunk[905], 0);

    const auto text = juce::String::fromUTF8(reinterpret_cast<const char*>(chunk) + 8, 897);
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <PARAMETERS><PARAM id=\"delay\" "
                                "value=\"0.0\"/><PARAM id=\"distType\" value=\"1.0\"/>"));
    EXPECT_TRUE(text.endsWith("</PARAMETERS>"));

    EXPECT_EQ(parts.privateData.getType().toString(), trailerMagic);
    ASSERT_TRUE(parts.privateData.hasProperty("Bypass"));
    EXPECT_FALSE((bool) parts.privateData.getProperty("Bypass"));

    hosted->setBypass(true);
    processOneBlock(*hosted);
    const auto bypassed = split(hosted->componentState());
    ASSERT_TRUE(bypassed.wellFormed);
    EXPECT_TRUE((bool) bypassed.privateData.getProperty("Bypass"));
    EXPECT_EQ(bypassed.chunk, parts.chunk) << "Bypass belongs to the trailer, not the chunk";
}

TEST_F(HostedState, HostValuesAreLimitedSnappedAndSurviveARoundTrip)
{
    setAwayFromDefaults(*hosted);
    // A host may send values outside 0..1; they land on the range's ends.
    hosted->setParameter("inputGain", 1.5f);
    hosted->setParameter("hpfEnv", -0.5f);
    processOneBlock(*hosted);

    const auto saved = hosted->componentState();
    const auto chunk = split(saved).chunk;
    EXPECT_EQ(chunkValue(chunk, "delay"), "1250.0");
    EXPECT_EQ(chunkValue(chunk, "feedback"), "0.3299999833106995"); // 0.01f * 33, snapped in float
    EXPECT_EQ(chunkValue(chunk, "lowPass"), "5000.0");
    EXPECT_EQ(chunkValue(chunk, "distType"), "3.0");
    EXPECT_EQ(chunkValue(chunk, "ratio"), "9.0");
    EXPECT_EQ(chunkValue(chunk, "outputGain"), "-6.0");
    EXPECT_EQ(chunkValue(chunk, "inputGain"), "24.0");
    EXPECT_EQ(chunkValue(chunk, "hpfEnv"), "-20000.0");

    auto restored = loadAnother();
    ASSERT_NE(restored, nullptr);
    restored->loadComponentState(saved);

    // What the restored instance shows its host: the plug-in's limited, snapped values. (The
    // saving host still shows what it sent: the plug-in does not echo snapped values back.)
    const std::vector<std::tuple<const char*, float, const char*>> restoredValues{
        {"delay", 0.5f, "1250"},
        {"feedback", 0.01f * 33.0f, "0.33"},
        {"lowPass", normalised(20.0f, 20000.0f, 5000.0f), "5000.0"},
        {"distType", 1.0f, "3"},
        {"ratio", 8.0f / 15.0f, "9"},
        {"outputGain", normalised(-100.0f, 24.0f, -6.0f), "-6.0"},
        {"inputGain", 1.0f, "24.0"},
        {"hpfEnv", 0.0f, "-20000.00"},
    };

    for (const auto& [id, value, text] : restoredValues)
    {
        SCOPED_TRACE(id);
        EXPECT_NEAR(restored->parameter(id)->getValue(), value, 1.0e-6f);
        EXPECT_EQ(restored->parameter(id)->getCurrentValueAsText(), text);
    }

    EXPECT_EQ(restored->componentState(), saved);
}

TEST_F(HostedState, SavingLoadingAndSavingAgainGivesTheSameBytes)
{
    for (const bool bypassed : {false, true})
    {
        SCOPED_TRACE(bypassed ? "bypassed" : "active");
        auto original = loadAnother();
        ASSERT_NE(original, nullptr);
        setAwayFromDefaults(*original);
        original->setBypass(bypassed);
        processOneBlock(*original);
        const auto first = original->componentState();

        auto restored = loadAnother();
        ASSERT_NE(restored, nullptr);
        restored->loadComponentState(first);
        EXPECT_EQ(restored->componentState(), first);
    }
}

TEST_F(HostedState, LoadingStateWhileAudioRunsIsSafe)
{
    setAwayFromDefaults(*hosted);
    const auto stateA = hosted->componentState();
    hosted->setParameter("delay", 0.1f);
    hosted->setParameter("lowPass", 0.9f);
    hosted->setParameter("dryWet", 0.25f);
    processOneBlock(*hosted);
    const auto stateB = hosted->componentState();
    ASSERT_NE(stateA, stateB);

    std::atomic<bool> stop{false};
    std::atomic<bool> allFinite{true};
    std::atomic<int> blocks{0};

    std::thread audio(
        [&]
        {
            juce::AudioBuffer<float> buffer(2, blockSize);
            juce::MidiBuffer midi;

            for (std::int64_t seed = 1; !stop.load(); ++seed)
            {
                testSignals::fillNoise(buffer, 0.5f, seed);
                midi.clear();
                midi.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), 0);
                hosted->process(buffer, midi);

                if (!testSignals::allFinite(buffer))
                    allFinite = false;

                ++blocks;
            }
        });

    while (blocks.load() == 0)
        std::this_thread::yield();

    const auto blocksBefore = blocks.load();

    for (int round = 0; round < 100; ++round)
        hosted->loadComponentState(round % 2 == 0 ? stateA : stateB);

    const auto blocksDuringLoads = blocks.load() - blocksBefore;
    stop = true;
    audio.join();

    EXPECT_TRUE(allFinite.load());
    EXPECT_GT(blocksDuringLoads, 0) << "the audio thread never ran while states were loading";
    EXPECT_EQ(split(hosted->componentState()).chunk, split(stateB).chunk);
}
