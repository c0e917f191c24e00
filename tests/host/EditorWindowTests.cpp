#include "HostTestSupport.h"
#include "ScreenGrab.h"
#include "TestSignals.h"

namespace
{
constexpr int editorWidth = 712;
constexpr int editorHeight = 512;

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

    unsigned long nativeWindow()
    {
        return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(getPeer()->getNativeHandle()));
    }

    juce::Rectangle<int> editorArea() { return getLocalArea(&editor(), editor().getLocalBounds()); }
};

// The host's embedding window and the plug-in's own window inside it, leaving out the 1 x 1
// helper windows that the X11 embedding protocol uses.
::testing::AssertionResult viewWindowsSized(unsigned long topLevel, int width, int height)
{
    int views = 0;
    std::string sizes;

    for (const auto& size : screenGrab::descendantSizes(topLevel))
    {
        sizes += " " + std::to_string(size.width) + "x" + std::to_string(size.height);
        if (size.width <= 1 && size.height <= 1)
            continue;
        if (size.width != width || size.height != height)
            return ::testing::AssertionFailure() << "nested windows:" << sizes;
        ++views;
    }

    if (views < 2)
        return ::testing::AssertionFailure()
               << "expected the embedding and the plug-in window, found:" << sizes;
    return ::testing::AssertionSuccess();
}

juce::Image toImage(const screenGrab::Capture& capture)
{
    juce::Image image(juce::Image::RGB, capture.width, capture.height, false, juce::SoftwareImageType());
    for (int y = 0; y < capture.height; ++y)
        for (int x = 0; x < capture.width; ++x)
        {
            const auto pixel = capture.at(x, y);
            image.setPixelAt(x, y, juce::Colour(pixel.red, pixel.green, pixel.blue));
        }
    return image;
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
        HostedPlugin::pumpMessages(400);
        return window;
    }

    // A second of a sine through the plug-in in host-sized blocks, letting the window's timers
    // run in between as a host's message thread would.
    void processWithWindowOpen()
    {
        juce::AudioBuffer<float> signal(2, (int) sampleRate / 10);
        juce::MidiBuffer midi;

        for (int chunk = 0; chunk < 10; ++chunk)
        {
            testSignals::fillSine(signal, 440.0, sampleRate, 0.5f);
            hosted->processInBlocks(signal, midi);
            EXPECT_TRUE(testSignals::allFinite(signal));
            HostedPlugin::pumpMessages(10);
        }
    }

    // Grabs the editor's area once the plug-in has drawn into it (its repaints run on this
    // thread's message loop, so a loaded machine may need a moment), and keeps it as a PNG in
    // the build folder.
    juce::Image screenshot(HostWindow& window)
    {
        const auto area = window.editorArea();
        juce::Image image;

        for (int attempt = 0; attempt < 30; ++attempt)
        {
            image = toImage(screenGrab::grab(window.nativeWindow(), area.getX(), area.getY(), area.getWidth(),
                                             area.getHeight()));
            if (!image.isValid() || image.getPixelAt(155, 401) == juce::Colours::black)
                break;
            HostedPlugin::pumpMessages(100);
        }

        const auto file = juce::File(SORVANDEL_SCREENSHOT_DIR).getChildFile("editor-window.png");
        file.deleteFile();
        juce::FileOutputStream stream(file);
        if (image.isValid())
            juce::PNGImageFormat().writeImageToStream(image, stream);
        return image;
    }
};

TEST_F(EditorWindow, OpensAtItsFixedSizeAndRefusesToBeResized)
{
    auto window = openWindow();
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(window->editor().getWidth(), editorWidth);
    EXPECT_EQ(window->editor().getHeight(), editorHeight);

    // The plug-in's own X window, and the one the host embeds it in, are the view's size.
    EXPECT_TRUE(viewWindowsSized(window->nativeWindow(), editorWidth, editorHeight));

    // As a user dragging a window corner would ask: the view answers with its fixed size.
    window->editor().setSize(800, 600);
    HostedPlugin::pumpMessages(200);
    EXPECT_TRUE(viewWindowsSized(window->nativeWindow(), editorWidth, editorHeight));
}

TEST_F(EditorWindow, ProcessesWhileOpenThenClosesReopensAndShowsItsDrawing)
{
    auto window = openWindow();
    ASSERT_NE(window, nullptr);
    processWithWindowOpen();

    window.reset();
    HostedPlugin::pumpMessages(100);
    processWithWindowOpen();

    window = openWindow();
    ASSERT_NE(window, nullptr);
    processWithWindowOpen();
    HostedPlugin::pumpMessages(200);

    const auto image = screenshot(*window);
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
