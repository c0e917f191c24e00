#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

// Sets a parameter to a value in its own units, the way a host does.
void setParameter(juce::AudioProcessorValueTreeState& state, const char* id, float value);

// What makes the DSP units work hardest: the costliest curve and line lengths, and both envelopes
// sweeping through skewed, resonant designs.
void applyHeaviestUnitSettings(juce::AudioProcessorValueTreeState& state);
