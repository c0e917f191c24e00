#include "ComponentState.h"
#include "ConcurrentHost.h"
#include "HostedPluginTest.h"

#include <cstring>
#include <tuple>

namespace
{
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

juce::MemoryBlock chunkOf(const juce::MemoryBlock& state)
{
    const auto parts = componentState::split(state);
    return parts.has_value() ? parts->chunk : juce::MemoryBlock();
}
} // namespace

class HostedState : public HostedPluginTest
{
protected:
    void setAwayFromDefaults(HostedPlugin& plugin)
    {
        plugin.setParameter("delay", 0.5f);
        plugin.setParameter("feedback", 0.333f);
        plugin.setParameter("lowPass", PluginParameters::normalised("lowPass", 5000.0f));
        plugin.setParameter("distType", 1.0f);
        plugin.setParameter("ratio", 0.5f);
        plugin.setParameter("outputGain", PluginParameters::normalised("outputGain", -6.0f));
        hostTest::deliverChanges(plugin);
    }
};

TEST_F(HostedState, IsTheChunkFollowedByTheFrameworksBypassTrailer)
{
    const auto parts = componentState::split(hosted->componentState());
    ASSERT_TRUE(parts.has_value());

    const auto* chunk = static_cast<const unsigned char*>(parts->chunk.getData());
    ASSERT_EQ(parts->chunk.getSize(), 906u);
    EXPECT_EQ(std::memcmp(chunk, "VC2!", 4), 0);
    EXPECT_EQ(juce::ByteOrder::littleEndianInt(chunk + 4), 897u);
    EXPECT_EQ(chunk[905], 0);

    const auto text = juce::String::fromUTF8(reinterpret_cast<const char*>(chunk) + 8, 897);
    EXPECT_TRUE(text.startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?> <PARAMETERS><PARAM id=\"delay\" "
                                "value=\"0.0\"/><PARAM id=\"distType\" value=\"1.0\"/>"));
    EXPECT_TRUE(text.endsWith("</PARAMETERS>"));

    EXPECT_EQ(parts->privateData.getType().toString(), componentState::trailerMagic);
    ASSERT_TRUE(parts->privateData.hasProperty("Bypass"));
    EXPECT_FALSE((bool) parts->privateData.getProperty("Bypass"));

    hosted->setBypass(true);
    hostTest::deliverChanges(*hosted);
    const auto bypassed = componentState::split(hosted->componentState());
    ASSERT_TRUE(bypassed.has_value());
    EXPECT_TRUE((bool) bypassed->privateData.getProperty("Bypass"));
    EXPECT_EQ(bypassed->chunk, parts->chunk) << "Bypass belongs to the trailer, not the chunk";
}

TEST_F(HostedState, HostValuesAreLimitedSnappedAndSurviveARoundTripWithBypass)
{
    setAwayFromDefaults(*hosted);
    // A host may send values outside 0..1; they land on the range's ends.
    hosted->setParameter("inputGain", 1.5f);
    hosted->setParameter("hpfEnv", -0.5f);
    hosted->setBypass(true);
    hostTest::deliverChanges(*hosted);

    const auto saved = hosted->componentState();
    const auto chunk = chunkOf(saved);
    EXPECT_EQ(chunkValue(chunk, "delay"), "1250.0");
    EXPECT_EQ(chunkValue(chunk, "feedback"), "0.3299999833106995"); // 0.01f * 33, snapped in float
    EXPECT_EQ(chunkValue(chunk, "lowPass"), "5000.0");
    EXPECT_EQ(chunkValue(chunk, "distType"), "3.0");
    EXPECT_EQ(chunkValue(chunk, "ratio"), "9.0");
    EXPECT_EQ(chunkValue(chunk, "outputGain"), "-6.0");
    EXPECT_EQ(chunkValue(chunk, "inputGain"), "24.0");
    EXPECT_EQ(chunkValue(chunk, "hpfEnv"), "-20000.0");

    auto restored = hostTest::load(sampleRate, blockSize);
    ASSERT_NE(restored, nullptr);
    restored->loadComponentState(saved);

    // What the restored instance shows its host: the plug-in's limited, snapped values. (The
    // saving host still shows what it sent: the plug-in does not echo snapped values back.)
    const std::vector<std::tuple<const char*, float, const char*>> restoredValues{
        {"delay", 0.5f, "1250"},
        {"feedback", 0.01f * 33.0f, "0.33"},
        {"lowPass", PluginParameters::normalised("lowPass", 5000.0f), "5000.0"},
        {"distType", 1.0f, "3"},
        {"ratio", 8.0f / 15.0f, "9"},
        {"outputGain", PluginParameters::normalised("outputGain", -6.0f), "-6.0"},
        {"inputGain", 1.0f, "24.0"},
        {"hpfEnv", 0.0f, "-20000.00"},
    };

    for (const auto& [id, value, text] : restoredValues)
    {
        SCOPED_TRACE(id);
        EXPECT_NEAR(restored->parameter(id)->getValue(), value, 1.0e-6f);
        EXPECT_EQ(restored->parameter(id)->getCurrentValueAsText(), text);
    }

    EXPECT_EQ(restored->instance().getBypassParameter()->getValue(), 1.0f);
    EXPECT_EQ(restored->componentState(), saved);
}

// The framework's component state ends in its private data, that data's size and a closing
// text. A damaged or hostile state can claim a size larger than all the bytes there are; such a
// state must be ignored whole instead of being read outside its data.
TEST_F(HostedState, ATrailerClaimingMoreThanTheStateHoldsIsIgnored)
{
    const auto before = hosted->componentState();

    // The last claim reaches a terabyte before the data, where nothing is mapped, so that reading
    // there fails every time instead of finding some other allocation.
    for (const std::uint64_t claimed :
         {std::uint64_t(64), std::uint64_t(1) << 20, (std::uint64_t(1) << 40) + (1 << 20)})
    {
        const juce::MemoryBlock start(before.getData(), 16);
        hosted->loadComponentState(componentState::withTrailerClaiming(start, claimed));
        EXPECT_EQ(hosted->componentState(), before) << "claimed size " << claimed;
    }
}

// A host that restores a project from its message thread while its audio thread plays: the
// audio stays clean, and the plug-in ends up holding the state loaded last.
using ConcurrencyHostedState = HostedState;

TEST_F(ConcurrencyHostedState, LoadingStateWhileAudioRunsEndsOnTheLastState)
{
    setAwayFromDefaults(*hosted);
    const auto stateA = hosted->componentState();
    hosted->setParameter("delay", 0.1f);
    hosted->setParameter("lowPass", 0.9f);
    hosted->setParameter("dryWet", 0.25f);
    hostTest::deliverChanges(*hosted);
    const auto stateB = hosted->componentState();
    ASSERT_NE(stateA, stateB);

    concurrent::AudioThread audio([this](juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
                                  { hosted->process(buffer, midi); },
                                  2, blockSize, 1);
    audio.waitForMore(1);
    const auto blocksBefore = audio.blocks();

    for (int round = 0; round < 100; ++round)
        hosted->loadComponentState(round % 2 == 0 ? stateA : stateB);

    const auto blocksDuringLoads = audio.blocks() - blocksBefore;
    audio.stop();

    EXPECT_EQ(audio.uncleanBlocks(), 0u);
    EXPECT_GT(blocksDuringLoads, 0u) << "the audio thread never ran while states were loading";
    EXPECT_EQ(chunkOf(hosted->componentState()), chunkOf(stateB));
}
