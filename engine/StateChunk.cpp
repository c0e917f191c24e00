#include "StateChunk.h"

#include <cstring>

namespace
{
const juce::Identifier idProperty{"id"};
const juce::Identifier valueProperty{"value"};
const juce::Identifier parameterType{"PARAM"};
} // namespace

void StateChunk::write(juce::AudioProcessorValueTreeState& state, juce::MemoryBlock& destination)
{
    if (auto xml = state.copyState().createXml())
        juce::AudioProcessor::copyXmlToBinary(*xml, destination);
}

void StateChunk::read(juce::AudioProcessorValueTreeState& state, const void* data, int sizeInBytes)
{
    auto tree = parse(data, sizeInBytes, state.state.getType());

    if (!tree.isValid())
        return;

    keepFirstOfRepeatedAttributes(tree);
    makeValuesReadable(state, tree);
    appendParametersItLacks(state, tree);
    state.replaceState(tree);
}

juce::ValueTree StateChunk::parse(const void* data, int sizeInBytes, const juce::Identifier& expectedType)
{
    const auto text = textOf(data, sizeInBytes);

    if (text.empty() || !isWellFormedUtf8(text) || !parserReadsSafely(text))
        return {};

    const auto xml = juce::parseXML(juce::String::fromUTF8(text.data(), (int) text.length()));

    // The tag is compared ignoring case (a tree saved as "parameters" still loads), and the
    // tag is kept as written.
    if (xml == nullptr || !xml->getTagName().equalsIgnoreCase(expectedType.toString()))
        return {};

    dropText(*xml);
    return juce::ValueTree::fromXml(*xml);
}

// A tree holds no text, and the framework's conversion leaves out text between elements only
// after asserting that there is none; it is left out here first, which reads the same tree.
void StateChunk::dropText(juce::XmlElement& element)
{
    element.deleteAllTextElements();

    for (auto* child : element.getChildIterator())
        dropText(*child);
}

bool StateChunk::isWellFormedUtf8(std::string_view text)
{
    // Each character in its shortest form, no surrogate halves, nothing past U+10FFFF. The
    // framework's XML parser steps over the end of a broken sequence and reads past the chunk;
    // and where a name holds a character written in more bytes than it needs, the framework's
    // strings keep a count for the short form and the bytes of the long one, so the next save
    // writes a cut sequence that no load takes back. Such text is refused.
    for (size_t i = 0; i < text.size();)
    {
        const auto lead = (unsigned char) text[i];
        const int length = lead < 0x80   ? 1
                           : lead < 0xc2 ? 0
                           : lead < 0xe0 ? 2
                           : lead < 0xf0 ? 3
                           : lead < 0xf5 ? 4
                                         : 0;

        if (length == 0 || text.size() - i < (size_t) length)
            return false;

        if (length > 1)
        {
            // The second byte's range rules out the long forms, the surrogate halves and the
            // code points past the last; the others only continue the sequence.
            const auto second = (unsigned char) text[i + 1];
            const unsigned char lowest = lead == 0xe0 ? 0xa0 : lead == 0xf0 ? 0x90 : 0x80;
            const unsigned char highest = lead == 0xed ? 0x9f : lead == 0xf4 ? 0x8f : 0xbf;

            if (second < lowest || second > highest)
                return false;

            for (int k = 2; k < length; ++k)
                if (((unsigned char) text[i + (size_t) k] & 0xc0) != 0x80)
                    return false;
        }

        i += (size_t) length;
    }

    return true;
}

bool StateChunk::parserReadsSafely(std::string_view text)
{
    // The framework's XML parser never returns from a processing instruction inside an element
    // that text follows, and a document type's entities can expand to one. A hexadecimal
    // character reference that runs to the end of what it reads (the document, or the name of
    // an unknown entity, which it reads again as a document) makes it read past that end. The
    // writer puts none of these in a chunk: it writes only the declaration before the root,
    // declares no type and writes characters in decimal, so a document with any is refused.
    const auto start = text.find_first_not_of(" \t\r\n");
    const auto holds = [text](const char* part) { return text.find(part) != std::string_view::npos; };

    return start == std::string_view::npos || (text.find("<?", start + 1) == std::string_view::npos &&
                                               !holds("<!DOCTYPE") && !holds("&#x") && !holds("&#X"));
}

std::string_view StateChunk::textOf(const void* data, int sizeInBytes)
{
    // The layout of JUCE's binary XML wrapper: magic, the text's length, the text, a 0 byte.
    constexpr juce::uint32 magic = 0x21324356;

    if (data == nullptr || sizeInBytes < 9 || juce::ByteOrder::littleEndianInt(data) != magic)
        return {};

    const auto length = (int) juce::ByteOrder::littleEndianInt(juce::addBytesToPointer(data, 4));

    if (length <= 0)
        return {};

    // Only the bytes present count, and a 0 byte ends the text for the parser.
    const auto* text = static_cast<const char*>(data) + 8;
    const auto available = (size_t) juce::jmin(length, sizeInBytes - 8);
    const auto* end = static_cast<const char*>(std::memchr(text, 0, available));
    return {text, end != nullptr ? (size_t) (end - text) : available};
}

