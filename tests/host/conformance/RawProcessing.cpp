#include "RawProcessing.h"

#include "Vst3Interfaces.h"

namespace rawProcessing
{
namespace
{
Steinberg::Vst::IComponent* componentOf(juce::AudioPluginInstance& instance)
{
    struct Finder : juce::ExtensionsVisitor
    {
        void visitVST3Client(const VST3Client& client) override { component = client.getIComponentPtr(); }

        Steinberg::Vst::IComponent* component = nullptr;
    };

    Finder finder;
    instance.getExtensions(finder);
    return finder.component;
}
} // namespace

bool setProcessing(HostedPlugin& plugin, bool processing)
{
    auto* component = componentOf(plugin.instance());

    if (component == nullptr)
        return false;

    void* queried = nullptr;

    if (component->queryInterface(Steinberg::Vst::IAudioProcessor::iid, &queried) != Steinberg::kResultOk)
        return false;

    auto* processor = static_cast<Steinberg::Vst::IAudioProcessor*>(queried);
    const auto result = processor->setProcessing(processing ? 1 : 0);
    processor->release();
    return result == Steinberg::kResultOk;
}
} // namespace rawProcessing
