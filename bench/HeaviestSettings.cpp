#include "HeaviestSettings.h"

void setParameter(juce::AudioProcessorValueTreeState& state, const char* id, float value)
{
    auto* parameter = state.getParameter(id);
    parameter->setValueNotifyingHost(parameter->convertTo0to1(value));
}

void applyHeaviestUnitSettings(juce::AudioProcessorValueTreeState& state)
{
    setParameter(state, "distType", 2.0f);
    setParameter(state, "distortion", 99.0f);
    setParameter(state, "delay", 2500.0f);
    setParameter(state, "feedback", 0.37f);
    setParameter(state, "lowPass", 18000.0f);
    setParameter(state, "lpfEnv", -15000.0f);
    setParameter(state, "highPass", 100.0f);
    setParameter(state, "hpfEnv", 3000.0f);
    setParameter(state, "lowPassQ", 4.0f);
    setParameter(state, "highPassQ", 4.0f);
    for (const auto* id : {"lpfEnvAttack", "lpfEnvRelease", "hpfEnvAttack", "hpfEnvRelease"})
        setParameter(state, id, 3.0f);
    setParameter(state, "lpfSkew", 0.3f);
    setParameter(state, "hpfSkew", 0.3f);
}
