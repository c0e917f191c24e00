// The loader's text checks against the framework's XML parser itself: where the two must agree,
// each case is read by both, so a framework whose parser reads differently fails here.
#include "ChunkText.h"
#include "ChunkBytes.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>

namespace
{
const std::string document = R"(<PARAMETERS><PARAM id="delay" value="7"><a/></PARAM></PARAMETERS>)";

bool takes(const std::string& text, std::optional<juce::int32> length = {})
{
    const auto chunk = chunkOf(text, length);
    return !ChunkText::of(chunk.data(), (int) chunk.size()).empty();
}

bool frameworkReads(const std::string& text)
{
    return juce::parseXML(juce::String::fromUTF8(text.data(), (int) text.size())) != nullptr;
}

// Whether the framework's parser reads all of name as one attribute's name. Followed by an '='
// and no quote, the name is never built (so the parser's elements cannot object to it): the
// parser leaves the element there and reads what follows as its parent's text, which shows
// where the name ended.
bool frameworkReadsAsOneName(const std::string& name)
{
    const auto xml = juce::parseXML(juce::String::fromUTF8(("<p><r " + name + "=x/></p>").c_str()));
    return xml != nullptr && xml->getNumChildElements() == 2 && xml->getChildElement(1)->getText() == "x/>";
}

std::string utf8(juce::juce_wchar c)
{
    return juce::String::charToString(c).toStdString();
}

// What the C library calls a letter or digit depends on the locale's character classes; while
// this is in scope they are those of all of Unicode.
class UnicodeCharacterClasses
{
public:
    UnicodeCharacterClasses()
        : previous(std::setlocale(LC_CTYPE, nullptr))
        , isSet(std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr)
    {
    }

    ~UnicodeCharacterClasses() { std::setlocale(LC_CTYPE, previous.c_str()); }

    const std::string previous;
    const bool isSet;
};
} // namespace

// An attribute's name is taken when the framework's parser reads it whole and the framework's
// elements accept it, for every character first in the name and later in it.
TEST(ChunkText, TakesANameWhereTheFrameworkReadsItWholeAndItsElementsAcceptIt)
{
    const UnicodeCharacterClasses classes;
    ASSERT_TRUE(classes.isSet);
    std::vector<std::string> disagreements;
    const auto check = [&](const std::string& name)
    {
        const auto expected = frameworkReadsAsOneName(name) &&
                              juce::XmlElement::isValidXmlName(juce::String::fromUTF8(name.c_str()));

        if (takes("<p><r " + name + "=\"1\"/></p>") != expected && disagreements.size() < 20)
            disagreements.push_back(name);
    };

    for (juce::juce_wchar c = 1; c <= 0x10ffff; ++c)
    {
        if (c >= 0xd800 && c <= 0xdfff)
            continue;

        // Space before a name is not part of it, and a '>' there ends the tag.
        if (!juce::CharacterFunctions::isWhitespace(c) && c != '>')
            check(utf8(c) + "b");

        check("a" + utf8(c) + "b");
    }

    EXPECT_EQ(disagreements, std::vector<std::string>{});
}

// The parser takes "</" as the end of every element still open, with or without the rest of the
// closing tag.
TEST(ChunkText, TakesADocumentCutInAClosingTagWhereTheFrameworkReadsIt)
{
    for (auto start = document.find("</"); start != std::string::npos; start = document.find("</", start + 1))
        for (auto cut = start + 1; cut < document.find('>', start); ++cut)
        {
            const auto text = document.substr(0, cut);
            EXPECT_EQ(takes(text), frameworkReads(text)) << text;
        }
}

// Declarations, comments, character data and space around an attribute's '=' are taken where
// the parser reads them; it reads the text as UTF-8 whatever a declaration names.
TEST(ChunkText, TakesTheMarkupAroundElementsWhereTheFrameworkReadsIt)
{
    std::vector<std::string> texts;

    for (const std::string declaration :
         {R"(<?xml version="1.0" encoding="UTF-8"?>)", R"( <?xml version="1.0"?> )",
          R"(<?xml version="1.0" encoding="ISO-8859-1"?>)", R"(<?xml encoding = "latin1" ?>)",
          R"(<?xml encoding="utf-16"?>)", R"(<?xml version="1.0" encoding="UTF-8")", "<?xml?"})
        texts.push_back(declaration + document);

    for (const std::string inside :
         {R"(<!-- <a> --><PARAM id = "delay" value= '7'/><![CDATA[<x&y>]]>)", "<!-- <a/>", "<![CDATA[<a/>"})
        texts.push_back("<PARAMETERS>" + inside + "</PARAMETERS>");

    for (const auto& text : texts)
        EXPECT_EQ(takes(text), frameworkReads(text)) << text;
}

// Each character in its shortest form, no surrogate halves, nothing past U+10FFFF.
TEST(ChunkText, TakesWellFormedUtf8Only)
{
    const std::pair<const char*, bool> sequences[] = {
        {"\x7f", true},
        {"\x80", false},
        {"\xc1\xbf", false},
        {"\xc2\x80", true},
        {"\xdf\xbf", true},
        {"\xdf", false},
        {"\xe0\x80\x80", false},
        {"\xe0\x9f\xbf", false},
        {"\xe0\xa0\x80", true},
        {"\xe2\x82", false},
        {"\xe2\x28\xac", false},
        {"\xe2\x82\x28", false},
        {"\xed\x9f\xbf", true},
        {"\xed\xa0\x80", false},
        {"\xed\xbf\xbf", false},
        {"\xee\x80\x80", true},
        {"\xef\xbf\xbf", true},
        {"\xf0\x80\x80\x80", false},
        {"\xf0\x8f\xbf\xbf", false},
        {"\xf0\x90\x80\x80", true},
        {"\xf0\x90\x28\x80", false},
        {"\xf0\x90\x80\x28", false},
        {"\xf4\x8f\xbf\xbf", true},
        {"\xf4\x90\x80\x80", false},
        {"\xf5\x80\x80\x80", false},
        {"\xff", false},
    };

    for (const auto& [sequence, wellFormed] : sequences)
    {
        const auto hex = juce::String::toHexString(sequence, (int) std::strlen(sequence));
        EXPECT_EQ(takes(R"(<PARAMETERS note=")" + std::string(sequence) + "\"/>"), wellFormed) << hex;
        // At the very end, a sequence cut short there must not be read past, nor one that the
        // length field cuts short with the rest of it still in the chunk.
        const auto atTheEnd = "<PARAMETERS/>" + std::string(sequence);
        EXPECT_EQ(takes(atTheEnd), wellFormed) << hex;

        if (wellFormed && std::strlen(sequence) > 1)
        {
            EXPECT_FALSE(takes(atTheEnd, (juce::int32) atTheEnd.size() - 1)) << hex;
        }
    }
}
