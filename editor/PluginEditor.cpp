#include "PluginEditor.h"

#include "BinaryData.h"

//==============================================================================
VerticalLabel::VerticalLabel() = default;

VerticalLabel::~VerticalLabel() = default;

void VerticalLabel::paint(juce::Graphics& g)
{
    g.setColour(findColour(juce::Label::textColourId));
    g.setFont(getFont());

    const auto text = getText();
    const auto width = getWidth();
    const auto lineHeight = (int) g.getCurrentFont().getHeight();
    const auto length = text.length();
    const auto top = (getHeight() - length * lineHeight) / 2;

    for (int i = 0; i < length; ++i)
        g.drawText(
            text.substring(i, i + 1),
            juce::Rectangle<float>(0.0f, (float) (top + i * lineHeight), (float) width, (float) lineHeight),
            juce::Justification::centred, true);
}

//==============================================================================
namespace
{
constexpr int editorWidth = 712;
constexpr int editorHeight = 512;
constexpr int refreshIntervalMs = 24;
} // namespace

SorvandelAudioProcessorEditor::SorvandelAudioProcessorEditor(SorvandelAudioProcessor& processorToEdit)
    : juce::AudioProcessorEditor(processorToEdit)
    , audioProcessor(processorToEdit)
    , customLookAndFeel(processorToEdit.valueTreeState)
{
    // Lays out the members before they are added; the bounds they get here stay.
    setSize(editorWidth, editorHeight);
    startTimer(refreshIntervalMs);

    for (auto* meter : {&inputMeterLeft, &inputMeterRight, &outputMeterLeft, &outputMeterRight})
        addAndMakeVisible(meter);

    addOrderSwitch(signalOrderButton, signalOrderAttachment, "signalOrder");
    addOrderSwitch(filterOrderButton, filterOrderAttachment, "filterOrder");
    addSliders();
    addCaptions();
    addDistTypeBox();
}

SorvandelAudioProcessorEditor::~SorvandelAudioProcessorEditor()
{
    // customLookAndFeel is destroyed before the controls that use it.
    for (auto* slider : {&delayKnob, &feedbackKnob, &distortionKnob, &highPassSlider, &lowPassSlider,
                         &dryWetKnob, &lowPassQSlider, &highPassQSlider, &lpfEnvKnob, &hpfEnvKnob,
                         &lpfEnvAttackSlider, &lpfEnvReleaseSlider, &hpfEnvAttackSlider, &hpfEnvReleaseSlider,
                         &lpfSkewKnob, &hpfSkewKnob, &inputGainSlider, &outputGainSlider})
        slider->setLookAndFeel(nullptr);

    signalOrderButton.setLookAndFeel(nullptr);
    filterOrderButton.setLookAndFeel(nullptr);
}

void SorvandelAudioProcessorEditor::addOrderSwitch(juce::ToggleButton& button,
                                                   std::unique_ptr<ButtonAttachment>& attachment,
                                                   const juce::String& parameterId)
{
    button.setLookAndFeel(&customLookAndFeel);
    addAndMakeVisible(button);
    attachment = std::make_unique<ButtonAttachment>(audioProcessor.valueTreeState, parameterId, button);
}

void SorvandelAudioProcessorEditor::addSlider(juce::Slider& slider, juce::Slider::SliderStyle style,
                                              const juce::String& componentId,
                                              std::unique_ptr<SliderAttachment>& attachment,
                                              const juce::String& parameterId)
{
    slider.setSliderStyle(style);
    slider.setLookAndFeel(&customLookAndFeel);
    if (componentId.isNotEmpty())
        slider.setComponentID(componentId);
    slider.setTextBoxStyle(juce::Slider::NoTextBox, false, 50, 20);
    addAndMakeVisible(slider);
    attachment = std::make_unique<SliderAttachment>(audioProcessor.valueTreeState, parameterId, slider);
}

