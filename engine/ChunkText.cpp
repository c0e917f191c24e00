#include "ChunkText.h"

#include <cstring>
#include <utility>

namespace
{
constexpr auto npos = std::string_view::npos;
} // namespace

std::string ChunkText::of(const void* data, int sizeInBytes)
{
    ChunkText chunk{layoutText(data, sizeInBytes)};

    if (!isWellFormedUtf8(chunk.text) || !chunk.staysWithinParserLimits())
        return {};

    return chunk.withoutRepeatedAttributes();
}

// A document that repeats an attribute gives a tree holding the name twice: the parameter takes
// the first value, but a save writes the last, so the next load would restore something else.
// Only the first is kept. Cutting the text is linear; taking repeats out of the tree costs a
// search of its properties for each one kept.
std::string ChunkText::withoutRepeatedAttributes() const
{
    std::string kept;
    size_t from = 0;

    for (const auto& [start, end] : repeatedAttributes)
    {
        kept.append(text.substr(from, start - from));
        from = end;
    }

    kept.append(text.substr(from));
    return kept;
}

std::string_view ChunkText::layoutText(const void* data, int sizeInBytes)
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

bool ChunkText::isWellFormedUtf8(std::string_view text)
{
    // Each character in its shortest form, no surrogate halves, nothing past U+10FFFF. The
    // framework's XML parser steps over the end of a broken sequence and reads past the chunk;
    // and where a name holds a character written in more bytes than it needs, the framework's
    // strings keep a count for the short form and the bytes of the long one, so the next save
    // writes a cut sequence that no load takes back. Such text is refused.
    for (size_t i = 0; i < text.size();)
    {
        const auto lead = (unsigned char) text[i];
        const int length = sequenceLength(lead);

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

// The framework's XML parser has limits that the documents the writer makes never reach: it
// never returns from a processing instruction inside an element that text follows; it reads past
// the end of a hexadecimal character reference that ends the document, and reads the name of an
// unknown entity again as a document; it builds elements and attributes from names that are not
// XML names, which its own elements refuse; and the tree takes an attribute named "base64:..."
// as binary data of whatever length it claims. The writer puts only the declaration before the root, escapes
// with the five named references and decimal ones, and writes names that came through this check, so a
// document outside those bounds is refused.
bool ChunkText::staysWithinParserLimits()
{
    auto i = skipSpace(0);

    // The parser steps over a declaration as over any instruction outside the root, never
    // reading the encoding it names: the text is UTF-8 whatever it says.
    if (text.compare(i, 5, "<?xml") == 0)
    {
        const auto end = text.find("?>", i);

        if (end == npos)
            return false;

        i = end + 2;
    }

    while (i < text.size())
    {
        if (text[i] == '&')
            i = referenceEnd(i);
        else if (text[i] == '<')
            i = markupEnd(i);
        else
            ++i;

        if (i == npos)
            return false;
    }

    return true;
}

// Where the comment, character data, closing tag or element that starts at i ends.
size_t ChunkText::markupEnd(size_t i)
{
    const auto after = [this](size_t from, std::string_view end)
    {
        const auto found = text.find(end, from);
        return found == npos ? npos : found + end.size();
    };

    if (text.compare(i, 4, "<!--") == 0)
        return after(i + 4, "-->");

    if (text.compare(i, 9, "<![CDATA[") == 0)
        return after(i + 9, "]]>");

    // The parser takes a closing tag cut short by the end of the document.
    if (text.compare(i, 2, "</") == 0)
        return juce::jmin(after(i + 2, ">"), text.size());

    if (text.compare(i, 2, "<?") == 0 || text.compare(i, 2, "<!") == 0)
        return npos;

    return tagEnd(i + 1);
}

size_t ChunkText::tagEnd(size_t i)
{
    i = nameEnd(skipSpace(i), false);
    namesInTag.clear();

    while (i != npos)
    {
        const auto attributeStart = i;
        i = skipSpace(i);

        if (text.compare(i, 2, "/>") == 0)
            return i + 2;

        if (text.compare(i, 1, ">") == 0)
            return i + 1;

        const auto nameStart = i;
        i = nameEnd(i, true);

        if (i == npos)
            return npos;

        const auto isRepeat = !namesInTag.insert(text.substr(nameStart, i - nameStart)).second;
        i = skipSpace(i);

        if (text.compare(i, 1, "=") != 0)
            return npos;

        i = quotedEnd(skipSpace(i + 1));

        if (isRepeat && i != npos)
            repeatedAttributes.emplace_back(attributeStart, i);
    }

    return npos;
}

// A name ends where the parser's own rule ends it (at the first character that is neither one of
// "_-:." nor what the C library calls a letter or digit), so the name checked here is the one it
// builds, and whatever stops it short is left to be read, and refused, as what follows the name.
size_t ChunkText::nameEnd(size_t i, bool isAttribute) const
{
    auto end = i;

    for (int length = 0; end < text.size() && isNameCharacter(codePointAt(text, end, length));)
        end += (size_t) length;

    const auto name = text.substr(i, end - i);

    // The tree reads an attribute whose name starts "base64:" as binary data, trusting the length
    // written before its first dot; the writer never makes one.
    if (!juce::XmlElement::isValidXmlName(juce::String::fromUTF8(name.data(), (int) name.size())) ||
        (isAttribute && name.substr(0, 7) == "base64:"))
        return npos;

    return end;
}

bool ChunkText::isNameCharacter(juce::juce_wchar c)
{
    return juce::CharacterFunctions::isLetterOrDigit(c) || c == '_' || c == '-' || c == ':' || c == '.';
}

// The bytes of a sequence that starts with lead, or 0 where no sequence may start with it.
int ChunkText::sequenceLength(unsigned char lead)
{
    return lead < 0x80 ? 1 : lead < 0xc2 ? 0 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : lead < 0xf5 ? 4 : 0;
}

// The code point at i of text already checked as UTF-8, and the bytes it takes: at least one, so
// that a scan always moves on.
juce::juce_wchar ChunkText::codePointAt(std::string_view text, size_t i, int& length)
{
    const auto lead = (unsigned char) text[i];
    length = juce::jmax(1, sequenceLength(lead));
    auto c = (juce::juce_wchar)(length == 1 ? lead : lead & (0x7f >> length));

    for (int k = 1; k < length; ++k)
        c = (c << 6) | ((unsigned char) text[i + (size_t) k] & 0x3f);

    return c;
}

size_t ChunkText::quotedEnd(size_t i) const
{
    if (i >= text.size() || (text[i] != '"' && text[i] != '\''))
        return npos;

    const auto quote = text[i];

    for (++i; i < text.size() && text[i] != quote;)
        i = text[i] == '&' ? referenceEnd(i) : i + 1;

    return i < text.size() ? i + 1 : npos;
}

// The five named references, or a decimal one.
size_t ChunkText::referenceEnd(size_t i) const
{
    const auto semicolon = text.find(';', i);

    if (semicolon == npos)
        return npos;

    const auto name = juce::String::fromUTF8(text.data() + i + 1, (int) (semicolon - i - 1));

    for (const char* known : {"amp", "quot", "apos", "lt", "gt"})
        if (name.equalsIgnoreCase(known))
            return semicolon + 1;

    const bool isDecimal =
        name.length() > 1 && name[0] == '#' && name.substring(1).containsOnly("0123456789");
    return isDecimal ? semicolon + 1 : npos;
}

size_t ChunkText::skipSpace(size_t i) const
{
    while (i < text.size() && isSpace(text[i]))
        ++i;

    return i;
}

bool ChunkText::isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
