#include "BinaryData.h"
#include "ConcurrentHost.h"
#include "EditorChildren.h"
#include "EditorTestSupport.h"

#include <thread>

using namespace editortest;

namespace
{
class EditorPaint : public ::testing::Test
{
protected:
    SorvandelAudioProcessor processor;
    SorvandelAudioProcessorEditor editor{processor};
};

void publish(SorvandelAudioProcessor& processor, std::array<float, 4> levels, std::array<bool, 4> clips)
{
    processor.inputLevelLeft = levels[0];
    processor.inputLevelRight = levels[1];
    processor.outputLevelLeft = levels[2];
    processor.outputLevelRight = levels[3];
    processor.inputClipLeft = clips[0];
    processor.inputClipRight = clips[1];
    processor.outputClipLeft = clips[2];
    processor.outputClipRight = clips[3];
}

// Everything a processor shows the outside world, to check that an editor leaves it alone.
struct ProcessorSnapshot
{
    explicit ProcessorSnapshot(SorvandelAudioProcessor& p)
    {
        for (auto* parameter : p.getParameters())
            parameters.push_back(parameter->getValue());
        published = {p.currentLowPassCutoff.load(),   p.currentHighPassCutoff.load(),
                     p.inputLevelLeft.load(),         p.inputLevelRight.load(),
                     p.outputLevelLeft.load(),        p.outputLevelRight.load(),
                     (float) p.inputClipLeft.load(),  (float) p.inputClipRight.load(),
                     (float) p.outputClipLeft.load(), (float) p.outputClipRight.load()};
        p.getStateInformation(state);
    }

    bool operator==(const ProcessorSnapshot& other) const
    {
        return parameters == other.parameters && published == other.published && state == other.state;
    }

    std::vector<float> parameters, published;
    juce::MemoryBlock state;
};
} // namespace

TEST_F(EditorPaint, TintCoversTheSideStripsFromDarkBlueToDarkGrey)
{
    const auto image = render(editor);

    // Only the translucent tint lands on the bare strips: 0x2b00008b at the top row, close to
    // 0x2b555555 at the bottom one.
    for (auto x : {0, 5, 99, 612, 705, 711})
    {
        EXPECT_TRUE(pixelNear(image, x, 0, juce::Colour(0x2b00008b), 1)) << x;
        EXPECT_TRUE(pixelNear(image, x, 511, juce::Colour(0x2b555555), 1)) << x;
    }

    // Every row has one colour.
    EXPECT_EQ(storedPixel(image, 3, 40).getNativeARGB(), storedPixel(image, 700, 40).getNativeARGB());
}

TEST_F(EditorPaint, BackgroundBannerAndLogoLandInTheirRectangles)
{
    const auto image = render(editor);
    const auto background =
        juce::ImageCache::getFromMemory(BinaryData::temp_binary_data_0, BinaryData::temp_binary_data_0Size);
    const auto logo =
        juce::ImageCache::getFromMemory(BinaryData::temp_binary_data_3, BinaryData::temp_binary_data_3Size);
    ASSERT_TRUE(background.isValid());
    ASSERT_TRUE(logo.isValid());

    // Over the background image each pixel is the image with the row's tint laid over it.
    const auto tintAt = [](int y)
    {
        return juce::Colours::darkblue.interpolatedWith(juce::Colours::darkgrey, (float) y / 512.0f)
            .withAlpha((juce::uint8) 0x2b);
    };
    for (auto [x, y] : {std::pair{110, 3}, std::pair{600, 500}, std::pair{300, 260}})
    {
        const auto expected = background.getPixelAt(x - 100, y).overlaidWith(tintAt(y));
        EXPECT_TRUE(pixelNear(image, x, y, expected, 2)) << x << ", " << y;
    }

    // The logo's middle is its dark face, untinted; the 70 x 70 square sits at (170, 25).
    const auto face = logo.getPixelAt(1000, 300);
    EXPECT_TRUE(pixelNear(image, 205, 36, face, 3));
    EXPECT_FALSE(pixelNear(render(editor), 165, 36, face, 3));
}

