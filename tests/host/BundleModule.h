#pragma once

#include <string>

namespace Steinberg
{
class IPluginFactory;
}

// A bundle's shared library loaded the way a Linux VST3 host loads it: dlopen, then ModuleEntry
// before anything else and ModuleExit after everything else.
class BundleModule
{
public:
    // Loads the library; check isLoaded() and error() before using it.
    explicit BundleModule(const std::string& libraryPath);
    ~BundleModule();

    BundleModule(const BundleModule&) = delete;
    BundleModule& operator=(const BundleModule&) = delete;

    bool isLoaded() const { return entered; }
    const std::string& error() const { return lastError; }

    // A new reference to the module's factory, or null. The caller releases it.
    Steinberg::IPluginFactory* createFactory() const;

private:
    void* symbol(const char* name) const;
    void fail(const std::string& message);

    void* handle = nullptr;
    bool entered = false;
    std::string lastError;
};
