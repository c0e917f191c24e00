#include "Conformance.h"
#include "HostSignals.h"
#include "PluginParameters.h"
#include "WindowCapture.h"

#include <atomic>
#include <set>
#include <thread>

namespace
{
using Setting = std::tuple<double, int>;

constexpr int editorRounds = 3;
constexpr int openMilliseconds = 150;

// What the display shows of a window: how much of it is not black, and how many colours.
struct Coverage
{
    double drawnShare = 0.0;
    size_t colours = 0;
};

Coverage coverageOf(const juce::Image& image)
{
    std::set<juce::uint32> colours;
    int drawn = 0;

    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
        {
            const auto argb = image.getPixelAt(x, y).getARGB() & 0xffffffu;
            drawn += argb != 0 ? 1 : 0;

            if (colours.size() < 1000)
                colours.insert(argb);
        }

    return {(double) drawn / (image.getWidth() * image.getHeight()), colours.size()};
}

// Reads the window back until the plug-in has drawn it, for at most a few seconds: a slow
// machine or a sanitizer build takes a while over the first paint with its images.
Coverage waitUntilDrawn(juce::Component& window)
{
    Coverage coverage;

    for (int attempt = 0; attempt < 100; ++attempt)
    {
        const auto shown = windowCapture::capture(window.getPeer()->getNativeHandle(), window.getWidth(),
                                                  window.getHeight());

        if (shown.isValid())
            coverage = coverageOf(shown);

        if (coverage.drawnShare > 0.5 && coverage.colours > 50)
            break;

        HostedPlugin::pumpMessages(30);
    }

    return coverage;
}

// The host's audio thread: block after block of noise, with a note now and then, until told to
// stop. It keeps its own count of what came back unclean.
class AudioThread
{
public:
    AudioThread(HostedPlugin& pluginToDrive, int blockSizeToUse, std::int64_t seed)
        : plugin(pluginToDrive)
        , blockSize(blockSizeToUse)
        , thread([this, seed] { run(seed); })
    {
    }

    ~AudioThread() { stop(); }

    void stop()
    {
        stopping = true;

        if (thread.joinable())
            thread.join();
    }

    int blocks() const { return processed.load(); }
    int uncleanBlocks() const { return unclean.load(); }

private:
    void run(std::int64_t seed)
    {
        juce::Random random(seed);
        juce::AudioBuffer<float> buffer(2, blockSize);
        juce::MidiBuffer midi;

        while (!stopping.load())
        {
            hostSignals::fill(buffer, hostSignals::Signal::noise, plugin.sampleRate(), random);
            midi.clear();

            if (random.nextInt(8) == 0)
                midi.addEvent(juce::MidiMessage::noteOn(1, 60, (juce::uint8) 100), random.nextInt(blockSize));
            else if (random.nextInt(8) == 0)
                midi.addEvent(juce::MidiMessage::noteOff(1, 60), random.nextInt(blockSize));

            plugin.process(buffer, midi);
            unclean += hostSignals::firstBadSample(buffer).has_value() ? 1 : 0;
            ++processed;
        }
    }

    HostedPlugin& plugin;
    const int blockSize;
    std::atomic<bool> stopping{false};
    std::atomic<int> processed{0};
    std::atomic<int> unclean{0};
    std::thread thread;
};
} // namespace

// The host opens the plug-in's window, lets it draw and closes it, again and again, while its
// audio thread processes and its automation moves the parameters the window shows.
class EditorConformance : public ::testing::TestWithParam<Setting>
{
protected:
    HostEnvironment environment;
};

TEST_P(EditorConformance, OpensDrawsAndClosesWhileAudioRuns)
{
    const auto sampleRate = std::get<0>(GetParam());
    const auto blockSize = std::get<1>(GetParam());
    auto hosted = conformance::load(sampleRate, blockSize);
    ASSERT_NE(hosted, nullptr);
    PluginParameters parameters(*hosted);
    ASSERT_TRUE(parameters.complete());

    juce::Random random(conformance::seedFor("automation"));
    parameters.randomise(random);
    AudioThread audio(*hosted, blockSize, conformance::seedFor("audio"));

    for (int round = 0; round < editorRounds; ++round)
    {
        SCOPED_TRACE("round " + std::to_string(round));
        auto* editor = hosted->openEditor();
        ASSERT_NE(editor, nullptr);
        editor->setTopLeftPosition(0, 0);
        const auto blocksBefore = audio.blocks();

        // The plug-in's 24 ms timer repaints its window; the host moves parameters meanwhile.
        for (int elapsed = 0; elapsed < openMilliseconds; elapsed += 10)
        {
            parameters.set(random.nextInt(PluginParameters::count), PluginParameters::randomValue(random));
            HostedPlugin::pumpMessages(10);
        }

        ASSERT_NE(editor->getPeer(), nullptr);
        const auto coverage = waitUntilDrawn(*editor);
        EXPECT_GT(coverage.drawnShare, 0.5) << "the plug-in's window stayed black";
        EXPECT_GT(coverage.colours, 50u) << "the plug-in's window shows no controls";
        EXPECT_GT(audio.blocks(), blocksBefore) << "the audio thread stood still while the window was open";

        hosted->closeEditor();
        HostedPlugin::pumpMessages(20);
    }

    audio.stop();
    EXPECT_GT(audio.blocks(), 0);
    EXPECT_EQ(audio.uncleanBlocks(), 0) << "settings at the end: " << parameters.describe();
}

INSTANTIATE_TEST_SUITE_P(Settings, EditorConformance,
                         ::testing::Values(Setting{48000.0, 512}, Setting{192000.0, 64}, Setting{22050.0, 1}),
                         [](const ::testing::TestParamInfo<Setting>& param)
                         {
                             return conformance::rateName(std::get<0>(param.param)) + "_" +
                                    conformance::blockName(std::get<1>(param.param));
                         });