void SorvandelAudioProcessorEditor::addSliders()
{
    constexpr auto rotary = juce::Slider::RotaryVerticalDrag;
    constexpr auto horizontal = juce::Slider::LinearHorizontal;
    constexpr auto vertical = juce::Slider::LinearVertical;

    addSlider(delayKnob, rotary, {}, delayAttachment, "delay");
    addSlider(feedbackKnob, rotary, {}, feedbackAttachment, "feedback");
    addSlider(distortionKnob, rotary, {}, distortionAttachment, "distortion");
    addSlider(lowPassSlider, horizontal, "lpf", lowPassAttachment, "lowPass");
    addSlider(highPassSlider, horizontal, "hpf", highPassAttachment, "highPass");
    addSlider(lowPassQSlider, horizontal, {}, lowPassQAttachment, "lowPassQ");
    addSlider(highPassQSlider, horizontal, {}, highPassQAttachment, "highPassQ");
    addSlider(dryWetKnob, rotary, {}, dryWetAttachment, "dryWet");
    addSlider(lpfEnvKnob, rotary, "envKnob", lpfEnvAttachment, "lpfEnv");
    addSlider(hpfEnvKnob, rotary, "envKnob", hpfEnvAttachment, "hpfEnv");
    addSlider(lpfSkewKnob, rotary, {}, lpfSkewAttachment, "lpfSkew");
    addSlider(hpfSkewKnob, rotary, {}, hpfSkewAttachment, "hpfSkew");
    addSlider(lpfEnvAttackSlider, horizontal, {}, lpfEnvAttackAttachment, "lpfEnvAttack");
    addSlider(lpfEnvReleaseSlider, horizontal, {}, lpfEnvReleaseAttachment, "lpfEnvRelease");
    addSlider(hpfEnvAttackSlider, horizontal, {}, hpfEnvAttackAttachment, "hpfEnvAttack");
    addSlider(hpfEnvReleaseSlider, horizontal, {}, hpfEnvReleaseAttachment, "hpfEnvRelease");
    addSlider(inputGainSlider, vertical, "gainSlider", inputGainAttachment, "inputGain");
    addSlider(outputGainSlider, vertical, "gainSlider", outputGainAttachment, "outputGain");
}

void SorvandelAudioProcessorEditor::addCaption(juce::Label& caption, const juce::String& text)
{
    caption.setText(text, juce::dontSendNotification);

    // A vertical caption centres each character itself.
    if (dynamic_cast<VerticalLabel*>(&caption) == nullptr)
        caption.setJustificationType(juce::Justification::centred);

    addAndMakeVisible(caption);
}

void SorvandelAudioProcessorEditor::addCaptions()
{
    addCaption(delayLabel, "Decay Time");
    addCaption(feedbackLabel, "Spread");
    addCaption(distortionLabel, "Distortion");
    addCaption(dryWetLabel, "Dry/Wet");
    addCaption(lowPassLabel, "Lowpass Filter");
    addCaption(highPassLabel, "Highpass Filter");
    addCaption(qLabel, "Q");
    addCaption(freqLabel, "Freq");
    addCaption(hpfEnvLabel, "Env");
    addCaption(hpfSkewLabel, "Skew");
    addCaption(lpfEnvLabel, "Env");
    addCaption(lpfSkewLabel, "Skew");
    addCaption(attackReleaseLabel, "A/R");
    addCaption(inputGainLabel, "Input");
    addCaption(outputGainLabel, "Output");

    // These lie over their switches: the spaces leave room for the arrow, and clicks go through
    // to the switch beneath.
    addCaption(signalOrderLabel, "Rev          Dist");
    addCaption(filterOrderLabel, "Rev          Filt");
    signalOrderLabel.setInterceptsMouseClicks(false, false);
    filterOrderLabel.setInterceptsMouseClicks(false, false);
}

void SorvandelAudioProcessorEditor::addDistTypeBox()
{
    distTypeBox.addItemList({"Dist I", "Dist II", "Dist III"}, 1);
    addAndMakeVisible(distTypeBox);
    distTypeAttachment =
        std::make_unique<ComboBoxAttachment>(audioProcessor.valueTreeState, "distType", distTypeBox);
}

