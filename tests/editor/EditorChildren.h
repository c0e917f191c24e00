#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <stdexcept>
#include <string>

// The editor's 42 children in their stacking order, back to front, with what each one is.
namespace editortest
{
enum class Kind
{
    meter,
    toggle,
    rotary,
    horizontal,
    vertical,
    caption,
    verticalCaption,
    comboBox
};

struct Child
{
    const char* name;
    Kind kind;
    juce::Rectangle<int> bounds; // at 712 x 512
    const char* parameterId;     // empty when unbound
    const char* componentId;
    const char* text; // caption text
};

// clang-format off
inline const Child children[] = {
    {"inputMeterLeft", Kind::meter, {10, 75, 30, 362}, "", "", ""},
    {"inputMeterRight", Kind::meter, {40, 75, 30, 362}, "", "", ""},
    {"outputMeterLeft", Kind::meter, {622, 75, 30, 362}, "", "", ""},
    {"outputMeterRight", Kind::meter, {652, 75, 30, 362}, "", "", ""},
    {"signalOrderButton", Kind::toggle, {480, 316, 117, 40}, "signalOrder", "", ""},
    {"filterOrderButton", Kind::toggle, {480, 356, 117, 40}, "filterOrder", "", ""},
    {"delayKnob", Kind::rotary, {122, 102, 146, 122}, "delay", "", ""},
    {"feedbackKnob", Kind::rotary, {282, 102, 146, 122}, "feedback", "", ""},
    {"distortionKnob", Kind::rotary, {442, 102, 148, 122}, "distortion", "", ""},
    {"lowPassSlider", Kind::horizontal, {320, 326, 160, 40}, "lowPass", "lpf", ""},
    {"highPassSlider", Kind::horizontal, {115, 326, 160, 40}, "highPass", "hpf", ""},
    {"lowPassQSlider", Kind::horizontal, {320, 436, 160, 36}, "lowPassQ", "", ""},
    {"highPassQSlider", Kind::horizontal, {115, 436, 160, 36}, "highPassQ", "", ""},
    {"dryWetKnob", Kind::rotary, {487, 403, 103, 56}, "dryWet", "", ""},
    {"lpfEnvKnob", Kind::rotary, {341, 257, 51, 68}, "lpfEnv", "envKnob", ""},
    {"hpfEnvKnob", Kind::rotary, {136, 257, 51, 68}, "hpfEnv", "envKnob", ""},
    {"lpfSkewKnob", Kind::rotary, {420, 263, 53, 56}, "lpfSkew", "", ""},
    {"hpfSkewKnob", Kind::rotary, {215, 263, 53, 56}, "hpfSkew", "", ""},
    {"lpfEnvAttackSlider", Kind::horizontal, {320, 366, 80, 70}, "lpfEnvAttack", "", ""},
    {"lpfEnvReleaseSlider", Kind::horizontal, {400, 366, 80, 70}, "lpfEnvRelease", "", ""},
    {"hpfEnvAttackSlider", Kind::horizontal, {115, 366, 80, 70}, "hpfEnvAttack", "", ""},
    {"hpfEnvReleaseSlider", Kind::horizontal, {195, 366, 80, 70}, "hpfEnvRelease", "", ""},
    {"inputGainSlider", Kind::vertical, {70, 75, 20, 362}, "inputGain", "gainSlider", ""},
    {"outputGainSlider", Kind::vertical, {682, 75, 20, 362}, "outputGain", "gainSlider", ""},
    {"delayLabel", Kind::caption, {115, 231, 160, 25}, "", "", "Decay Time"},
    {"feedbackLabel", Kind::caption, {275, 231, 160, 25}, "", "", "Spread"},
    {"distortionLabel", Kind::caption, {435, 231, 162, 25}, "", "", "Distortion"},
    {"dryWetLabel", Kind::caption, {480, 466, 117, 31}, "", "", "Dry/Wet"},
    {"lowPassLabel", Kind::caption, {320, 472, 160, 25}, "", "", "Lowpass Filter"},
    {"highPassLabel", Kind::caption, {115, 472, 160, 25}, "", "", "Highpass Filter"},
    {"qLabel", Kind::caption, {275, 426, 40, 46}, "", "", "Q"},
    {"freqLabel", Kind::caption, {275, 326, 40, 30}, "", "", "Freq"},
    {"hpfEnvLabel", Kind::verticalCaption, {115, 256, 20, 70}, "", "", "Env"},
    {"hpfSkewLabel", Kind::verticalCaption, {188, 256, 20, 70}, "", "", "Skew"},
    {"lpfEnvLabel", Kind::verticalCaption, {320, 256, 20, 70}, "", "", "Env"},
    {"lpfSkewLabel", Kind::verticalCaption, {393, 256, 20, 70}, "", "", "Skew"},
    {"attackReleaseLabel", Kind::caption, {275, 356, 40, 70}, "", "", "A/R"},
    {"inputGainLabel", Kind::caption, {14, 440, 50, 30}, "", "", "Input"},
    {"outputGainLabel", Kind::caption, {627, 440, 50, 30}, "", "", "Output"},
    {"signalOrderLabel", Kind::caption, {488, 325, 100, 20}, "", "", "Rev          Dist"},
    {"filterOrderLabel", Kind::caption, {486, 365, 100, 20}, "", "", "Rev          Filt"},
    {"distTypeBox", Kind::comboBox, {495, 271, 87, 30}, "distType", "", ""},
};
// clang-format on

constexpr int childCount = (int) (sizeof(children) / sizeof(children[0]));

inline int indexOf(const char* name)
{
    for (int i = 0; i < childCount; ++i)
        if (juce::String(children[i].name) == name)
            return i;
    return -1;
}

template <typename ComponentType> ComponentType& child(juce::Component& editor, const char* name)
{
    auto* component = dynamic_cast<ComponentType*>(editor.getChildComponent(indexOf(name)));
    if (component == nullptr)
        throw std::runtime_error(std::string("no child of the expected class: ") + name);
    return *component;
}
} // namespace editortest
