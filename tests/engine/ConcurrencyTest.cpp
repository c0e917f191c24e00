#include "ConcurrentHost.h"
#include "PreparedProcessor.h"

#include <gtest/gtest.h>

// Run under ThreadSanitizer as well (ctest -L concurrency): a data race fails the run there even
// when every assertion here holds.

using namespace std::chrono_literals;

namespace
{
std::vector<float> rawValues(SorvandelAudioProcessor& processor)
{
    std::vector<float> values;
    for (auto* parameter : processor.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*>(parameter))
            values.push_back(processor.valueTreeState.getRawParameterValue(ranged->paramID)->load());
    return values;
}

// A chunk that a host could store and hand back: the wrapper, the length that matches it, and
// a parameter document naming every parameter once.
::testing::AssertionResult isWholeChunk(const juce::MemoryBlock& chunk)
{
    const auto size = chunk.getSize();
    const auto* bytes = static_cast<const char*>(chunk.getData());
    if (size < 9 || std::memcmp(bytes, "VC2!", 4) != 0 ||
        juce::ByteOrder::littleEndianInt(bytes + 4) != size - 9 || bytes[size - 1] != 0)
        return ::testing::AssertionFailure() << "no chunk wrapper around " << size << " bytes";

    const auto xml = juce::AudioProcessor::getXmlFromBinary(bytes, (int) size);
    if (xml == nullptr || !xml->hasTagName("PARAMETERS"))
        return ::testing::AssertionFailure() << "no parameter document";

    juce::StringArray ids;
    for (auto* element : xml->getChildIterator())
        ids.addIfNotAlreadyThere(element->getStringAttribute("id"));

    if (xml->getNumChildElements() != 24 || ids.size() != 24)
        return ::testing::AssertionFailure()
               << xml->getNumChildElements() << " elements for " << ids.size() << " parameters instead of 24";

    return ::testing::AssertionSuccess();
}

std::vector<juce::MemoryBlock> randomStates(int count, juce::int64 firstSeed)
{
    SorvandelAudioProcessor scratch;
    std::vector<juce::MemoryBlock> states;
    for (int i = 0; i < count; ++i)
        states.push_back(concurrent::randomState(scratch, firstSeed + i));
    return states;
}

using concurrent::load;
using concurrent::save;

struct RunSettings
{
    double sampleRate;
    int blockSize;
    int numChannels;
    juce::int64 seed;
};

// A fixed sequence of blocks, notes and parameter sets, applied on the calling thread the way
// the VST3 wrapper applies a block's parameter changes: just before the block.
juce::AudioBuffer<float> render(SorvandelAudioProcessor& processor, const RunSettings& run, int numBlocks)
{
    juce::Random random(run.seed);
    juce::AudioBuffer<float> output(run.numChannels, numBlocks * run.blockSize);
    juce::AudioBuffer<float> block(run.numChannels, run.blockSize);
    juce::MidiBuffer midi;

    for (int b = 0; b < numBlocks; ++b)
    {
        if (b % 16 == 0)
            concurrent::automateEveryParameter(processor, random);

        midi.clear();
        if (b % 7 == 0)
            midi.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), 0);
        if (b % 7 == 3)
            midi.addEvent(juce::MidiMessage::noteOff(1, 60), 0);

        for (int channel = 0; channel < run.numChannels; ++channel)
            for (int i = 0; i < run.blockSize; ++i)
                block.setSample(channel, i, random.nextFloat() - 0.5f);

        concurrent::processAsTheWrapperDoes(processor, block, midi, false);

        for (int channel = 0; channel < run.numChannels; ++channel)
            output.copyFrom(channel, b * run.blockSize, block, channel, 0, run.blockSize);
    }

    return output;
}

enum class StateCalls
{
    onMessageThread,
    onTheirOwnThread
};

// The host's state calls, made on the test's thread or on one of their own. The test's thread is
// the message thread and runs the value-tree state's timer, which copies parameter values into
// the tree, between the calls or while the other thread makes them.
template <typename Calls> void makeStateCalls(StateCalls where, Calls&& calls)
{
    if (where == StateCalls::onMessageThread)
    {
        calls([] { pumpMessages(1); });
        return;
    }

    std::atomic<bool> done{false};
    std::thread stateThread(
        [&]
        {
            calls([] {});
            done = true;
        });
    while (!done.load())
        pumpMessages(1);
    stateThread.join();
}