TEST_F(EditorPaint, TimerFeedsEachMeterFromItsOwnChannel)
{
    publish(processor, {-10.0f, -20.0f, -30.0f, -100.0f}, {true, false, false, true});
    processor.currentLowPassCutoff = 1234.0f;
    processor.currentHighPassCutoff = 567.0f;

    editor.timerCallback();

    const std::pair<const char*, std::pair<float, bool>> expected[] = {{"inputMeterLeft", {-10.0f, true}},
                                                                       {"inputMeterRight", {-20.0f, false}},
                                                                       {"outputMeterLeft", {-30.0f, false}},
                                                                       {"outputMeterRight", {-100.0f, true}}};
    for (const auto& [name, value] : expected)
    {
        auto& meter = child<Meter>(editor, name);
        EXPECT_EQ(meter.levelDb, value.first) << name;
        EXPECT_EQ(meter.clipping, value.second) << name;
    }

    auto& lookAndFeel =
        dynamic_cast<CustomSliderLookAndFeel&>(child<juce::Slider>(editor, "lowPassSlider").getLookAndFeel());
    EXPECT_EQ(lookAndFeel.currentLowPassCutoff, 1234.0f);
    EXPECT_EQ(lookAndFeel.currentHighPassCutoff, 567.0f);

    // A second tick copies the new values as they are: no smoothing, no peak hold.
    publish(processor, {-100.0f, -100.0f, 6.0f, -100.0f}, {false, false, false, false});
    editor.timerCallback();
    EXPECT_EQ(child<Meter>(editor, "inputMeterLeft").levelDb, -100.0f);
    EXPECT_FALSE(child<Meter>(editor, "inputMeterLeft").clipping);
    EXPECT_EQ(child<Meter>(editor, "outputMeterLeft").levelDb, 6.0f);
}

TEST_F(EditorPaint, TimerRunsEveryTwentyFourMilliseconds)
{
    EXPECT_TRUE(editor.isTimerRunning());
    EXPECT_EQ(editor.getTimerInterval(), 24);

    publish(processor, {-7.0f, -8.0f, -9.0f, -11.0f}, {false, true, false, false});
    pumpMessages(200);
    EXPECT_EQ(child<Meter>(editor, "inputMeterLeft").levelDb, -7.0f);
    EXPECT_TRUE(child<Meter>(editor, "inputMeterRight").clipping);
}

TEST(EditorLifecycle, OpeningClosingAndReopeningLeavesTheProcessorAlone)
{
    SorvandelAudioProcessor processor;
    setParameter(processor, "delay", 321.0f);
    publish(processor, {-12.0f, -24.0f, -36.0f, -48.0f}, {true, false, true, false});
    const ProcessorSnapshot before(processor);

    for (int round = 0; round < 2; ++round)
    {
        auto editor = std::make_unique<SorvandelAudioProcessorEditor>(processor);
        render(*editor);
        editor->timerCallback();
        pumpMessages(60);
        EXPECT_EQ(child<juce::Slider>(*editor, "delayKnob").getValue(), 321.0);
        editor.reset();
        pumpMessages(20);
    }

    EXPECT_TRUE(ProcessorSnapshot(processor) == before);
}

// Editors open and close while the host's automation arrives on its own thread and posts updates
// for their controls. Once it stops, the processor holds what the automation set last, and an
// editor opened then shows it without changing it.
TEST(ConcurrencyEditorLifecycle, ClosingWhileTheHostAutomatesLeavesWhatItSetLast)
{
    SorvandelAudioProcessor processor;
    const auto& parameters = processor.getParameters();
    std::vector<float> lastSet((size_t) parameters.size());
    juce::Random random(42);

    concurrent::Loop automation(
        [&]
        {
            for (int i = 0; i < parameters.size(); ++i)
            {
                lastSet[(size_t) i] = random.nextFloat();
                parameters[i]->setValueNotifyingHost(lastSet[(size_t) i]);
            }
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        });

    for (int round = 0; round < 20; ++round)
    {
        auto editor = std::make_unique<SorvandelAudioProcessorEditor>(processor);
        pumpMessages(15);
        render(*editor);
        editor.reset();
        pumpMessages(5);
    }

    automation.stop();
    SorvandelAudioProcessorEditor last(processor);
    pumpMessages(20);
    render(last);

    for (int i = 0; i < parameters.size(); ++i)
    {
        auto& parameter = dynamic_cast<juce::RangedAudioParameter&>(*parameters[i]);
        EXPECT_EQ(parameterValue(processor, parameter.paramID),
                  parameter.convertFrom0to1(lastSet[(size_t) i]))
            << parameter.paramID;
    }
}
