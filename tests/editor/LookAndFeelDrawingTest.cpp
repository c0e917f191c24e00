#include "EditorChildren.h"
#include "EditorTestSupport.h"

using namespace editortest;

namespace
{
class LookAndFeelDrawing : public ::testing::Test
{
protected:
    // A knob of 105 x 105: disc diameter 100 at (2, 2), centre (52, 52).
    juce::Image drawKnob(const juce::String& componentId, float proportion)
    {
        juce::Slider slider;
        slider.setComponentID(componentId);
        auto image = blankImage(105, 105);
        juce::Graphics g(image);
        lookAndFeel.drawRotarySlider(g, 0, 0, 105, 105, proportion, 0.0f, 1.0f, slider);
        return image;
    }

    // A horizontal slider of 160 x 40 as the editor has them: drawing area x 12, width 136.
    juce::Image drawBar(const juce::String& componentId, float thumb)
    {
        juce::Slider slider(juce::Slider::LinearHorizontal, juce::Slider::NoTextBox);
        slider.setComponentID(componentId);
        slider.setSize(160, 40);
        auto image = blankImage(160, 40);
        juce::Graphics g(image);
        lookAndFeel.drawLinearSlider(g, 12, 0, 136, 40, thumb, 12.0f, 148.0f, juce::Slider::LinearHorizontal,
                                     slider);
        return image;
    }

    juce::Image drawToggle(bool on)
    {
        juce::ToggleButton button;
        button.setSize(117, 40);
        button.setToggleState(on, juce::dontSendNotification);
        auto image = blankImage(117, 40);
        juce::Graphics g(image);
        lookAndFeel.drawToggleButton(g, button, false, false);
        return image;
    }

    static bool isWedgeColour(const juce::Image& image, int x, int y)
    {
        const auto colour = image.getPixelAt(x, y);
        return colour.getAlpha() == 255 && colour.getBlue() > 150 && colour != juce::Colours::white;
    }

    static bool isWhite(const juce::Image& image, int x, int y)
    {
        const auto colour = image.getPixelAt(x, y);
        return colour.getRed() > 235 && colour.getGreen() > 235 && colour.getBlue() > 235;
    }

    SorvandelAudioProcessor processor;
    CustomSliderLookAndFeel lookAndFeel{processor.valueTreeState};
};

constexpr int above = 25, below = 79, leftOf = 25, rightOf = 79, centre = 52;
} // namespace

TEST_F(LookAndFeelDrawing, UnipolarKnobGrowsClockwiseFromThreeOClock)
{
    const auto empty = drawKnob({}, 0.0f);
    EXPECT_TRUE(isOpaqueBlack(empty, centre, above));
    EXPECT_TRUE(isOpaqueBlack(empty, centre, below));
    EXPECT_TRUE(isOpaqueBlack(empty, leftOf, centre));
    EXPECT_TRUE(isWhite(empty, rightOf, centre)); // pointer and fixed mark coincide
    EXPECT_TRUE(isWhite(empty, centre, 1));       // the ring
    EXPECT_TRUE(isTransparent(empty, 0, 0));

    const auto half = drawKnob({}, 0.5f);
    EXPECT_TRUE(isWedgeColour(half, centre, below));
    EXPECT_TRUE(isWedgeColour(half, 40, 60));
    EXPECT_TRUE(isOpaqueBlack(half, centre, above));
    EXPECT_TRUE(isWhite(half, leftOf, centre)); // pointer half a degree past 9 o'clock

    const auto full = drawKnob({}, 1.0f);
    EXPECT_TRUE(isWedgeColour(full, centre, above));
    EXPECT_TRUE(isWedgeColour(full, centre, below));
    EXPECT_TRUE(isWedgeColour(full, leftOf, centre));
    EXPECT_TRUE(isWhite(full, rightOf, centre - 1));

    // Blue at the centre, turning towards the pink violet further out.
    const auto nearCentre = full.getPixelAt(centre - 6, centre + 6);
    EXPECT_GT(nearCentre.getBlue(), 220);
    EXPECT_LT(nearCentre.getRed(), 40);
}

TEST_F(LookAndFeelDrawing, BipolarKnobGrowsBothWaysFromTwelveOClock)
{
    const auto middle = drawKnob("envKnob", 0.5f);
    EXPECT_TRUE(isOpaqueBlack(middle, leftOf, centre));
    EXPECT_TRUE(isOpaqueBlack(middle, rightOf, centre)); // no fixed mark on this variant
    EXPECT_TRUE(isOpaqueBlack(middle, centre, below));
    EXPECT_TRUE(isWhite(middle, centre - 1, above)); // pointer half a degree before 12 o'clock

    const auto lowest = drawKnob("envKnob", 0.0f);
    EXPECT_TRUE(isWedgeColour(lowest, leftOf, centre));
    EXPECT_TRUE(isWedgeColour(lowest, 40, 40));
    EXPECT_TRUE(isOpaqueBlack(lowest, rightOf, centre));
    EXPECT_TRUE(isWhite(lowest, centre, below)); // pointing straight down

    const auto highest = drawKnob("envKnob", 1.0f);
    EXPECT_TRUE(isWedgeColour(highest, rightOf, centre));
    EXPECT_TRUE(isWedgeColour(highest, 64, 40));
    EXPECT_TRUE(isOpaqueBlack(highest, leftOf, centre));
    EXPECT_TRUE(isWhite(highest, centre, below)); // one degree short of straight down
}

