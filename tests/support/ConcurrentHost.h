#pragma once

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

namespace juce
{
// JUCE's own message pump step, which its plug-in wrappers use to run the loop by hand. JUCE 7.0.5
// keeps it in juce, later versions in juce::detail.
#if JUCE_VERSION > 0x070005
namespace detail
{
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
} // namespace detail
using detail::dispatchNextMessageOnSystemQueue;
#else
bool dispatchNextMessageOnSystemQueue(bool returnIfNoPendingMessages);
#endif
} // namespace juce

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
// prepared maximum, with a note now and then, and Bypass as the host has it at that moment.
class AudioThread
{
public:
    AudioThread(juce::AudioProcessor& processorToRun, int maximumBlockSize, juce::int64 seed,
                const std::atomic<bool>& bypassSwitch)
        : processor(processorToRun)
        , maximumSamples(maximumBlockSize)
        , buffer(juce::jmax(processorToRun.getTotalNumInputChannels(),
                            processorToRun.getTotalNumOutputChannels()),
                 maximumBlockSize)
        , random(seed)
        , bypass(bypassSwitch)
        , loop([this] { processOneBlock(); })
    {
    }

    void stop() { loop.stop(); }
    std::size_t blocks() const { return loop.iterations(); }
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

        processAsTheWrapperDoes(processor, buffer, midi, bypass.load());
    }

    juce::AudioProcessor& processor;
    const int maximumSamples;
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
    juce::Random random;
    const std::atomic<bool>& bypass;
    Loop loop; // last: its thread starts once everything above exists
};

// Runs the message thread's queue for a while: timers, async updates and repaints.
inline void pumpMessages(int milliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;
    while (juce::Time::getMillisecondCounter() < end)
        if (!juce::dispatchNextMessageOnSystemQueue(true))
            juce::Thread::sleep(1);
}
} // namespace concurrent
