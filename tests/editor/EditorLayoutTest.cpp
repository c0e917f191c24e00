#include "EditorChildren.h"
#include "EditorTestSupport.h"

using namespace editortest;

namespace
{
struct Placed
{
    const char* name;
    juce::Rectangle<int> bounds;
};

class EditorLayout : public ::testing::Test
{
protected:
    void expectBounds(std::initializer_list<Placed> expected)
    {
        for (const auto& item : expected)
            EXPECT_EQ(editor.getChildComponent(indexOf(item.name))->getBounds(), item.bounds) << item.name;
    }

    SorvandelAudioProcessor processor;
    SorvandelAudioProcessorEditor editor{processor};
};
} // namespace

TEST_F(EditorLayout, OpensAtTheFixedSizeAndIsNotResizable)
{
    EXPECT_EQ(editor.getWidth(), 712);
    EXPECT_EQ(editor.getHeight(), 512);
    EXPECT_FALSE(editor.isResizable());
}

TEST_F(EditorLayout, StacksTheFortyTwoChildrenInOrderAtTheirBounds)
{
    ASSERT_EQ(editor.getNumChildComponents(), childCount);

    for (int i = 0; i < childCount; ++i)
    {
        const auto& expected = children[i];
        auto* component = editor.getChildComponent(i);
        SCOPED_TRACE(expected.name);

        EXPECT_EQ(component->getBounds(), expected.bounds);
        EXPECT_TRUE(component->isVisible());

        switch (expected.kind)
        {
            case Kind::meter:
                EXPECT_NE(dynamic_cast<Meter*>(component), nullptr);
                break;
            case Kind::toggle:
                EXPECT_NE(dynamic_cast<juce::ToggleButton*>(component), nullptr);
                break;
            case Kind::rotary:
            case Kind::horizontal:
            case Kind::vertical:
                EXPECT_NE(dynamic_cast<juce::Slider*>(component), nullptr);
                break;
            case Kind::caption:
                EXPECT_NE(dynamic_cast<juce::Label*>(component), nullptr);
                EXPECT_EQ(dynamic_cast<VerticalLabel*>(component), nullptr);
                break;
            case Kind::verticalCaption:
                EXPECT_NE(dynamic_cast<VerticalLabel*>(component), nullptr);
                break;
            case Kind::comboBox:
                EXPECT_NE(dynamic_cast<juce::ComboBox*>(component), nullptr);
                break;
        }
    }
}

TEST_F(EditorLayout, OddHeightGivesTheUpperHalfTheExtraRow)
{
    editor.setSize(712, 513);

    // Main height 483: the lower half gets 241 rows, the upper half 242.
    expectBounds({{"delayKnob", {122, 102, 146, 123}},
                  {"delayLabel", {115, 232, 160, 25}},
                  {"hpfEnvLabel", {115, 257, 20, 70}},
                  {"highPassSlider", {115, 327, 160, 40}},
                  {"highPassLabel", {115, 473, 160, 25}},
                  {"dryWetLabel", {480, 467, 117, 31}},
                  {"inputMeterLeft", {10, 75, 30, 363}}});
}

TEST_F(EditorLayout, LargerSizeFollowsTheSlicingRules)
{
    editor.setSize(800, 600);

    // Middle area 600 wide, main area (115, 15, 570, 570), column width 190, envelope knob 63,
    // lower half (115, 300, 570, 285) leaving 145 for the last column.
    expectBounds({
        {"inputMeterLeft", {10, 75, 30, 450}},
        {"inputMeterRight", {40, 75, 30, 450}},
        {"inputGainSlider", {70, 75, 20, 450}},
        {"outputMeterLeft", {710, 75, 30, 450}},
        {"outputMeterRight", {740, 75, 30, 450}},
        {"outputGainSlider", {770, 75, 20, 450}},
        {"delayKnob", {122, 102, 176, 166}},
        {"feedbackKnob", {312, 102, 176, 166}},
        {"distortionKnob", {502, 102, 176, 166}},
        {"delayLabel", {115, 275, 190, 25}},
        {"distortionLabel", {495, 275, 190, 25}},
        {"hpfEnvLabel", {115, 300, 20, 70}},
        {"hpfEnvKnob", {136, 301, 61, 68}},
        {"hpfSkewLabel", {198, 300, 20, 70}},
        {"hpfSkewKnob", {225, 307, 73, 56}},
        {"highPassSlider", {115, 370, 190, 40}},
        {"hpfEnvAttackSlider", {115, 410, 95, 70}},
        {"hpfEnvReleaseSlider", {210, 410, 95, 70}},
        {"highPassQSlider", {115, 480, 190, 80}},
        {"highPassLabel", {115, 560, 190, 25}},
        {"freqLabel", {305, 370, 40, 30}},
        {"attackReleaseLabel", {305, 400, 40, 70}},
        {"qLabel", {305, 470, 40, 90}},
        {"lpfEnvLabel", {350, 300, 20, 70}},
        {"lowPassSlider", {350, 370, 190, 40}},
        {"distTypeBox", {555, 315, 115, 30}},
        {"signalOrderButton", {540, 360, 145, 40}},
        {"filterOrderButton", {540, 400, 145, 40}},
        {"dryWetKnob", {547, 447, 131, 56}},
        {"dryWetLabel", {540, 510, 145, 75}},
        // The four absolute captions stay where they are.
        {"inputGainLabel", {14, 440, 50, 30}},
        {"outputGainLabel", {627, 440, 50, 30}},
        {"signalOrderLabel", {488, 325, 100, 20}},
        {"filterOrderLabel", {486, 365, 100, 20}},
    });
}

TEST_F(EditorLayout, TooSmallSizesDegradeToEmptyPieces)
{
    const char* absolute[] = {"inputGainLabel", "outputGainLabel", "signalOrderLabel", "filterOrderLabel"};

    for (auto size : {juce::Point<int>(150, 100), juce::Point<int>(0, 0), juce::Point<int>(230, 40)})
    {
        editor.setSize(size.x, size.y);
        SCOPED_TRACE(size.toString());

        for (int i = 0; i < childCount; ++i)
        {
            const auto bounds = editor.getChildComponent(i)->getBounds();
            const auto isAbsolute =
                std::any_of(std::begin(absolute), std::end(absolute),
                            [&](const char* name) { return juce::String(name) == children[i].name; });

            if (isAbsolute)
            {
                EXPECT_EQ(bounds, children[i].bounds) << children[i].name;
                continue;
            }

            EXPECT_GE(bounds.getWidth(), 0) << children[i].name;
            EXPECT_GE(bounds.getHeight(), 0) << children[i].name;
            EXPECT_TRUE(bounds.isEmpty()) << children[i].name << " " << bounds.toString();
        }
    }

    // 150 x 100: the right strip only gets the 50 px that are left, and its shrunk rows are empty.
    editor.setSize(150, 100);
    expectBounds({{"inputMeterLeft", {10, 75, 30, 0}},
                  {"outputMeterLeft", {110, 75, 30, 0}},
                  {"outputMeterRight", {140, 75, 0, 0}},
                  {"delayKnob", {122, 57, 0, 0}}});
}