//==============================================================================
void SorvandelAudioProcessorEditor::resized()
{
    inputGainLabel.setBounds(14, 440, 50, 30);
    outputGainLabel.setBounds(627, 440, 50, 30);

    auto area = getLocalBounds();
    const auto leftStrip = area.removeFromLeft(100);
    const auto rightStrip = area.removeFromRight(100);
    layOutSideStrip(rightStrip, outputMeterLeft, outputMeterRight, outputGainSlider);
    layOutSideStrip(leftStrip, inputMeterLeft, inputMeterRight, inputGainSlider);

    auto main = area.reduced(15);
    const auto columnWidth = main.getWidth() / 3;
    const auto envelopeKnobWidth = (int) ((float) columnWidth / 3.0f);
    auto lowerHalf = main.removeFromBottom(main.getHeight() / 2);
    layOutKnobRow(main, columnWidth);

    const auto lowerColumnWidth = (int) (float) columnWidth;
    const auto columnA = lowerHalf.removeFromLeft(lowerColumnWidth);
    const auto captionColumn = lowerHalf.removeFromLeft(40);
    lowerHalf.removeFromLeft(5);
    const auto columnB = lowerHalf.removeFromLeft(lowerColumnWidth);
    const auto columnC = lowerHalf.removeFromLeft(lowerColumnWidth);

    layOutFilterColumn(columnA, envelopeKnobWidth, hpfEnvLabel, hpfEnvKnob, hpfSkewLabel, hpfSkewKnob,
                       highPassSlider, hpfEnvAttackSlider, hpfEnvReleaseSlider, highPassQSlider,
                       highPassLabel);
    layOutFilterColumn(columnB, envelopeKnobWidth, lpfEnvLabel, lpfEnvKnob, lpfSkewLabel, lpfSkewKnob,
                       lowPassSlider, lpfEnvAttackSlider, lpfEnvReleaseSlider, lowPassQSlider, lowPassLabel);
    layOutCaptionColumn(captionColumn);
    layOutMixColumn(columnC);
}

void SorvandelAudioProcessorEditor::layOutSideStrip(juce::Rectangle<int> strip, Meter& left, Meter& right,
                                                    juce::Slider& gain)
{
    strip = strip.reduced(10, 75);
    left.setBounds(strip.removeFromLeft(30));
    right.setBounds(strip.removeFromLeft(30));
    gain.setBounds(strip);
}

void SorvandelAudioProcessorEditor::layOutKnobRow(juce::Rectangle<int> upperHalf, int columnWidth)
{
    upperHalf.removeFromTop(80); // the title band, where the banner and logo show
    auto captionRow = upperHalf.removeFromBottom(25);
    auto knobRow = upperHalf;

    const auto first = knobRow.removeFromLeft(columnWidth);
    const auto second = knobRow.removeFromLeft(columnWidth);
    const auto third = knobRow; // takes the remainder of the division by 3

    delayKnob.setBounds(first.reduced(7));
    feedbackKnob.setBounds(second.reduced(7));
    distortionKnob.setBounds(third.reduced(7));

    delayLabel.setBounds(captionRow.withX(first.getX()).withWidth(first.getWidth()));
    feedbackLabel.setBounds(captionRow.withX(second.getX()).withWidth(second.getWidth()));
    distortionLabel.setBounds(captionRow.withX(third.getX()).withWidth(third.getWidth()));
}

void SorvandelAudioProcessorEditor::layOutFilterColumn(juce::Rectangle<int> column, int envelopeKnobWidth,
                                                       juce::Label& envCaption, juce::Slider& envKnob,
                                                       juce::Label& skewCaption, juce::Slider& skewKnob,
                                                       juce::Slider& cutoff, juce::Slider& attack,
                                                       juce::Slider& release, juce::Slider& q,
                                                       juce::Label& groupCaption)
{
    groupCaption.setBounds(column.removeFromBottom(25));

    auto envelopeRow = column.removeFromTop(70);
    envCaption.setBounds(envelopeRow.removeFromLeft(20));
    envKnob.setBounds(envelopeRow.removeFromLeft(envelopeKnobWidth).reduced(1));
    skewCaption.setBounds(envelopeRow.removeFromLeft(20));
    skewKnob.setBounds(envelopeRow.reduced(7));

    cutoff.setBounds(column.removeFromTop(40));

    auto attackReleaseRow = column.removeFromTop(70);
    attack.setBounds(attackReleaseRow.removeFromLeft(attackReleaseRow.getWidth() / 2));
    release.setBounds(attackReleaseRow);

    q.setBounds(column);
}

