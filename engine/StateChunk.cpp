#include "StateChunk.h"

#include "ChunkText.h"

#include <set>

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

    makeValuesReadable(state, tree);
    appendParametersItLacks(state, tree);
    state.replaceState(tree);
}

juce::ValueTree StateChunk::parse(const void* data, int sizeInBytes, const juce::Identifier& expectedType)
{
    const auto text = ChunkText::of(data, sizeInBytes);

    if (text.empty())
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
    std::set<juce::String> mentioned;

    for (const auto& child : tree)
        mentioned.insert(child.getProperty(idProperty).toString());

    for (const auto& parameterID : parameterIDsInTreeOrder(state))
    {
        if (mentioned.count(parameterID) > 0)
            continue;

        juce::ValueTree element{parameterType};
        element.setProperty(idProperty, parameterID, nullptr);
        element.setProperty(valueProperty, (double) state.getRawParameterValue(parameterID)->load(), nullptr);
        tree.appendChild(element, nullptr);
    }
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
