#include "PluginEditor.h"

#include <benchmark/benchmark.h>

// One full repaint of the editor window, as each tick of its 24 ms timer causes: the window's
// own images and tint, then every child, rendered by the software renderer into a 712 x 512
// image. The time column is milliseconds per frame; at 41.7 frames a second, 4 ms per frame
// is a sixth of one core.
static void editorFullPaint(benchmark::State& state)
{
    const juce::ScopedJuceInitialiser_GUI gui;

    SorvandelAudioProcessor processor;
    SorvandelAudioProcessorEditor editor(processor);
    processor.inputLevelLeft = -12.0f;
    processor.inputLevelRight = -18.0f;
    processor.outputLevelLeft = 2.0f;
    processor.outputLevelRight = -6.0f;
    processor.outputClipLeft = true;
    processor.currentLowPassCutoff = 9000.0f;
    editor.timerCallback();

    juce::Image frame(juce::Image::ARGB, editor.getWidth(), editor.getHeight(), true,
                      juce::SoftwareImageType());

    for (auto _ : state)
    {
        frame.clear(frame.getBounds());
        juce::Graphics g(frame);
        editor.paintEntireComponent(g, false);
        benchmark::DoNotOptimize(frame.getPixelAt(356, 256));
    }
}
BENCHMARK(editorFullPaint)->Unit(benchmark::kMillisecond)->UseRealTime();
