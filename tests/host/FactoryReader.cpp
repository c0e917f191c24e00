#include "FactoryReader.h"

#include "BundleModule.h"
#include "Vst3Interfaces.h"

#include <algorithm>
#include <cstring>

using namespace Steinberg;

namespace
{
template <std::size_t size> std::string text(const char8 (&field)[size])
{
    return {field, strnlen(field, size)};
}

template <std::size_t size> std::string text(const char16 (&field)[size])
{
    std::size_t length = 0;
    while (length < size && field[length] != 0)
        ++length;

    return juce::String(
               juce::CharPointer_UTF16(reinterpret_cast<const juce::CharPointer_UTF16::CharType*>(field)),
               length)
        .toStdString();
}

template <typename Interface> Interface* queryFactory(IPluginFactory& factory)
{
    void* result = nullptr;

    if (factory.queryInterface(Interface::iid, &result) != kResultOk)
        return nullptr;

    return static_cast<Interface*>(result);
}

struct Releaser
{
    void operator()(FUnknown* object) const { object->release(); }
};

template <typename Interface> using Owned = std::unique_ptr<Interface, Releaser>;

FactoryClassInfo readClass(IPluginFactory& factory, IPluginFactory2* factory2, IPluginFactory3* factory3,
                           int32 index)
{
    FactoryClassInfo result;

    PClassInfo info;
    if (factory.getClassInfo(index, &info) == kResultOk)
    {
        std::copy(std::begin(info.cid), std::end(info.cid), result.classId.begin());
        result.cardinality = info.cardinality;
        result.category = text(info.category);
        result.name = text(info.name);
    }

    PClassInfo2 info2;
    if (factory2 != nullptr && factory2->getClassInfo2(index, &info2) == kResultOk)
    {
        result.subCategories = text(info2.subCategories);
        result.vendor = text(info2.vendor);
        result.version = text(info2.version);
        result.sdkVersion = text(info2.sdkVersion);
        result.classFlags = info2.classFlags;
    }

    PClassInfoW infoW;
    if (factory3 != nullptr && factory3->getClassInfoUnicode(index, &infoW) == kResultOk)
    {
        result.unicodeName = text(infoW.name);
        result.unicodeVendor = text(infoW.vendor);
    }

    return result;
}
} // namespace

std::optional<FactoryInfo> readFactory(const BundleModule& module)
{
    Owned<IPluginFactory> factory(module.createFactory());

    if (factory == nullptr)
        return std::nullopt;

    FactoryInfo result;

    PFactoryInfo info;
    if (factory->getFactoryInfo(&info) != kResultOk)
        return std::nullopt;

    result.vendor = text(info.vendor);
    result.url = text(info.url);
    result.email = text(info.email);
    result.flags = info.flags;

    Owned<IPluginFactory2> factory2(queryFactory<IPluginFactory2>(*factory));
    Owned<IPluginFactory3> factory3(queryFactory<IPluginFactory3>(*factory));
    result.hasFactory2 = factory2 != nullptr;
    result.hasFactory3 = factory3 != nullptr;

    for (int32 index = 0; index < factory->countClasses(); ++index)
        result.classes.push_back(readClass(*factory, factory2.get(), factory3.get(), index));

    return result;
}
