#include "ConcurrentHost.h"
#include "EditorTestSupport.h"

// Run under ThreadSanitizer as well (ctest -L concurrency). The test's thread is the message
// thread: the editors live on it, their timers and the attachments' updates run on it.

using namespace std::chrono_literals;

namespace
{
// A plug-in instance as a host runs it while its window may be open: an audio thread, an
// automation thread and the state calls of the message thread.
struct RunningInstance
{
    RunningInstance(juce::int64 seed, const std::atomic<bool>& bypass)
        : audio(prepared(processor), blockSize, seed, bypass)
        , random(seed + 1)
        , automation(std::make_unique<concurrent::Loop>(
              [this]
              {
                  // At about the rate of a host's blocks: each change posts an update to the
                  // message thread, which a tighter loop would keep busy with nothing else.
                  concurrent::automateEveryParameter(processor, random);
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
              }))
    {
    }

    // Prepared before the audio thread starts, as a host activates before it processes.
    static SorvandelAudioProcessor& prepared(SorvandelAudioProcessor& processor)
    {
        processor.setRateAndBufferSizeDetails(48000.0, blockSize);
        processor.prepareToPlay(48000.0, blockSize);
        return processor;
    }

    static constexpr int blockSize = 256;

    SorvandelAudioProcessor processor;
    concurrent::AudioThread audio;
    juce::Random random;
    std::unique_ptr<concurrent::Loop> automation;
};

using concurrent::load;
using concurrent::save;

// What the window's controls show, back to front.
std::vector<double> controlValues(juce::Component& editor)
{
    std::vector<double> values;
    for (auto* child : editor.getChildren())
    {
        if (auto* slider = dynamic_cast<juce::Slider*>(child))
            values.push_back(slider->getValue());
        else if (auto* button = dynamic_cast<juce::ToggleButton*>(child))
            values.push_back(button->getToggleState() ? 1.0 : 0.0);
        else if (auto* box = dynamic_cast<juce::ComboBox*>(child))
            values.push_back(box->getSelectedId());
    }
    return values;
}

// Level and clip flag of each meter, back to front: input left and right, output left and right.
std::vector<float> meterReadings(juce::Component& editor)
{
    std::vector<float> readings;
    for (auto* child : editor.getChildren())
        if (auto* meter = dynamic_cast<Meter*>(child))
            readings.insert(readings.end(), {meter->levelDb, meter->clipping ? 1.0f : 0.0f});
    return readings;
}

std::vector<float> publishedLevels(const SorvandelAudioProcessor& processor)
{
    return {processor.inputLevelLeft.load(),   processor.inputClipLeft.load() ? 1.0f : 0.0f,
            processor.inputLevelRight.load(),  processor.inputClipRight.load() ? 1.0f : 0.0f,
            processor.outputLevelLeft.load(),  processor.outputClipLeft.load() ? 1.0f : 0.0f,
            processor.outputLevelRight.load(), processor.outputClipRight.load() ? 1.0f : 0.0f};
}

// Closes the window as a host's wrapper does: the processor is told before the editor goes.
struct CloseEditor
{
    void operator()(juce::AudioProcessorEditor* editor) const
    {
        editor->processor.editorBeingDeleted(editor);
        delete editor;
    }
};
using OpenEditor = std::unique_ptr<juce::AudioProcessorEditor, CloseEditor>;

// Opens the window as a host does: the processor creates it, and it is shown.
OpenEditor open(SorvandelAudioProcessor& processor)
{
    OpenEditor editor(processor.createEditorIfNeeded());
    editor->setVisible(true);
    return editor;
}

// Keeps the windows on screen for a while: the message thread runs their 24 ms timers, which
// read the published values, and the attachments' updates from other threads, and paints them
// in between as a window system would ask it to.
void show(std::initializer_list<juce::Component*> editors, int milliseconds)
{
    const auto end = juce::Time::getMillisecondCounter() + (juce::uint32) milliseconds;
    while (juce::Time::getMillisecondCounter() < end)
    {
        pumpMessages(8);
        for (auto* editor : editors)
            editortest::render(*editor);
    }
}
} // namespace

TEST(ConcurrencyEditor, OpensPaintsAndClosesWhileInstancesProcessAndAreAutomated)
{
    const concurrent::Watchdog watchdog(300s, "editors opening and closing while processing");
    std::vector<juce::MemoryBlock> states;
    {
        SorvandelAudioProcessor scratch;
        for (int i = 0; i < 4; ++i)
            states.push_back(concurrent::randomState(scratch, 40 + i));
    }

    std::atomic<bool> bypass{false};
    RunningInstance first(1, bypass), second(2, bypass);
    RunningInstance* instances[] = {&first, &second};
    concurrent::Loop bypassSwitch(
        [&]
        {
            bypass = !bypass.load();
            std::this_thread::sleep_for(3ms);
        });

    for (int round = 0; round < 6; ++round)
    {
        auto firstEditor = open(first.processor);
        auto secondEditor = open(second.processor);

        show({firstEditor.get(), secondEditor.get()}, 60);
        load(second.processor, states[(size_t) round % states.size()]);
        save(first.processor);
        show({firstEditor.get(), secondEditor.get()}, 30);
    }

    for (auto* instance : instances)
        instance->automation.reset();

    // With automation stopped, the host loads a state while the window is open and audio runs;
    // neither the window nor the audio thread may change it afterwards.
    auto firstEditor = open(first.processor);
    auto secondEditor = open(second.processor);
    load(first.processor, states[0]);
    load(second.processor, states[1]);
    show({firstEditor.get(), secondEditor.get()}, 100);

    for (int i = 0; i < 2; ++i)
    {
        SorvandelAudioProcessor reference;
        load(reference, states[(size_t) i]);
        const std::unique_ptr<juce::AudioProcessorEditor> referenceEditor(reference.createEditor());
        auto& editor = i == 0 ? *firstEditor : *secondEditor;
        EXPECT_EQ(controlValues(editor), controlValues(*referenceEditor)) << "instance " << i;
    }

    // Once the audio stops, the next timer tick shows what the last processed block published.
    bypassSwitch.stop();
    for (auto* instance : instances)
    {
        instance->audio.waitForMore(2);
        instance->audio.stop();
        EXPECT_GE(instance->audio.blocks(), 5u);
    }
    show({firstEditor.get(), secondEditor.get()}, 60);
    EXPECT_EQ(meterReadings(*firstEditor), publishedLevels(first.processor));
    EXPECT_EQ(meterReadings(*secondEditor), publishedLevels(second.processor));

    firstEditor.reset();
    secondEditor.reset();
    pumpMessages(30);

    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(save(instances[i]->processor) == states[(size_t) i]) << "instance " << i;
}
