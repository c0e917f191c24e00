#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// A passive level bar: the editor writes the level and clip flag and repaints it. It keeps no
// history, so it shows exactly the last value it was given.
class Meter : public juce::Component
{
public:
    ~Meter() override;

    void paint(juce::Graphics& g) override;

    // The scale runs from -100 dB (empty) to +6 dB (full).
    float levelDb = -60.0f;
    bool clipping = false;
};
