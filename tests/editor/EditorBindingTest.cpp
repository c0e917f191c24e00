#include "EditorChildren.h"
#include "EditorTestSupport.h"

using namespace editortest;

namespace
{
class EditorBindings : public ::testing::Test
{
protected:
    juce::RangedAudioParameter& parameter(const char* id)
    {
        return *processor.valueTreeState.getParameter(id);
    }

    // What every control shows right now, in stacking order; unbound children read 0.
    std::vector<double> controlValues()
    {
        std::vector<double> values;
        for (int i = 0; i < childCount; ++i)
        {
            auto* component = editor->getChildComponent(i);
            if (auto* slider = dynamic_cast<juce::Slider*>(component))
                values.push_back(slider->getValue());
            else if (auto* button = dynamic_cast<juce::ToggleButton*>(component))
                values.push_back(button->getToggleState() ? 1.0 : 0.0);
            else if (auto* box = dynamic_cast<juce::ComboBox*>(component))
                values.push_back(box->getSelectedId());
            else
                values.push_back(0.0);
        }
        return values;
    }

    // As a host shows it; hit-testing only finds visible components.
    void SetUp() override { editor->setVisible(true); }

    SorvandelAudioProcessor processor;
    std::unique_ptr<SorvandelAudioProcessorEditor> editor =
        std::make_unique<SorvandelAudioProcessorEditor>(processor);
};

juce::Slider::SliderStyle styleOf(Kind kind)
{
    if (kind == Kind::rotary)
        return juce::Slider::RotaryVerticalDrag;
    return kind == Kind::vertical ? juce::Slider::LinearVertical : juce::Slider::LinearHorizontal;
}
} // namespace

TEST_F(EditorBindings, SlidersTakeTheirParametersRangesAndValues)
{
    int sliders = 0;
    for (const auto& expected : children)
    {
        auto* slider = dynamic_cast<juce::Slider*>(editor->getChildComponent(indexOf(expected.name)));
        if (slider == nullptr)
            continue;

        ++sliders;
        SCOPED_TRACE(expected.name);
        const auto range = parameter(expected.parameterId).getNormalisableRange();

        EXPECT_EQ(slider->getSliderStyle(), styleOf(expected.kind));
        EXPECT_EQ(slider->getMinimum(), (double) range.start);
        EXPECT_EQ(slider->getMaximum(), (double) range.end);
        EXPECT_EQ(slider->getInterval(), (double) range.interval);
        EXPECT_EQ(slider->getValue(), (double) parameterValue(processor, expected.parameterId));
        EXPECT_EQ(slider->getTextBoxPosition(), juce::Slider::NoTextBox);
        EXPECT_TRUE(slider->isTextBoxEditable()); // stored, though no box shows
        EXPECT_EQ(slider->getTextBoxWidth(), 50);
        EXPECT_EQ(slider->getTextBoxHeight(), 20);
    }
    EXPECT_EQ(sliders, 18);
}

TEST_F(EditorBindings, EachBoundParameterMovesExactlyItsOwnControl)
{
    for (auto* rawParameter : processor.getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*>(rawParameter);
        ASSERT_NE(ranged, nullptr);
        const auto id = ranged->getParameterID();
        SCOPED_TRACE(id);

        const auto before = controlValues();
        const auto target = ranged->getValue() > 0.5f ? 0.25f : 0.75f;
        ranged->setValueNotifyingHost(target);
        const auto after = controlValues();

        std::vector<int> moved;
        for (int i = 0; i < childCount; ++i)
            if (!juce::approximatelyEqual(before[(size_t) i], after[(size_t) i]))
                moved.push_back(i);

        const auto owner = std::find_if(std::begin(children), std::end(children),
                                        [&](const Child& c) { return id == c.parameterId; });

        if (id == "freqGain" || id == "freqQ" || id == "ratio")
        {
            EXPECT_TRUE(moved.empty()) << "a control follows " << id;
            EXPECT_EQ(owner, std::end(children));
            continue;
        }

        ASSERT_NE(owner, std::end(children)) << "no control for " << id;
        ASSERT_EQ(moved.size(), 1u);
        EXPECT_EQ(moved.front(), (int) (owner - std::begin(children)));
    }
}

