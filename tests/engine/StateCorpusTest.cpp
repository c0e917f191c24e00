#include "PreparedProcessor.h"

#include <gtest/gtest.h>

namespace
{
juce::MemoryBlock save(SorvandelAudioProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation(block);
    return block;
}
} // namespace

// Each seed of the state fuzzer, as a host restoring it: load, save, play a block.
TEST(StateCorpus, EverySeedLoadsSavesAndPlaysSafely)
{
    const juce::File corpus(SORVANDEL_FUZZ_CORPUS);
    const auto seeds = corpus.findChildFiles(juce::File::findFiles, false, "*");
    ASSERT_GE(seeds.size(), 10);

    for (const auto& seed : seeds)
    {
        SCOPED_TRACE(seed.getFileName());
        juce::MemoryBlock data;
        ASSERT_TRUE(seed.loadFileAsData(data));

        PreparedProcessor p(44100.0, 64);
        p.processor.setStateInformation(data.getData(), (int) data.getSize());

        const auto saved = save(p.processor);
        ASSERT_GE(saved.getSize(), 9u);
        EXPECT_EQ(juce::ByteOrder::littleEndianInt(saved.getData()), 0x21324356u);
        EXPECT_EQ(juce::ByteOrder::littleEndianInt(static_cast<const char*>(saved.getData()) + 4),
                  saved.getSize() - 9);

        PreparedProcessor restored(44100.0, 64);
        restored.processor.setStateInformation(saved.getData(), (int) saved.getSize());
        EXPECT_EQ(save(restored.processor), saved);

        auto buffer = signals::noise(2, 64, 1);
        auto midi = noteOn();
        p.process(buffer, midi);
        EXPECT_TRUE(signals::allFinite(buffer));
    }
}
