#include "BundleModule.h"
#include "FactoryReader.h"
#include "HostedPluginTest.h"
#include "Vst3Interfaces.h"

#include <gtest/gtest.h>

namespace
{
using ClassId = std::array<std::uint8_t, 16>;

constexpr ClassId componentId{0xAB, 0xCD, 0xEF, 0x01, 0x91, 0x82, 0xFA, 0xEB,
                              0x4D, 0x61, 0x6E, 0x75, 0x45, 0x67, 0x70, 0x7A};
constexpr ClassId controllerId{0xAB, 0xCD, 0xEF, 0x01, 0x12, 0x34, 0xAB, 0xCD,
                               0x4D, 0x61, 0x6E, 0x75, 0x45, 0x67, 0x70, 0x7A};

struct ExpectedClass
{
    ClassId id;
    std::string category;
    std::string subCategories;
};

// JUCE 7.0.5 ships VST3 SDK 3.7.2, which has no plug-in compatibility class; 7.0.6 brought the
// newer SDK and the third class with it.
#if JUCE_VERSION >= 0x70006
constexpr ClassId compatibilityId{0xAB, 0xCD, 0xEF, 0x01, 0xC0, 0xDE, 0xF0, 0x0D,
                                  0x4D, 0x61, 0x6E, 0x75, 0x45, 0x67, 0x70, 0x7A};

const std::vector<ExpectedClass> expectedClasses{
    {componentId, "Audio Module Class", "Fx"},
    {controllerId, "Component Controller Class", "Fx"},
    {compatibilityId, "Plugin Compatibility Class", ""},
};
#else
const std::vector<ExpectedClass> expectedClasses{
    {componentId, "Audio Module Class", "Fx"},
    {controllerId, "Component Controller Class", "Fx"},
};
#endif

std::string expectedSdkVersion()
{
#if JUCE_VERSION == 0x70005
    return "VST 3.7.2";
#elif JUCE_VERSION == 0x70009
    return "VST 3.7.8";
#else
    return Steinberg::Vst::kVstVersionString;
#endif
}

class Factory : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(module.isLoaded()) << module.error();
        auto read = readFactory(module);
        ASSERT_TRUE(read.has_value());
        info = *read;
    }

    BundleModule module{hostTest::bundleLibrary()};
    FactoryInfo info;
};
} // namespace

TEST_F(Factory, NamesTheMakerWithAnEmptyEmailAndUnicodeStrings)
{
    EXPECT_EQ(info.vendor, "Hennawick");
    EXPECT_EQ(info.url, "https://www.hennawick.example");
    EXPECT_EQ(info.email, "");
    EXPECT_EQ(info.flags, Steinberg::PFactoryInfo::kUnicode);
    EXPECT_TRUE(info.hasFactory2);
    EXPECT_TRUE(info.hasFactory3);
}

TEST_F(Factory, ListsItsClassesInOrderWithTheirExactIds)
{
    ASSERT_EQ(info.classes.size(), expectedClasses.size());

    for (std::size_t i = 0; i < expectedClasses.size(); ++i)
    {
        SCOPED_TRACE("class " + std::to_string(i));
        EXPECT_EQ(info.classes[i].classId, expectedClasses[i].id);
        EXPECT_EQ(info.classes[i].category, expectedClasses[i].category);
        EXPECT_EQ(info.classes[i].subCategories, expectedClasses[i].subCategories);
    }
}

TEST_F(Factory, EveryClassCarriesTheProductNameVendorAndVersions)
{
    ASSERT_FALSE(info.classes.empty());

    for (const auto& entry : info.classes)
    {
        SCOPED_TRACE(entry.category);
        EXPECT_EQ(entry.name, "Sorvandel");
        EXPECT_EQ(entry.unicodeName, "Sorvandel");
        EXPECT_EQ(entry.vendor, "Hennawick");
        EXPECT_EQ(entry.unicodeVendor, "Hennawick");
        EXPECT_EQ(entry.version, "1.0.0");
        EXPECT_EQ(entry.sdkVersion, expectedSdkVersion());
        EXPECT_EQ(entry.classFlags, 0u);
        EXPECT_EQ(entry.cardinality, Steinberg::PClassInfo::kManyInstances);
    }
}
