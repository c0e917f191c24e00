#include "BinaryData.h"
#include "EditorTestSupport.h"

namespace
{
struct Png
{
    juce::uint32 width = 0, height = 0;
    int bitDepth = 0, colourType = 0, interlace = -1;
    juce::StringArray chunks;
};

juce::uint32 bigEndian(const juce::uint8* bytes)
{
    return (juce::uint32) bytes[0] << 24 | (juce::uint32) bytes[1] << 16 | (juce::uint32) bytes[2] << 8 |
           bytes[3];
}

Png parsePng(const char* data, int size)
{
    Png png;
    const auto* bytes = reinterpret_cast<const juce::uint8*>(data);
    static const juce::uint8 signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (size < 8 || std::memcmp(bytes, signature, 8) != 0)
        return png;

    for (int offset = 8; offset + 12 <= size;)
    {
        const auto length = (int) bigEndian(bytes + offset);
        const juce::String type(reinterpret_cast<const char*>(bytes + offset + 4), 4);
        png.chunks.add(type);

        if (type == "IHDR")
        {
            png.width = bigEndian(bytes + offset + 8);
            png.height = bigEndian(bytes + offset + 12);
            png.bitDepth = bytes[offset + 16];
            png.colourType = bytes[offset + 17];
            png.interlace = bytes[offset + 20];
        }
        offset += 12 + length;
    }
    return png;
}

struct Resource
{
    const char* name;
    const char* data;
    int size;
    const char* file;
    juce::uint32 width, height;
    int expectedSize;
};

// The exact byte counts of the committed images; regenerating them with make_images.py must
// reproduce these files.
const Resource resources[] = {
    {"background", BinaryData::temp_binary_data_0, BinaryData::temp_binary_data_0Size, "background.png", 512,
     512, 10016},
    {"logo", BinaryData::temp_binary_data_3, BinaryData::temp_binary_data_3Size, "logo.png", 2000, 2000,
     40300},
    {"banner", BinaryData::temp_binary_data_4, BinaryData::temp_binary_data_4Size, "title_banner.png", 512,
     256, 1847},
};
} // namespace

TEST(EmbeddedImages, AreTheCommittedFilesByteForByte)
{
    for (const auto& resource : resources)
    {
        SCOPED_TRACE(resource.name);
        EXPECT_EQ(resource.size, resource.expectedSize);

        juce::MemoryBlock file;
        ASSERT_TRUE(juce::File(SORVANDEL_RESOURCES_DIR).getChildFile(resource.file).loadFileAsData(file));
        EXPECT_EQ(file, juce::MemoryBlock(resource.data, (size_t) resource.size));
    }
}

TEST(EmbeddedImages, AreEightBitRgbaPngsWithOnlyTheFourChunks)
{
    for (const auto& resource : resources)
    {
        SCOPED_TRACE(resource.name);
        const auto png = parsePng(resource.data, resource.size);
        EXPECT_EQ(png.width, resource.width);
        EXPECT_EQ(png.height, resource.height);
        EXPECT_EQ(png.bitDepth, 8);
        EXPECT_EQ(png.colourType, 6);
        EXPECT_EQ(png.interlace, 0);
        EXPECT_EQ(png.chunks, juce::StringArray({"IHDR", "pHYs", "IDAT", "IEND"}));
    }
}

TEST(EmbeddedImages, DecodeAtTheirPixelSizes)
{
    for (const auto& resource : resources)
    {
        const auto image = juce::ImageFileFormat::loadFrom(resource.data, (size_t) resource.size);
        ASSERT_TRUE(image.isValid()) << resource.name;
        EXPECT_EQ(image.getWidth(), (int) resource.width) << resource.name;
        EXPECT_EQ(image.getHeight(), (int) resource.height) << resource.name;
        EXPECT_TRUE(image.hasAlphaChannel()) << resource.name;
    }
}
