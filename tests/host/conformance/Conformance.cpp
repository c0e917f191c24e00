#include "Conformance.h"

#include <cstdio>
#include <cstdlib>

namespace conformance
{
namespace
{
constexpr std::uint32_t defaultSeed = 20240611u;

std::uint32_t readSeed()
{
    const auto* text = std::getenv("CONFORMANCE_SEED");
    const auto seed = text != nullptr ? (std::uint32_t) std::strtoul(text, nullptr, 0) : defaultSeed;
    std::printf("conformance seed: %u (set CONFORMANCE_SEED to change it)\n", seed);
    return seed;
}
} // namespace

std::uint32_t baseSeed()
{
    static const auto seed = readSeed();
    return seed;
}

std::int64_t seedFor(const std::string& purpose)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const auto name = std::string(info != nullptr ? info->test_suite_name() : "") + "." +
                      (info != nullptr ? info->name() : "") + "/" + purpose;
    return (std::int64_t) juce::DefaultHashFunctions::generateHash(juce::String(name), 0x7FFFFFFF) ^
           ((std::int64_t) baseSeed() << 20);
}

juce::File bundle()
{
    // The library sits in Contents/x86_64-linux inside the bundle's folder.
    return juce::File(SORVANDEL_BUNDLE_LIBRARY)
        .getParentDirectory()
        .getParentDirectory()
        .getParentDirectory();
}

juce::File corpusDirectory()
{
    return juce::File(SORVANDEL_FUZZ_CORPUS_DIR);
}

std::unique_ptr<HostedPlugin> load(double sampleRate, int maximumBlockSize)
{
    juce::String error;
    auto hosted = HostedPlugin::load(bundle(), sampleRate, maximumBlockSize, error);

    if (hosted == nullptr)
        ADD_FAILURE() << "could not load " << bundle().getFullPathName() << ": " << error;

    return hosted;
}

std::string rateName(double sampleRate)
{
    return std::to_string((int) sampleRate) + "Hz";
}

std::string blockName(int blockSize)
{
    return blockSize == varyingBlocks ? std::string("VaryingUpTo") + std::to_string(varyingMaximum)
                                      : "Block" + std::to_string(blockSize);
}
} // namespace conformance
