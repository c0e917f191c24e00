#include "HostedPlugin.h"

#include "Vst3Interfaces.h"

using namespace Steinberg;

namespace
{
const char* const stateTag = "VST3PluginState";
const char* const componentStateTag = "IComponent";

std::string text(const Vst::String128& field)
{
    return juce::String(
               juce::CharPointer_UTF16(reinterpret_cast<const juce::CharPointer_UTF16::CharType*>(field)))
        .toStdString();
}

template <typename Interface> struct Queried
{
    explicit Queried(FUnknown* object)
    {
        void* result = nullptr;

        if (object != nullptr && object->queryInterface(Interface::iid, &result) == kResultOk)
            pointer = static_cast<Interface*>(result);
    }

    ~Queried()
    {
        if (pointer != nullptr)
            pointer->release();
    }

    Queried(const Queried&) = delete;
    Queried& operator=(const Queried&) = delete;

    Interface* operator->() const { return pointer; }
    explicit operator bool() const { return pointer != nullptr; }

    Interface* pointer = nullptr;
};

Vst::IComponent* rawComponent(const juce::AudioPluginInstance& instance)
{
    struct ComponentFinder : juce::ExtensionsVisitor
    {
        void visitVST3Client(const VST3Client& client) override { component = client.getIComponentPtr(); }

        Vst::IComponent* component = nullptr;
    };

    ComponentFinder finder;
    instance.getExtensions(finder);
    jassert(finder.component != nullptr);
    return finder.component;
}

Vst::MediaType toVst(HostedPlugin::Media media)
{
    return media == HostedPlugin::Media::audio ? Vst::kAudio : Vst::kEvent;
}

Vst::BusDirection toVst(HostedPlugin::Direction direction)
{
    return direction == HostedPlugin::Direction::input ? Vst::kInput : Vst::kOutput;
}
} // namespace

std::unique_ptr<HostedPlugin> HostedPlugin::load(const juce::File& bundle, double sampleRate, int blockSize,
                                                 juce::String& error)
{
    juce::VST3PluginFormat format;
    juce::OwnedArray<juce::PluginDescription> types;
    format.findAllTypesForFile(types, bundle.getFullPathName());

    if (types.isEmpty())
    {
        error = "no VST3 plug-in found in " + bundle.getFullPathName();
        return nullptr;
    }

    auto instance = format.createInstanceFromDescription(*types[0], sampleRate, blockSize, error);

    if (instance == nullptr)
        return nullptr;

    std::unique_ptr<HostedPlugin> hosted(new HostedPlugin(std::move(instance), *types[0]));
    hosted->prepare(sampleRate, blockSize);
    return hosted;
}

HostedPlugin::HostedPlugin(std::unique_ptr<juce::AudioPluginInstance> instance,
                           const juce::PluginDescription& description)
    : pluginDescription(description)
    , plugin(std::move(instance))
{
}

HostedPlugin::~HostedPlugin()
{
    closeEditor();
    plugin->releaseResources();
    plugin.reset();
}

void HostedPlugin::prepare(double sampleRate, int blockSize)
{
    currentSampleRate = sampleRate;
    currentBlockSize = blockSize;
    plugin->prepareToPlay(sampleRate, blockSize);
}

bool HostedPlugin::setLayout(const juce::AudioProcessor::BusesLayout& layout)
{
    // VST3 only lets a host change the arrangement of an inactive component.
    plugin->releaseResources();
    const auto accepted = plugin->setBusesLayout(layout);
    prepare(currentSampleRate, currentBlockSize);
    return accepted;
}

