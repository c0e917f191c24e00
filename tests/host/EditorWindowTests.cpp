#include "ConcurrentHost.h"
#include "HostedPluginTest.h"
#include "MessagePump.h"
#include "Signals.h"
#include "X11Display.h"

#include <cmath>
#include <cstdlib>
#include <functional>
#include <set>

namespace
{
constexpr int editorWidth = 712;
constexpr int editorHeight = 512;
constexpr int editorRounds = 3;
constexpr int openMilliseconds = 150;

// A host's window around the plug-in's view: a plain document window with no native title bar,
// so the window's X origin is its component origin.
class HostWindow : public juce::DocumentWindow
{
public:
    explicit HostWindow(juce::AudioProcessorEditor* editor)
        : juce::DocumentWindow("Sorvandel", juce::Colours::darkgrey, 0, true)
    {
        setUsingNativeTitleBar(false);
        setContentOwned(editor, true);
        setTopLeftPosition(40, 40);
        setVisible(true);
        toFront(false);
    }

    void closeButtonPressed() override {}

    juce::Component& editor() { return *getContentComponent(); }

    juce::Rectangle<int> editorArea() { return getLocalArea(&editor(), editor().getLocalBounds()); }
};

// The host's embedding window and the plug-in's own window inside it, leaving out the 1 x 1
// helper windows that the X11 embedding protocol uses.
::testing::AssertionResult viewWindowsSized(unsigned long topLevel, int width, int height)
{
    int views = 0;
    std::string sizes;

    for (const auto& size : x11Display::descendantSizes(topLevel))
    {
        sizes += " " + std::to_string(size.x) + "x" + std::to_string(size.y);
        if (size.x <= 1 && size.y <= 1)
            continue;
        if (size.x != width || size.y != height)
            return ::testing::AssertionFailure() << "nested windows:" << sizes;
        ++views;
    }

    if (views < 2)
        return ::testing::AssertionFailure()
               << "expected the embedding and the plug-in window, found:" << sizes;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult colourNear(const juce::Image& image, int x, int y, juce::Colour expected,
                                      int tolerance)
{
    const auto actual = image.getPixelAt(x, y);
    if (std::abs(actual.getRed() - expected.getRed()) <= tolerance &&
        std::abs(actual.getGreen() - expected.getGreen()) <= tolerance &&
        std::abs(actual.getBlue() - expected.getBlue()) <= tolerance)
        return ::testing::AssertionSuccess();

    return ::testing::AssertionFailure()
           << "(" << x << ", " << y << ") shows " << actual.toDisplayString(false) << ", expected "
           << expected.toDisplayString(false);
}

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
        const auto shown = x11Display::capture(x11Display::windowOf(window), window.getLocalBounds());

        if (shown.isValid())
            coverage = coverageOf(shown);

        if (coverage.drawnShare > 0.5 && coverage.colours > 50)
            break;

        pumpMessages(30);
    }

    return coverage;
}
} // namespace

class EditorWindow : public HostedPluginTest
{
protected:
    std::unique_ptr<HostWindow> openWindow()
    {
        auto* editor = hosted->instance().createEditorIfNeeded();
        if (editor == nullptr)
            return nullptr;

        auto window = std::make_unique<HostWindow>(editor);
        pumpMessages(400);
        return window;
    }

    // A second of a 440 Hz sine through the plug-in in host-sized blocks, letting the window's
    // timers run in between as a host's message thread would. The notes go with the first block.
    void processWithWindowOpen(float leftAmplitude = 0.5f, float rightAmplitude = 0.5f,
                               const juce::MidiBuffer& notes = {})
    {
        for (int chunk = 0; chunk < 10; ++chunk)
        {
            const auto length = (int) sampleRate / 10;
            auto signal = signals::sine(2, length, 440.0, sampleRate, leftAmplitude, chunk * length);
            signal.applyGain(1, 0, length, rightAmplitude / leftAmplitude);
            hosted->processInBlocks(signal, chunk == 0 ? notes : juce::MidiBuffer());
            EXPECT_TRUE(signals::allFinite(signal));
            pumpMessages(10);
        }
    }

    // Grabs the editor's area once drawn() finds the plug-in's drawing in it (its repaints run on
    // this thread's message loop, so a loaded machine may need a moment), and keeps it as a PNG of
    // the given name in the build folder.
    juce::Image screenshot(HostWindow& window, const juce::String& fileName,
                           const std::function<bool(const juce::Image&)>& drawn)
    {
        const auto area = window.editorArea();
        juce::Image image;

        for (int attempt = 0; attempt < 30; ++attempt)
        {
            image = x11Display::capture(x11Display::windowOf(window), area);
            if (!image.isValid() || drawn(image))
                break;
            pumpMessages(100);
        }

        writePng(image, juce::File(SORVANDEL_SCREENSHOT_DIR).getChildFile(fileName));
        return image;
    }