TEST_F(LookAndFeelDrawing, BipolarWedgeKeepsItsPartAboveTheCentre)
{
    // A quarter turn each way fills exactly the quadrant between 12 o'clock and the pointer.
    const auto up = drawKnob("envKnob", 0.75f);
    EXPECT_TRUE(isWedgeColour(up, 64, 40));
    EXPECT_TRUE(isOpaqueBlack(up, 40, 40));
    EXPECT_TRUE(isOpaqueBlack(up, 64, 64));

    const auto down = drawKnob("envKnob", 0.25f);
    EXPECT_TRUE(isWedgeColour(down, 40, 40));
    EXPECT_TRUE(isOpaqueBlack(down, 64, 40));
    EXPECT_TRUE(isOpaqueBlack(down, 40, 64));
}

TEST_F(LookAndFeelDrawing, ComponentIdsAreCaseSensitive)
{
    // "EnvKnob" is not the bipolar variant: at 0.5 it shows the unipolar lower half.
    const auto image = drawKnob("EnvKnob", 0.5f);
    EXPECT_TRUE(isWedgeColour(image, centre, below));
    EXPECT_TRUE(isOpaqueBlack(image, leftOf - 10, centre - 10));
}

TEST_F(LookAndFeelDrawing, FaderDotsCoverAHeightThatIsNotAMultipleOfTen)
{
    juce::Slider slider(juce::Slider::LinearVertical, juce::Slider::NoTextBox);
    slider.setComponentID("gainSlider");
    auto image = blankImage(20, 120);
    {
        juce::Graphics g(image);
        // Thumb parked below the drawing so that it covers no dot.
        lookAndFeel.drawLinearSlider(g, 0, 0, 20, 95, 115.0f, 0.0f, 95.0f, juce::Slider::LinearVertical,
                                     slider);
    }

    // Track at x 8..12, dots at x 9..11, one every 10 px while it starts inside the height.
    std::vector<int> dotStarts;
    for (int y = 0; y < 120; ++y)
        if (image.getPixelAt(9, y) == juce::Colours::darkgrey &&
            (y == 0 || image.getPixelAt(9, y - 1) != juce::Colours::darkgrey))
            dotStarts.push_back(y);

    EXPECT_EQ(dotStarts, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90}));
    EXPECT_EQ(image.getPixelAt(8, 50), juce::Colours::lightgrey);
    EXPECT_EQ(image.getPixelAt(11, 50), juce::Colours::lightgrey);
    EXPECT_TRUE(isTransparent(image, 7, 50));
    EXPECT_TRUE(isTransparent(image, 9, 96));
}

TEST_F(LookAndFeelDrawing, FaderMarkSitsWhereTheThumbShowsZeroDecibels)
{
    // The editor's gain fader, 20 x 362 with its drawing area 342 px tall from y 10. The mark's
    // y + height / 5.16 lies 0.09 px below 0 dB's exact 24/124 of the way down.
    SorvandelAudioProcessorEditor editor(processor);
    auto& fader = child<juce::Slider>(editor, "inputGainSlider");
    const auto image = render(fader);

    // The 2-px orange line, measured left of the track where nothing else is drawn.
    double inked = 0.0, weighted = 0.0;
    for (int y = 0; y < image.getHeight(); ++y)
    {
        const auto alpha = image.getPixelAt(4, y).getAlpha();
        inked += alpha;
        weighted += alpha * (y + 0.5);
    }
    ASSERT_GT(inked, 0.0);
    EXPECT_NEAR(weighted / inked, fader.getPositionOfValue(0.0), 0.25);
}

TEST_F(LookAndFeelDrawing, FaderThumbPointsLeftAtTheValue)
{
    juce::Slider slider(juce::Slider::LinearVertical, juce::Slider::NoTextBox);
    slider.setComponentID("gainSlider");
    auto image = blankImage(30, 100);
    {
        juce::Graphics g(image);
        lookAndFeel.drawLinearSlider(g, 0, 0, 20, 100, 60.0f, 0.0f, 100.0f, juce::Slider::LinearVertical,
                                     slider);
    }

    // Tip on the track's centre line at x 10, base at x 22, 12 px tall.
    EXPECT_EQ(image.getPixelAt(19, 60), juce::Colours::lightblue);
    EXPECT_EQ(image.getPixelAt(19, 53).getAlpha(), 0);
    EXPECT_TRUE(isTransparent(image, 24, 60));
}

