#pragma once

#include <juce_core/juce_core.h>

#include <string_view>

// The XML text inside a state chunk in JUCE's binary wrapper, handed on only when the framework's
// XML parser can read it safely; anything else reads as no text at all.
class ChunkText
{
public:
    static std::string_view of(const void* data, int sizeInBytes);

private:
    static std::string_view layoutText(const void* data, int sizeInBytes);
    static bool isWellFormedUtf8(std::string_view text);
    static bool staysWithinParserLimits(std::string_view text);
    static bool declaresUnicode(std::string_view declaration);
    static size_t markupEnd(std::string_view text, size_t i);
    static size_t tagEnd(std::string_view text, size_t i);
    static size_t nameEnd(std::string_view text, size_t i, bool isAttribute);
    static bool isNameCharacter(juce::juce_wchar c);
    static juce::juce_wchar codePointAt(std::string_view text, size_t i, int& length);
    static size_t quotedEnd(std::string_view text, size_t i);
    static size_t referenceEnd(std::string_view text, size_t i);
    static size_t skipSpace(std::string_view text, size_t i);
    static bool isSpace(char c);
};