    static void writePng(const juce::Image& image, const juce::File& file)
    {
        file.deleteFile();
        file.getParentDirectory().createDirectory();
        juce::MemoryOutputStream png;
        if (image.isValid() && juce::PNGImageFormat().writeImageToStream(image, png))
            file.replaceWithData(png.getData(), png.getDataSize());
    }
};

TEST_F(EditorWindow, OpensAtItsFixedSizeAndRefusesToBeResized)
{
    auto window = openWindow();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(window->editor().getWidth(), editorWidth);
    EXPECT_EQ(window->editor().getHeight(), editorHeight);

    // The plug-in's own X window, and the one the host embeds it in, are the view's size.
    EXPECT_TRUE(viewWindowsSized(x11Display::windowOf(*window), editorWidth, editorHeight));

    // As a user dragging a window corner would ask: the view answers with its fixed size.
    window->editor().setSize(800, 600);
    pumpMessages(200);
    EXPECT_TRUE(viewWindowsSized(x11Display::windowOf(*window), editorWidth, editorHeight));
}

TEST_F(EditorWindow, ProcessesWhileOpenThenClosesReopensAndShowsItsDrawing)
{
    auto window = openWindow();
    ASSERT_NE(window, nullptr);
    processWithWindowOpen();

    window.reset();
    pumpMessages(100);
    processWithWindowOpen();

    window = openWindow();
    ASSERT_NE(window, nullptr);
    processWithWindowOpen();
    pumpMessages(200);

    const auto image = screenshot(*window, "editor-window.png",
                                  [](const juce::Image& shown)
                                  { return shown.getPixelAt(155, 401) == juce::Colours::black; });
    ASSERT_TRUE(image.isValid()) << "no display to take the screenshot from";
    ASSERT_EQ(image.getWidth(), editorWidth);
    ASSERT_EQ(image.getHeight(), editorHeight);

    // The bare side strips show only the tint, about 17% dark blue at the top row and 17% dark
    // grey at the bottom one, over the black the plug-in's view fills behind the editor.
    EXPECT_TRUE(colourNear(image, 5, 0, juce::Colour(0, 0, 23), 3));
    EXPECT_TRUE(colourNear(image, 705, 0, juce::Colour(0, 0, 23), 3));
    EXPECT_TRUE(colourNear(image, 5, 511, juce::Colour(14, 14, 14), 3));

    // Attack sliders at 0: their bars are black from end to end.
    EXPECT_TRUE(colourNear(image, 155, 401, juce::Colours::black, 0));
    EXPECT_TRUE(colourNear(image, 360, 401, juce::Colours::black, 0));

    // Envelope knobs at 0 Hz depth: no wedge on the black disc.
    EXPECT_TRUE(colourNear(image, 149, 291, juce::Colours::black, 0));

    // Signal order 0: the arrow between "Rev" and "Dist" points right, in light grey.
    EXPECT_TRUE(colourNear(image, 535, 336, juce::Colours::lightgrey, 0));
    EXPECT_FALSE(colourNear(image, 544, 327, juce::Colours::lightgrey, 40));

    // The input fader's light grey track, between two of its dots.
    EXPECT_TRUE(colourNear(image, 78, 380, juce::Colours::lightgrey, 0));
}

