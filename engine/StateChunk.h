#pragma once

#include <juce_audio_processors/juce_audio_processors.h>

// The processor's saved state: the value-tree state's tree as one line of XML in JUCE's
// binary wrapper. Anything unreadable is ignored and leaves the state exactly as it was.
class StateChunk
{
public:
    static void write(juce::AudioProcessorValueTreeState& state, juce::MemoryBlock& destination);
    static void read(juce::AudioProcessorValueTreeState& state, const void* data, int sizeInBytes);

    // The document's tree that a read takes from the chunk, before it is made complete; an
    // invalid tree where the read changes nothing.
    static juce::ValueTree parse(const void* data, int sizeInBytes, const juce::Identifier& expectedType);

private:
    static void dropText(juce::XmlElement& element);
    static void makeValuesReadable(const juce::AudioProcessorValueTreeState& state, juce::ValueTree& tree);
    static juce::String withReadableExponent(const juce::String& text);
    static void appendParametersItLacks(juce::AudioProcessorValueTreeState& state, juce::ValueTree& tree);
    static juce::StringArray parameterIDsInTreeOrder(const juce::AudioProcessorValueTreeState& state);
};
