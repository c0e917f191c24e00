#include "EditorTestSupport.h"

using namespace editortest;

namespace
{
// A meter of the editor's size, 30 x 362: each decibel is 362 / 106 px.
juce::Image drawMeter(float levelDb, bool clipping)
{
    Meter meter;
    meter.setSize(30, 362);
    meter.levelDb = levelDb;
    meter.clipping = clipping;
    return render(meter);
}

bool isBarColour(const juce::Image& image, int x, int y)
{
    const auto colour = image.getPixelAt(x, y);
    return colour.getAlpha() == 255 && colour != juce::Colours::red;
}

// Rows, within [0, height), that hold any ink.
std::vector<int> inkedRows(const juce::Image& image)
{
    std::vector<int> rows;
    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            if (image.getPixelAt(x, y).getAlpha() > 0)
            {
                rows.push_back(y);
                break;
            }
    return rows;
}

bool hasInkBetween(const std::vector<int>& rows, int top, int bottom)
{
    return std::any_of(rows.begin(), rows.end(), [=](int y) { return y >= top && y < bottom; });
}

juce::Image drawVerticalLabel(const juce::String& text)
{
    VerticalLabel label;
    label.setSize(20, 70);
    label.setText(text, juce::dontSendNotification);
    return render(label);
}
} // namespace

TEST(MeterDrawing, StartsAtMinusSixtyWithoutACap)
{
    Meter meter;
    EXPECT_EQ(meter.levelDb, -60.0f);
    EXPECT_FALSE(meter.clipping);
    EXPECT_FALSE(meter.isOpaque());
}

TEST(MeterDrawing, BarHeightFollowsTheLevelFromMinusHundredToPlusSix)
{
    // -100 dB: no bar, only the outline (5, 5, 20, 352).
    const auto silent = drawMeter(-100.0f, false);
    EXPECT_TRUE(sameRgb(silent.getPixelAt(5, 200), juce::Colours::lightblue, 2));
    EXPECT_GT(silent.getPixelAt(5, 200).getAlpha(), 100);
    EXPECT_TRUE(sameRgb(silent.getPixelAt(15, 4), juce::Colours::lightblue, 2));
    EXPECT_TRUE(isTransparent(silent, 15, 350));
    EXPECT_TRUE(isTransparent(silent, 15, 200));
    EXPECT_TRUE(isTransparent(silent, 2, 200));

    // -60 dB: b = 40 * 362 / 106 = 136.6, filled from y 230.4 down to 357.
    const auto quiet = drawMeter(-60.0f, false);
    EXPECT_TRUE(isBarColour(quiet, 15, 233));
    EXPECT_TRUE(isBarColour(quiet, 15, 355));
    EXPECT_TRUE(isTransparent(quiet, 15, 229));
    EXPECT_TRUE(isTransparent(quiet, 15, 359));

    // +6 dB and above: the bar fills the outline.
    for (auto level : {6.0f, 20.0f})
    {
        const auto full = drawMeter(level, false);
        EXPECT_TRUE(isBarColour(full, 15, 8)) << level;
        EXPECT_TRUE(isBarColour(full, 15, 355)) << level;
        EXPECT_TRUE(isTransparent(full, 15, 3)) << level;
    }
}

TEST(MeterDrawing, GradientIsFixedToTheComponent)
{
    // Pink at the top-left corner, light blue half way along the diagonal, pale green at the
    // bottom-right, whatever the level.
    juce::ColourGradient diagonal(juce::Colours::lightpink, 0.0f, 0.0f, juce::Colours::palegreen, 30.0f,
                                  362.0f, false);
    diagonal.addColour(0.5, juce::Colours::lightblue);
    const auto along = [](int x, int y) { return (x * 30.0 + y * 362.0) / (30.0 * 30.0 + 362.0 * 362.0); };

    const auto full = drawMeter(6.0f, false);
    for (auto [x, y] : {std::pair{12, 10}, std::pair{15, 181}, std::pair{20, 352}})
        EXPECT_TRUE(pixelNear(full, x, y, diagonal.getColourAtPosition(along(x, y)), 3)) << x << ", " << y;

    EXPECT_TRUE(pixelNear(full, 15, 181, juce::Colours::lightblue, 3));
    EXPECT_EQ(drawMeter(-60.0f, false).getPixelAt(20, 352), full.getPixelAt(20, 352));
}