// What a user sees with a project's settings and audio playing: the meters show each channel's
// level and the cutoff bars show where the envelopes have swept the cutoffs. With
// SORVANDEL_EDITOR_SCREENSHOT naming a file, the grab is also written there once every check has
// passed; the editor_screenshot target makes the README's picture that way.
TEST_F(EditorWindow, ShowsTheSettingsAndTheLevelsOfItsAudio)
{
    constexpr float inputGainDb = -2.0f;
    const std::pair<const char*, float> settings[] = {
        {"delay", 1200.0f},     {"feedback", 0.6f},      {"distortion", 12.0f},      {"distType", 2.0f},
        {"signalOrder", 1.0f},  {"dryWet", 0.65f},       {"lowPass", 12000.0f},      {"highPass", 300.0f},
        {"lowPassQ", 4.0f},     {"highPassQ", 2.0f},     {"lpfEnv", -8000.0f},       {"hpfEnv", 3000.0f},
        {"lpfEnvAttack", 0.5f}, {"lpfEnvRelease", 1.5f}, {"hpfEnvAttack", 0.25f},    {"hpfEnvRelease", 2.0f},
        {"lpfSkew", 0.6f},      {"hpfSkew", 0.8f},       {"inputGain", inputGainDb}, {"outputGain", -4.0f}};
    for (const auto& [id, value] : settings)
        parameters->set(PluginParameters::indexOf(id), PluginParameters::normalised(id, value));

    auto window = openWindow();
    ASSERT_NE(window, nullptr);

    // A held note: by the end of the second both attacks are over, so the low-pass cutoff sits at
    // 12000 - 8000 = 4000 Hz.
    const auto left = 0.7f, right = 0.35f;
    processWithWindowOpen(left, right, signals::noteOn());
    pumpMessages(200);

    const auto white = [](juce::Colour c)
    { return c.getRed() > 230 && c.getGreen() > 230 && c.getBlue() > 230; };
    // Inside the low-pass bar (x 320 to 480, thumb range 332 to 468), half-way between the
    // envelope's 4000 Hz and the thumb's 12000 Hz.
    const juce::Point<int> sweptCutoff(385, 346);
    const auto image = screenshot(*window, "editor-settings.png",
                                  [&](const juce::Image& shown)
                                  { return white(shown.getPixelAt(sweptCutoff.x, sweptCutoff.y)); });
    ASSERT_TRUE(image.isValid()) << "no display to take the screenshot from";

    EXPECT_TRUE(white(image.getPixelAt(sweptCutoff.x, sweptCutoff.y)))
        << "the low-pass bar does not show the swept cutoff: "
        << image.getPixelAt(sweptCutoff.x, sweptCutoff.y).toDisplayString(false);

    // The input meters (y 75 to 437, -100 to +6 dB) after the input gain: each channel's RMS. A
    // row half-way between the two bars' tops is lit on the left meter only.
    const auto meterTop = [&](float amplitude)
    {
        const auto db = 20.0f * std::log10(amplitude / std::sqrt(2.0f)) + inputGainDb;
        return 75.0f + 5.0f + 362.0f * (1.0f - (db + 100.0f) / 106.0f);
    };
    const auto row = (int) std::lround((meterTop(left) + meterTop(right)) / 2.0f);
    EXPECT_GT(image.getPixelAt(25, row).getBrightness(), 0.6f) << "left input meter at row " << row;
    EXPECT_LT(image.getPixelAt(55, row).getBrightness(), 0.2f) << "right input meter at row " << row;

    if (const auto* target = std::getenv("SORVANDEL_EDITOR_SCREENSHOT"); target != nullptr && !HasFailure())
        writePng(image, juce::File::getCurrentWorkingDirectory().getChildFile(target));
}

// The host opens the plug-in's window, lets it draw and closes it, again and again, while its
// audio thread processes and its automation moves the parameters the window shows. Once the
// automation stops, the plug-in holds what the host set last.
class ConcurrencyEditorWindow : public HostedPluginTestWithParam<std::tuple<double, int>>
{
protected:
    void SetUp() override { load(std::get<0>(GetParam()), std::get<1>(GetParam())); }
};

TEST_P(ConcurrencyEditorWindow, OpensDrawsAndClosesWhileAudioRuns)
{
    juce::Random random(1);
    parameters->randomise(random);
    concurrent::AudioThread audio([this](juce::AudioBuffer<float>& buffer, juce::MidiBuffer& midi)
                                  { hosted->process(buffer, midi); },
                                  2, hosted->blockSize(), 2);

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
            parameters->set(random.nextInt(PluginParameters::count), PluginParameters::randomValue(random));
            pumpMessages(10);
        }

        ASSERT_NE(editor->getPeer(), nullptr);
        const auto coverage = waitUntilDrawn(*editor);
        EXPECT_GT(coverage.drawnShare, 0.5) << "the plug-in's window stayed black";
        EXPECT_GT(coverage.colours, 50u) << "the plug-in's window shows no controls";
        EXPECT_GT(audio.blocks(), blocksBefore) << "the audio thread stood still while the window was open";

        hosted->closeEditor();
        pumpMessages(20);
    }

    const auto lastSet = parameters->describe();
    audio.waitForMore(2);
    audio.stop();
    EXPECT_EQ(audio.uncleanBlocks(), 0u) << "settings at the end: " << lastSet;

    // What the plug-in itself holds now, as a project saved and reopened would show it.
    auto reopened = hostTest::load(hosted->sampleRate(), hosted->blockSize());
    ASSERT_NE(reopened, nullptr);
    reopened->loadComponentState(hosted->componentState());
    EXPECT_EQ(PluginParameters(*reopened).describe(), lastSet);
}

INSTANTIATE_TEST_SUITE_P(Settings, ConcurrencyEditorWindow,
                         ::testing::Values(std::tuple{48000.0, 512}, std::tuple{22050.0, 1}),
                         [](const ::testing::TestParamInfo<std::tuple<double, int>>& param)
                         {
                             return std::to_string((int) std::get<0>(param.param)) + "Hz_Block" +
                                    std::to_string(std::get<1>(param.param));
                         });
