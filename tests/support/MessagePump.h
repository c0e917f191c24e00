#pragma once

#include <juce_events/juce_events.h>

// JUCE's own message pump step, which its plug-in wrappers use to run the loop by hand. Some of
// the framework's headers declare it too, depending on which modules a target pulls in. JUCE 7.0.5
// keeps it in juce, later versions in juce::detail.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wredundant-decls"
namespace juce
{
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
#pragma GCC diagnostic pop

// Runs the calling thread's message queue for a while, as a host's main loop does: timers, async
// updates and repaints. Call it on the message thread; it works with or without modal loops.
inline void pumpMessages(int milliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;

    while (juce::Time::getMillisecondCounter() < end)
        if (!juce::dispatchNextMessageOnSystemQueue(true))
            juce::Thread::sleep(1);
}
