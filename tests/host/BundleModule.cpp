#include "BundleModule.h"

#include <dlfcn.h>

namespace
{
using ModuleEntryFunction = bool (*)(void*);
using ModuleExitFunction = bool (*)();
using GetFactoryFunction = Steinberg::IPluginFactory* (*) ();
} // namespace

BundleModule::BundleModule(const std::string& libraryPath)
{
    handle = dlopen(libraryPath.c_str(), RTLD_NOW | RTLD_LOCAL);

    if (handle == nullptr)
    {
        fail(dlerror());
        return;
    }

    auto* entry = reinterpret_cast<ModuleEntryFunction>(symbol("ModuleEntry"));

    if (entry == nullptr)
        fail("the library has no ModuleEntry");
    else if (!entry(handle))
        fail("ModuleEntry refused to initialise the module");
    else
        entered = true;
}

BundleModule::~BundleModule()
{
    if (entered)
        if (auto* exit = reinterpret_cast<ModuleExitFunction>(symbol("ModuleExit")))
            exit();

    if (handle != nullptr)
        dlclose(handle);
}

Steinberg::IPluginFactory* BundleModule::createFactory() const
{
    if (!entered)
        return nullptr;

    auto* getFactory = reinterpret_cast<GetFactoryFunction>(symbol("GetPluginFactory"));
    return getFactory != nullptr ? getFactory() : nullptr;
}

void* BundleModule::symbol(const char* name) const
{
    return handle != nullptr ? dlsym(handle, name) : nullptr;
}

void BundleModule::fail(const std::string& message)
{
    lastError = message;
}