TEST_F(LookAndFeelDrawing, BarIsBlackRightOfTheThumbAndGreenLeftOfIt)
{
    const auto image = drawBar({}, 80.0f);

    EXPECT_TRUE(isOpaqueBlack(image, 120, 20));
    EXPECT_EQ(image.getPixelAt(80, 20), juce::Colours::lightcyan); // the thumb

    // The green runs from 0xff6da99a at the left end to 0xffabca8c at the thumb.
    const auto green = image.getPixelAt(46, 20);
    EXPECT_NEAR(green.getRed(), (0x6d + 0xab) / 2, 3);
    EXPECT_NEAR(green.getGreen(), (0xa9 + 0xca) / 2, 3);
    EXPECT_NEAR(green.getBlue(), (0x9a + 0x8c) / 2, 3);

    // The lightcyan frame from the slider's origin ends 4 px short of its right edge.
    EXPECT_EQ(image.getPixelAt(0, 5), juce::Colours::lightcyan);
    EXPECT_EQ(image.getPixelAt(100, 0), juce::Colours::lightcyan);
    EXPECT_EQ(image.getPixelAt(100, 39), juce::Colours::lightcyan);
    EXPECT_EQ(image.getPixelAt(155, 5), juce::Colours::lightcyan);
    EXPECT_TRUE(isTransparent(image, 157, 5));
}

TEST_F(LookAndFeelDrawing, BarAtItsEndsIsAllBlackOrAllGreen)
{
    const auto lowest = drawBar({}, 12.0f);
    EXPECT_TRUE(isOpaqueBlack(lowest, 40, 20));
    EXPECT_TRUE(isOpaqueBlack(lowest, 140, 20));

    const auto highest = drawBar({}, 148.0f);
    EXPECT_FALSE(isOpaqueBlack(highest, 140, 20));
    EXPECT_GT(highest.getPixelAt(140, 20).getGreen(), 0xc0);
}

TEST_F(LookAndFeelDrawing, CutoffOverlaySpansTheCutoffsDistanceOnTheSlidersWidthLessTwenty)
{
    // From one end of 20..20000 Hz to the other is 160 - 20 = 140 px, whichever way the
    // envelope moved the cutoff; the track and its outline end at x 12 and 148.
    setParameter(processor, "highPass", 20.0f);
    lookAndFeel.currentHighPassCutoff = 20000.0f;
    const auto raised = drawBar("hpf", 12.0f);
    EXPECT_EQ(raised.getPixelAt(151, 20), juce::Colours::white);
    EXPECT_TRUE(isTransparent(raised, 153, 20));

    setParameter(processor, "lowPass", 20000.0f);
    lookAndFeel.currentLowPassCutoff = 20.0f;
    const auto lowered = drawBar("lpf", 148.0f);
    EXPECT_EQ(lowered.getPixelAt(8, 20), juce::Colours::white);
    EXPECT_TRUE(isTransparent(lowered, 6, 20));

    // Equal cutoffs leave the bar as the plain one draws it.
    lookAndFeel.currentLowPassCutoff = 20000.0f;
    EXPECT_EQ(drawBar("lpf", 80.0f).getPixelAt(100, 20), drawBar({}, 80.0f).getPixelAt(100, 20));
}

TEST_F(LookAndFeelDrawing, OnlyTheTwoCutoffBarsDrawAnOverlay)
{
    setParameter(processor, "lowPass", 10010.0f);
    lookAndFeel.currentLowPassCutoff = 15000.0f;
    lookAndFeel.currentHighPassCutoff = 15000.0f;

    for (auto id : {"", "LPF", "gain", "hpf "})
        EXPECT_TRUE(isOpaqueBlack(drawBar(id, 80.0f), 100, 20)) << id;

    // "hpf" compares with the high-pass set value (its default, 20 Hz), not the low-pass one.
    setParameter(processor, "highPass", 20.0f);
    lookAndFeel.currentHighPassCutoff = 20.0f;
    EXPECT_TRUE(isOpaqueBlack(drawBar("hpf", 80.0f), 100, 20));
}

TEST_F(LookAndFeelDrawing, ToggleArrowPointsFromTheFirstStageToTheSecond)
{
    // 20 x 20 arrowhead centred at (58.5, 20).
    const auto off = drawToggle(false);
    EXPECT_EQ(off.getPixelAt(62, 20), juce::Colours::lightgrey); // towards the tip on the right
    EXPECT_EQ(off.getPixelAt(50, 12), juce::Colours::lightgrey); // near the base on the left
    EXPECT_TRUE(isTransparent(off, 67, 12));
    EXPECT_TRUE(isTransparent(off, 46, 20));

    const auto on = drawToggle(true);
    EXPECT_EQ(on.getPixelAt(54, 20), juce::Colours::lightgrey);
    EXPECT_EQ(on.getPixelAt(67, 12), juce::Colours::lightgrey);
    EXPECT_TRUE(isTransparent(on, 50, 12));
    EXPECT_TRUE(isTransparent(on, 71, 20));

    // No box, tick or text anywhere else.
    for (auto image : {off, on})
    {
        EXPECT_TRUE(isTransparent(image, 10, 20));
        EXPECT_TRUE(isTransparent(image, 100, 20));
    }
}
