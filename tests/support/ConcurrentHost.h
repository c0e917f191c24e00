#pragma once

#include "MessagePump.h"
#include "Signals.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

// Pieces for driving a processor from several threads at once, the way a host does.
namespace concurrent
{
// A deadlocked thread can be neither joined nor abandoned, so a test that has not finished in
// time ends the whole run with a message instead of hanging until ctest gives up.
class Watchdog
{
public:
    Watchdog(std::chrono::seconds limit, std::string what)
        : guard(
              [this, limit, what = std::move(what)]
              {
                  std::unique_lock<std::mutex> lock(mutex);
                  if (!finished.wait_for(lock, limit, [this] { return done; }))
                  {
                      std::fprintf(stderr, "Deadlock: %s did not finish within %d s\n", what.c_str(),
                                   (int) limit.count());
                      std::abort();
                  }
              })
    {
    }

    ~Watchdog()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        finished.notify_one();
        guard.join();
    }

    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    std::thread guard;
};

// Runs one step over and over on a thread of its own until it is stopped.
class Loop
{
public:
    explicit Loop(std::function<void()> stepToRepeat)
        : step(std::move(stepToRepeat))
        , thread(
              [this]
              {
                  while (!stopRequested.load())
                  {
                      step();
                      ++count;
                  }
              })
    {
    }

    ~Loop() { stop(); }

    Loop(const Loop&) = delete;
    Loop& operator=(const Loop&) = delete;

    void stop()
    {
        stopRequested = true;
        if (thread.joinable())
            thread.join();
    }

    std::size_t iterations() const { return count.load(); }

    // Lets the loop run at least this many more steps; used so that every thread has had its
    // turn whatever the scheduler favoured.
    void waitForMore(std::size_t steps) const
    {
        const auto target = count.load() + steps;
        while (count.load() < target && !stopRequested.load())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

private:
    std::function<void()> step;
    std::atomic<bool> stopRequested{false};
    std::atomic<std::size_t> count{0};
    std::thread thread;
};

// One block as the VST3 wrapper runs it: under the processor's callback lock, with the
// framework's bypass processing in place of processBlock while the host's Bypass is on.
inline void processAsTheWrapperDoes(juce::AudioProcessor& processor, juce::AudioBuffer<float>& buffer,
                                    juce::MidiBuffer& midi, bool bypassed)
{
    const juce::ScopedLock lock(processor.getCallbackLock());

    if (bypassed)
        processor.processBlockBypassed(buffer, midi);
    else
        processor.processBlock(buffer, midi);
}

// Moves every parameter to a random value the way a host's automation does: set the value and
// notify the listeners.
inline void automateEveryParameter(juce::AudioProcessor& processor, juce::Random& random)
{
    for (auto* parameter : processor.getParameters())
        parameter->setValueNotifyingHost(random.nextFloat());
}

// The host's state calls: a project saved, and one loaded back.
inline juce::MemoryBlock save(juce::AudioProcessor& processor)
{
    juce::MemoryBlock state;
    processor.getStateInformation(state);
    return state;
}

inline void load(juce::AudioProcessor& processor, const juce::MemoryBlock& state)
{
    processor.setStateInformation(state.getData(), (int) state.getSize());
}

// A state chunk saved from a processor whose parameters were all moved to random values.
inline juce::MemoryBlock randomState(juce::AudioProcessor& scratch, juce::int64 seed)
{
    juce::Random random(seed);
    automateEveryParameter(scratch, random);
    return save(scratch);
}

// The audio thread of a host: block after block of noise, of a varying length up to the
// maximum, with a note now and then, each handed to the process step. It counts the blocks that
// came back holding a sample that is not a finite number.
class AudioThread
{
public:
    using Process = std::function<void(juce::AudioBuffer<float>&, juce::MidiBuffer&)>;

    AudioThread(Process processStep, int numChannels, int maximumBlockSize, juce::int64 seed)
        : process(std::move(processStep))
        , maximumSamples(maximumBlockSize)
        , buffer(numChannels, maximumBlockSize)
        , random(seed)
        , loop([this] { processOneBlock(); })
    {
    }

    // An in-process processor, run as the VST3 wrapper runs it, with Bypass as the host has it
    // at that moment.
    AudioThread(juce::AudioProcessor& processor, int maximumBlockSize, juce::int64 seed,
                const std::atomic<bool>& bypass)
        : AudioThread([&processor, &bypass](juce::AudioBuffer<float>& block, juce::MidiBuffer& events)
                      { processAsTheWrapperDoes(processor, block, events, bypass.load()); },
                      juce::jmax(processor.getTotalNumInputChannels(), processor.getTotalNumOutputChannels()),
                      maximumBlockSize, seed)
    {
    }

    void stop() { loop.stop(); }
    std::size_t blocks() const { return loop.iterations(); }
    std::size_t uncleanBlocks() const { return unclean.load(); }
    void waitForMore(std::size_t count) const { loop.waitForMore(count); }

private:
    void processOneBlock()
    {
        const auto numSamples = random.nextInt(maximumSamples + 1);
        buffer.setSize(buffer.getNumChannels(), numSamples, false, false, true);

        for (int channel = 0; channel < buffer.getNumChannels(); ++channel)
            for (int i = 0; i < numSamples; ++i)
                buffer.setSample(channel, i, random.nextFloat() - 0.5f);

        midi.clear();
        if (random.nextInt(8) == 0)
            midi.addEvent(juce::MidiMessage::noteOn(1 + random.nextInt(16), 60, (juce::uint8) 100), 0);
        else if (random.nextInt(8) == 0)
            midi.addEvent(juce::MidiMessage::noteOff(1, 60), 0);

        process(buffer, midi);

        if (!signals::allFinite(buffer))
            ++unclean;
    }

    const Process process;
    const int maximumSamples;
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
    juce::Random random;
    std::atomic<std::size_t> unclean{0};
    Loop loop; // last: its thread starts once everything above exists
};
} // namespace concurrent