TEST(MeterDrawing, ClipCapIsAtMostTenPixelsOverTheTopOfTheBar)
{
    const auto full = drawMeter(6.0f, true);
    EXPECT_EQ(full.getPixelAt(15, 10), juce::Colours::red);
    EXPECT_TRUE(isBarColour(full, 15, 18));

    const auto quiet = drawMeter(-60.0f, true);
    EXPECT_EQ(quiet.getPixelAt(15, 235), juce::Colours::red);
    EXPECT_TRUE(isBarColour(quiet, 15, 245));

    // A bar under 10 px is all cap; an empty bar shows none.
    const auto low = drawMeter(-95.0f, true); // b = 17.1, filled rows 350..357
    EXPECT_EQ(low.getPixelAt(15, 353), juce::Colours::red);
    const auto silent = drawMeter(-100.0f, true);
    for (int y = 6; y < 356; ++y)
        ASSERT_TRUE(isTransparent(silent, 15, y)) << y;
}

TEST(MeterDrawing, TinyMetersDrawNothingInside)
{
    Meter meter;
    meter.setSize(10, 362);
    meter.levelDb = 6.0f;
    meter.clipping = true;
    const auto image = render(meter);
    EXPECT_NE(image.getPixelAt(5, 200), juce::Colours::red);
}

TEST(VerticalLabelDrawing, StacksOneCharacterPerRowCentredWhateverTheJustification)
{
    // In 20 x 70 with the 15-px label font, "Env" sits in (0, 12 + 15 i, 20, 15) and "Skew" in
    // (0, 5 + 15 i, 20, 15), each character centred in its row.
    for (const auto& [text, top] : {std::pair{"Env", 12}, std::pair{"Skew", 5}})
    {
        SCOPED_TRACE(text);
        VerticalLabel label;
        label.setSize(20, 70);
        label.setText(text, juce::dontSendNotification);
        label.setJustificationType(juce::Justification::left);

        auto expected = blankImage(20, 70);
        {
            juce::Graphics g(expected);
            g.setColour(label.findColour(juce::Label::textColourId));
            g.setFont(label.getFont());
            const juce::String characters(text);
            for (int i = 0; i < characters.length(); ++i)
                g.drawText(characters.substring(i, i + 1),
                           juce::Rectangle<float>(0.0f, (float) (top + 15 * i), 20.0f, 15.0f),
                           juce::Justification::centred, true);
        }

        ASSERT_FALSE(inkedRows(expected).empty());
        const auto image = render(label);
        for (int y = 0; y < 70; ++y)
            for (int x = 0; x < 20; ++x)
                ASSERT_EQ(image.getPixelAt(x, y), expected.getPixelAt(x, y)) << x << ", " << y;
    }
}

TEST(VerticalLabelDrawing, EmptyAndOverlongTexts)
{
    EXPECT_TRUE(inkedRows(drawVerticalLabel({})).empty());

    // Five rows of 15 in 70 px: top = -2, so the first row is cut and the last ends at 73.
    const auto rows = inkedRows(drawVerticalLabel("HHHHH"));
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.front(), 0);
    EXPECT_TRUE(hasInkBetween(rows, 58, 70));

    // A character of several UTF-8 bytes gets one row of its own.
    const auto accented = inkedRows(drawVerticalLabel(juce::String::fromUTF8("A\xc3\xa9")));
    EXPECT_TRUE(hasInkBetween(accented, 20, 35));
    EXPECT_TRUE(hasInkBetween(accented, 35, 50));
    EXPECT_FALSE(hasInkBetween(accented, 50, 70));
}