TEST_F(EditorBindings, OpeningShowsValuesTheHostSetBefore)
{
    editor.reset();
    setParameter(processor, "delay", 1000.0f);
    setParameter(processor, "lowPass", 440.0f);
    setParameter(processor, "filterOrder", 1.0f);
    setParameter(processor, "distType", 3.0f);

    editor = std::make_unique<SorvandelAudioProcessorEditor>(processor);

    EXPECT_EQ(child<juce::Slider>(*editor, "delayKnob").getValue(), 1000.0);
    EXPECT_NEAR(child<juce::Slider>(*editor, "lowPassSlider").getValue(), 440.0, 0.05);
    EXPECT_TRUE(child<juce::ToggleButton>(*editor, "filterOrderButton").getToggleState());
    EXPECT_EQ(child<juce::ComboBox>(*editor, "distTypeBox").getText(), "Dist III");
}

TEST_F(EditorBindings, ClickOnAnOrderCaptionTogglesTheSwitchBeneath)
{
    for (auto [captionName, buttonName, parameterId] :
         {std::tuple{"signalOrderLabel", "signalOrderButton", "signalOrder"},
          std::tuple{"filterOrderLabel", "filterOrderButton", "filterOrder"}})
    {
        SCOPED_TRACE(captionName);
        auto& caption = child<juce::Label>(*editor, captionName);
        auto& button = child<juce::ToggleButton>(*editor, buttonName);

        // Both on the caption's text and on the gap of spaces over the arrow.
        for (auto point :
             {caption.getBounds().getCentre(), caption.getBounds().getTopLeft().translated(8, 10)})
        {
            EXPECT_EQ(clickAt(*editor, point), &button);
            EXPECT_TRUE(button.getToggleState());
            EXPECT_EQ(parameterValue(processor, parameterId), 1.0f);

            EXPECT_EQ(clickAt(*editor, point), &button);
            EXPECT_FALSE(button.getToggleState());
            EXPECT_EQ(parameterValue(processor, parameterId), 0.0f);
        }
    }
}

TEST_F(EditorBindings, DistortionTypeBoxFollowsAndSetsDistType)
{
    auto& box = child<juce::ComboBox>(*editor, "distTypeBox");
    ASSERT_EQ(box.getNumItems(), 3);
    EXPECT_EQ(box.getItemText(0), "Dist I");
    EXPECT_EQ(box.getItemText(1), "Dist II");
    EXPECT_EQ(box.getItemText(2), "Dist III");
    EXPECT_EQ(box.getItemId(0), 1);
    EXPECT_EQ(box.getItemId(2), 3);
    EXPECT_EQ(box.getSelectedId(), 1);

    box.setSelectedId(2, juce::sendNotificationSync);
    EXPECT_EQ(parameterValue(processor, "distType"), 2.0f);

    setParameter(processor, "distType", 3.0f);
    EXPECT_EQ(box.getSelectedId(), 3);
    EXPECT_EQ(box.getText(), "Dist III");
}

TEST_F(EditorBindings, CaptionsComponentIdsAndLookAndFeel)
{
    for (int i = 0; i < childCount; ++i)
    {
        const auto& expected = children[i];
        auto* component = editor->getChildComponent(i);
        SCOPED_TRACE(expected.name);

        // IDs pick drawing variants by exact, case-sensitive comparison.
        EXPECT_EQ(component->getComponentID(), juce::String(expected.componentId));
        EXPECT_TRUE(component->getName().isEmpty());

        const auto drawsCustom = expected.kind == Kind::toggle || expected.kind == Kind::rotary ||
                                 expected.kind == Kind::horizontal || expected.kind == Kind::vertical;
        EXPECT_EQ(dynamic_cast<CustomSliderLookAndFeel*>(&component->getLookAndFeel()) != nullptr,
                  drawsCustom);

        if (auto* label = dynamic_cast<juce::Label*>(component))
        {
            EXPECT_EQ(label->getText(), juce::String(expected.text));
            if (expected.kind == Kind::caption)
            {
                EXPECT_EQ(label->getJustificationType(), juce::Justification(juce::Justification::centred));
            }
        }

        if (auto* button = dynamic_cast<juce::ToggleButton*>(component))
        {
            EXPECT_TRUE(button->getButtonText().isEmpty());
        }
    }

    EXPECT_EQ(child<juce::Label>(*editor, "signalOrderLabel").getText().length(), 17);
    EXPECT_EQ(child<juce::Label>(*editor, "filterOrderLabel").getText().length(), 17);

    for (auto* name : {"signalOrderLabel", "filterOrderLabel"})
    {
        bool self = true, itsChildren = true;
        child<juce::Label>(*editor, name).getInterceptsMouseClicks(self, itsChildren);
        EXPECT_FALSE(self) << name;
        EXPECT_FALSE(itsChildren) << name;
    }
}
