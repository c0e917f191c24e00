#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

// What a host application has running before it loads a plug-in: JUCE's message thread on the
// calling thread and a display its windows can use. Create one on the host's main thread and keep
// it for as long as any plug-in is loaded.
class HostEnvironment
{
public:
    HostEnvironment();

private:
    struct DisplayPreparer
    {
        DisplayPreparer();
    };

    DisplayPreparer display;
    juce::ScopedJuceInitialiser_GUI gui;
};
