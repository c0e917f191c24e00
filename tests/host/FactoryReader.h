#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class BundleModule;

// One class entry of a VST3 factory, as IPluginFactory, IPluginFactory2 and IPluginFactory3
// report it.
struct FactoryClassInfo
{
    std::array<std::uint8_t, 16> classId{};
    std::int32_t cardinality = 0;
    std::string category;
    std::string name;

    // From IPluginFactory2.
    std::string subCategories;
    std::string vendor;
    std::string version;
    std::string sdkVersion;
    std::uint32_t classFlags = 0;

    // From IPluginFactory3, converted from UTF-16.
    std::string unicodeName;
    std::string unicodeVendor;
};

struct FactoryInfo
{
    std::string vendor;
    std::string url;
    std::string email;
    std::int32_t flags = 0;
    bool hasFactory2 = false;
    bool hasFactory3 = false;
    std::vector<FactoryClassInfo> classes;
};

// Reads everything a host learns from the factory before it creates any object.
std::optional<FactoryInfo> readFactory(const BundleModule& module);