void StateChunk::keepFirstOfRepeatedAttributes(juce::ValueTree& tree)
{
    // A document that repeats an attribute gives a tree holding the name twice: the parameter
    // takes the first value, but a save writes the last, so the next load would restore
    // something else. Only the first is kept.
    juce::Array<juce::Identifier> names;
    bool repeated = false;

    for (int i = 0; i < tree.getNumProperties(); ++i)
        repeated = !names.addIfNotAlreadyThere(tree.getPropertyName(i)) || repeated;

    if (repeated)
    {
        juce::Array<juce::var> values;
        for (const auto& name : names)
            values.add(tree.getProperty(name));

        tree.removeAllProperties(nullptr);
        for (int i = 0; i < names.size(); ++i)
            tree.setProperty(names[i], values[i], nullptr);
    }

    for (auto child : tree)
        keepFirstOfRepeatedAttributes(child);
}

void StateChunk::makeValuesReadable(const juce::AudioProcessorValueTreeState& state, juce::ValueTree& tree)
{
    for (auto child : tree)
    {
        if (!child.hasProperty(valueProperty) ||
            state.getParameter(child.getProperty(idProperty).toString()) == nullptr)
            continue;

        const auto written = child.getProperty(valueProperty).toString();
        const auto readable = withReadableExponent(written);

        // The framework reads the text "nan" as NaN, and a parameter's range lets NaN through:
        // the reverb would then index its lines with it. Such a value is read like any other
        // text without a number, as 0, which the range then limits.
        if (std::isnan(readable.getFloatValue()))
            child.setProperty(valueProperty, 0.0, nullptr);
        else if (readable != written)
            child.setProperty(valueProperty, readable, nullptr);
    }
}

juce::String StateChunk::withReadableExponent(const juce::String& text)
{
    // The framework's number reading gathers an exponent's digits in an int, which a tenth
    // digit past the leading zeros can overflow. Any exponent of that size puts the number past
    // a double's range, whatever mantissa a chunk can hold, so nine nines read the same. The
    // walk follows the reading: whitespace, a sign, digits with one point, then the exponent.
    auto p = text.getCharPointer().findEndOfWhitespace();

    if (*p == '-' || *p == '+')
        ++p;

    bool digits = false, point = false;

    for (;; ++p)
    {
        if (p.isDigit())
            digits = true;
        else if (*p == '.' && !point)
            point = true;
        else
            break;
    }

    if (!digits || (*p != 'e' && *p != 'E'))
        return text;

    ++p;

    if (*p == '-' || *p == '+')
        ++p;

    const auto exponentStart = p;
    int significant = 0;

    for (; p.isDigit(); ++p)
        if (*p != '0' || significant > 0)
            ++significant;

    if (significant <= 9)
        return text;

    return juce::String(text.getCharPointer(), exponentStart) + "999999999" + juce::String(p);
}

void StateChunk::appendParametersItLacks(juce::AudioProcessorValueTreeState& state, juce::ValueTree& tree)
{
    // Left to itself, the value-tree state gives a parameter that the document lacks a fresh
    // element without a value, which resets the parameter to its default. An older or partial
    // document must not change what it does not mention, so such a parameter gets its element
    // here, holding its current value.
    for (const auto& parameterID : parameterIDsInTreeOrder(state))
    {
        if (hasParameter(tree, parameterID))
            continue;

        juce::ValueTree element{parameterType};
        element.setProperty(idProperty, parameterID, nullptr);
        element.setProperty(valueProperty, (double) state.getRawParameterValue(parameterID)->load(), nullptr);
        tree.appendChild(element, nullptr);
    }
}

bool StateChunk::hasParameter(const juce::ValueTree& tree, const juce::String& parameterID)
{
    for (const auto& child : tree)
        if (child.getProperty(idProperty).toString() == parameterID)
            return true;

    return false;
}

juce::StringArray StateChunk::parameterIDsInTreeOrder(const juce::AudioProcessorValueTreeState& state)
{
    // The value-tree state keeps its parameters sorted by ID in code-point order, and a
    // missing element is appended in that order.
    juce::StringArray ids;

    for (auto* parameter : state.processor.getParameters())
        if (auto* withID = dynamic_cast<juce::RangedAudioParameter*>(parameter))
            if (state.getParameter(withID->paramID) != nullptr)
                ids.add(withID->paramID);

    std::sort(ids.begin(), ids.end(),
              [](const juce::String& a, const juce::String& b) { return a.compare(b) < 0; });
    return ids;
}
