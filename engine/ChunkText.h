#pragma once

#include <juce_core/juce_core.h>

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// The XML text inside a state chunk in JUCE's binary wrapper, handed on only when the framework's
// XML parser can read it safely, and without the attributes an element repeats; anything else
// reads as no text at all.
class ChunkText
{
public:
    static std::string of(const void* data, int sizeInBytes);

private:
    explicit ChunkText(std::string_view textToScan)
        : text(textToScan)
    {
    }

    static std::string_view layoutText(const void* data, int sizeInBytes);
    static bool isWellFormedUtf8(std::string_view text);
    bool staysWithinParserLimits();
    std::string withoutRepeatedAttributes() const;
    size_t markupEnd(size_t i);
    size_t tagEnd(size_t i);
    size_t nameEnd(size_t i, bool isAttribute) const;
    static bool isNameCharacter(juce::juce_wchar c);
    static int sequenceLength(unsigned char lead);
    static juce::juce_wchar codePointAt(std::string_view text, size_t i, int& length);
    size_t quotedEnd(size_t i) const;
    size_t referenceEnd(size_t i) const;
    size_t skipSpace(size_t i) const;
    static bool isSpace(char c);

    std::string_view text;
    // The byte ranges of attributes that an element already has, each from the space before it.
    std::vector<std::pair<size_t, size_t>> repeatedAttributes;
    std::unordered_set<std::string_view> namesInTag;
};