void processWhileAutomatedReloadedAndBypassed(StateCalls where)
{
    const concurrent::Watchdog watchdog(300s, "processing under automation, state loads and bypass");
    const juce::ScopedJuceInitialiser_GUI gui;
    constexpr int blockSize = 512;
    const auto states = randomStates(8, 100);
    const auto& lastState = states.back();

    PreparedProcessor p(48000.0, blockSize);
    std::atomic<bool> bypass{false};
    concurrent::AudioThread audio(p.processor, blockSize, 1, bypass);
    concurrent::Loop bypassSwitch(
        [&]
        {
            bypass = !bypass.load();
            std::this_thread::sleep_for(1ms);
        });

    {
        juce::Random firstRandom(2), secondRandom(3);
        concurrent::Loop firstAutomation([&]
                                         { concurrent::automateEveryParameter(p.processor, firstRandom); });
        concurrent::Loop secondAutomation([&]
                                          { concurrent::automateEveryParameter(p.processor, secondRandom); });

        makeStateCalls(where,
                       [&](auto&& between)
                       {
                           for (int round = 0; round < 160; ++round)
                           {
                               load(p.processor, states[(size_t) round % states.size()]);
                               const auto saved = save(p.processor);
                               EXPECT_TRUE(isWholeChunk(saved)) << "round " << round;
                               between();
                           }
                       });

        // Every thread has had its turn, whatever the scheduler favoured.
        firstAutomation.waitForMore(5);
        secondAutomation.waitForMore(5);
        audio.waitForMore(5);
    }

    // Automation has stopped; audio and Bypass go on while the host loads its last state.
    juce::MemoryBlock finalSave;
    makeStateCalls(where,
                   [&](auto&&)
                   {
                       load(p.processor, lastState);
                       audio.waitForMore(5);
                       finalSave = save(p.processor);
                   });
    pumpMessages(50);
    bypassSwitch.stop();
    audio.stop();

    EXPECT_TRUE(finalSave == lastState) << "the last state loaded is not what a save returns";
    EXPECT_TRUE(save(p.processor) == lastState) << "the value-tree state's timer changed the state";

    SorvandelAudioProcessor reference;
    load(reference, lastState);
    EXPECT_EQ(rawValues(p.processor), rawValues(reference));

    EXPECT_GE(audio.blocks(), 10u);
}
} // namespace

TEST(ConcurrencyProcessor, ProcessesWhileAutomatedReloadedAndBypassed)
{
    processWhileAutomatedReloadedAndBypassed(StateCalls::onMessageThread);
}

// Some hosts save and load state away from the message thread.
TEST(ConcurrencyProcessor, StateCallsFromAnotherThreadWhileTheMessageThreadRuns)
{
    processWhileAutomatedReloadedAndBypassed(StateCalls::onTheirOwnThread);
}

TEST(ConcurrencyProcessor, InstancesProcessingAtOnceMatchOneAtATime)
{
    const concurrent::Watchdog watchdog(300s, "several instances processing at once");
    constexpr int numBlocks = 48;
    const RunSettings runs[] = {
        {44100.0, 256, 2, 11}, {48000.0, 64, 1, 12}, {96000.0, 512, 2, 13}, {48000.0, 128, 2, 14}};
    const juce::ScopedJuceInitialiser_GUI gui;

    // Everything that is not per instance, such as a shared table or scratch buffer, would
    // make the instances disturb each other and the results differ from one-at-a-time runs.
    std::vector<juce::AudioBuffer<float>> alone;
    for (const auto& run : runs)
    {
        PreparedProcessor p(run.sampleRate, run.blockSize, run.numChannels);
        alone.push_back(render(p.processor, run, numBlocks));
    }

    std::vector<std::unique_ptr<PreparedProcessor>> instances;
    for (const auto& run : runs)
        instances.push_back(
            std::make_unique<PreparedProcessor>(run.sampleRate, run.blockSize, run.numChannels));

    std::vector<juce::AudioBuffer<float>> together(std::size(runs));
    {
        std::vector<std::thread> threads;
        for (size_t i = 0; i < std::size(runs); ++i)
            threads.emplace_back([&, i]
                                 { together[i] = render(instances[i]->processor, runs[i], numBlocks); });
        for (auto& thread : threads)
            thread.join();
    }

    for (size_t i = 0; i < std::size(runs); ++i)
        EXPECT_TRUE(signals::identical(together[i], alone[i])) << "instance " << i;
}