void SorvandelAudioProcessorEditor::layOutCaptionColumn(juce::Rectangle<int> column)
{
    column.removeFromTop(70);
    column.removeFromBottom(25);
    freqLabel.setBounds(column.removeFromTop(30));
    attackReleaseLabel.setBounds(column.removeFromTop(70));
    qLabel.setBounds(column);
}

void SorvandelAudioProcessorEditor::layOutMixColumn(juce::Rectangle<int> column)
{
    distTypeBox.setBounds(column.removeFromTop(60).reduced(15));
    filterOrderLabel.setBounds(486, 365, 100, 20);
    signalOrderLabel.setBounds(488, 325, 100, 20);
    signalOrderButton.setBounds(column.removeFromTop(40));
    filterOrderButton.setBounds(column.removeFromTop(40));
    dryWetKnob.setBounds(column.removeFromTop(70).reduced(7));
    dryWetLabel.setBounds(column);
}

//==============================================================================
void SorvandelAudioProcessorEditor::paint(juce::Graphics& g)
{
    const auto height = getHeight();

    drawImage(g, backgroundImage, BinaryData::temp_binary_data_0, BinaryData::temp_binary_data_0Size,
              {100.0f, 0.0f, 512.0f, 512.0f});

    // A faint tint over the background and the bare side strips.
    juce::ColourGradient tint(juce::Colours::darkblue, 0.0f, 0.0f, juce::Colours::darkgrey, 0.0f,
                              (float) height, false);
    tint.multiplyOpacity(0.17f);
    g.setGradientFill(tint);
    g.fillRect(0, 0, getWidth(), height);

    drawImage(g, titleBannerImage, BinaryData::temp_binary_data_4, BinaryData::temp_binary_data_4Size,
              {130.0f, 0.0f, 512.0f, 256.0f});
    drawImage(g, logoImage, BinaryData::temp_binary_data_3, BinaryData::temp_binary_data_3Size,
              {170.0f, 25.0f, 70.0f, 70.0f});
}

void SorvandelAudioProcessorEditor::drawImage(juce::Graphics& g, juce::Image& image, const char* data,
                                              int size, juce::Rectangle<float> target)
{
    // The cache decodes each image once and hands the same one back while this member holds it.
    // JUCE 7.0.5 destroys its cache at shut-down with the cache's purge timer still running, off
    // the message thread when a host unloads the plug-in soon after closing the window; there the
    // editor decodes its images once itself and leaves nothing in the cache.
#if JUCE_VERSION > 0x070005
    image = juce::ImageCache::getFromMemory(data, size);
#else
    if (!image.isValid())
        image = juce::ImageFileFormat::loadFrom(data, (size_t) size);
#endif
    if (image.isValid())
        g.drawImage(image, target, juce::RectanglePlacement::stretchToFit, false);
}

void SorvandelAudioProcessorEditor::timerCallback()
{
    customLookAndFeel.currentLowPassCutoff = audioProcessor.currentLowPassCutoff.load();
    customLookAndFeel.currentHighPassCutoff = audioProcessor.currentHighPassCutoff.load();
    repaint();

    inputMeterLeft.levelDb = audioProcessor.inputLevelLeft.load();
    inputMeterRight.levelDb = audioProcessor.inputLevelRight.load();
    outputMeterLeft.levelDb = audioProcessor.outputLevelLeft.load();
    outputMeterRight.levelDb = audioProcessor.outputLevelRight.load();

    inputMeterLeft.clipping = audioProcessor.inputClipLeft.load();
    inputMeterRight.clipping = audioProcessor.inputClipRight.load();
    outputMeterLeft.clipping = audioProcessor.outputClipLeft.load();
    outputMeterRight.clipping = audioProcessor.outputClipRight.load();

    for (auto* meter : {&inputMeterLeft, &inputMeterRight, &outputMeterLeft, &outputMeterRight})
        meter->repaint();
}
