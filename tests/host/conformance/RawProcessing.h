#pragma once

#include "HostedPlugin.h"

// What JUCE's hosting layer does not offer on its own: stopping and restarting processing
// while the component stays active, as hosts do on transport stops.
namespace rawProcessing
{
// IAudioProcessor::setProcessing on the plug-in's component. Returns whether it answered
// kResultOk (or kResultTrue, which is the same value).
bool setProcessing(HostedPlugin& plugin, bool processing);
} // namespace rawProcessing
