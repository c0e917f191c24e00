#include "ChunkText.h"

#include <cstring>

std::string_view ChunkText::of(const void* data, int sizeInBytes)
{
    const auto text = layoutText(data, sizeInBytes);

    if (!isWellFormedUtf8(text) || !parserReadsSafely(text))
        return {};

    return text;
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

bool ChunkText::parserReadsSafely(std::string_view text)
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