void HostedPlugin::process(juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
{
    plugin->processBlock(buffer, midi);
}

void HostedPlugin::processInBlocks(juce::AudioBuffer<float>& signal, const juce::MidiBuffer& midi,
                                   const BlockLengths& lengths,
                                   const std::function<void(int start, int length)>& beforeBlock)
{
    juce::MidiBuffer blockMidi;

    for (int start = 0; start < signal.getNumSamples();)
    {
        const auto remaining = signal.getNumSamples() - start;
        const auto length = lengths ? lengths(remaining) : juce::jmin(currentBlockSize, remaining);

        if (beforeBlock)
            beforeBlock(start, length);

        juce::AudioBuffer<float> block(signal.getArrayOfWritePointers(), signal.getNumChannels(), start,
                                       length);
        blockMidi.clear();
        blockMidi.addEvents(midi, start, length, -start);
        process(block, blockMidi);
        start += length;
    }
}

bool HostedPlugin::setProcessing(bool processing)
{
    Queried<Vst::IAudioProcessor> processor(rawComponent(*plugin));
    return processor && processor->setProcessing(processing ? 1 : 0) == kResultOk;
}

juce::AudioProcessorParameter* HostedPlugin::parameter(const juce::String& title) const
{
    for (auto* candidate : plugin->getParameters())
        if (candidate->getName(1024) == title)
            return candidate;

    return nullptr;
}

void HostedPlugin::setParameter(const juce::String& title, float normalisedValue)
{
    auto* target = parameter(title);
    jassert(target != nullptr);

    target->beginChangeGesture();
    target->setValueNotifyingHost(normalisedValue);
    target->endChangeGesture();
}

void HostedPlugin::setBypass(bool shouldBeBypassed)
{
    if (auto* bypass = plugin->getBypassParameter())
        bypass->setValueNotifyingHost(shouldBeBypassed ? 1.0f : 0.0f);
}

std::uint32_t HostedPlugin::vst3ParameterId(const juce::AudioProcessorParameter& parameter)
{
    // JUCE's hosted VST3 parameter reports the plug-in's numeric parameter ID as its ID string.
    if (auto* withId = dynamic_cast<const juce::HostedAudioProcessorParameter*>(&parameter))
        return static_cast<std::uint32_t>(withId->getParameterID().getLargeIntValue());

    return 0;
}

juce::MemoryBlock HostedPlugin::componentState()
{
    juce::MemoryBlock hostState;
    plugin->getStateInformation(hostState);

    juce::MemoryBlock component;

    if (auto xml = juce::AudioProcessor::getXmlFromBinary(hostState.getData(), (int) hostState.getSize()))
        if (auto* element = xml->getChildByName(componentStateTag))
            component.fromBase64Encoding(element->getAllSubText());

    return component;
}

void HostedPlugin::loadComponentState(const juce::MemoryBlock& state)
{
    juce::XmlElement xml(stateTag);
    xml.createNewChildElement(componentStateTag)->addTextElement(state.toBase64Encoding());

    juce::MemoryBlock hostState;
    juce::AudioProcessor::copyXmlToBinary(xml, hostState);
    plugin->setStateInformation(hostState.getData(), (int) hostState.getSize());
}

std::vector<HostedPlugin::BusInfo> HostedPlugin::buses(Media media, Direction direction) const
{
    std::vector<BusInfo> result;
    auto* component = rawComponent(*plugin);

    for (int32 index = 0; index < component->getBusCount(toVst(media), toVst(direction)); ++index)
    {
        Vst::BusInfo info{};

        if (component->getBusInfo(toVst(media), toVst(direction), index, info) == kResultOk)
            result.push_back({text(info.name), info.channelCount, info.busType, info.flags});
    }

    return result;
}

std::optional<std::uint64_t> HostedPlugin::speakerArrangement(Direction direction, int bus) const
{
    Queried<Vst::IAudioProcessor> processor(rawComponent(*plugin));
    Vst::SpeakerArrangement arrangement = 0;

    if (!processor || processor->getBusArrangement(toVst(direction), bus, arrangement) != kResultTrue)
        return std::nullopt;

    return arrangement;
}

std::optional<HostedPlugin::ProgramList> HostedPlugin::programList() const
{
    Queried<Vst::IUnitInfo> units(rawComponent(*plugin));
    Vst::ProgramListInfo info{};

    if (!units || units->getProgramListCount() != 1 || units->getProgramListInfo(0, info) != kResultOk)
        return std::nullopt;

    ProgramList result{text(info.name), {}};

    for (int32 index = 0; index < info.programCount; ++index)
    {
        Vst::String128 name{};

        if (units->getProgramName(info.id, index, name) == kResultOk)
            result.programNames.push_back(text(name));
    }

    return result;
}

std::uint32_t HostedPlugin::rawLatencySamples() const
{
    Queried<Vst::IAudioProcessor> processor(rawComponent(*plugin));
    return processor ? processor->getLatencySamples() : 0xFFFFFFFFu;
}

std::uint32_t HostedPlugin::rawTailSamples() const
{
    Queried<Vst::IAudioProcessor> processor(rawComponent(*plugin));
    return processor ? processor->getTailSamples() : 0xFFFFFFFFu;
}

juce::AudioProcessorEditor* HostedPlugin::openEditor()
{
    if (editor == nullptr)
    {
        editor.reset(plugin->createEditorIfNeeded());

        if (editor != nullptr)
        {
            editor->addToDesktop(juce::ComponentPeer::windowIsTemporary);
            editor->setVisible(true);
        }
    }

    return editor.get();
}

void HostedPlugin::closeEditor()
{
    editor.reset();
}
