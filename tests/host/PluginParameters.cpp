#include "PluginParameters.h"

#include "ExpectedParameters.h"

const std::array<const char*, PluginParameters::count> PluginParameters::ids = []
{
    std::array<const char*, count> result{};
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = expected::parameters[i].id;
    return result;
}();

PluginParameters::PluginParameters(HostedPlugin& plugin)
{
    for (int index = 0; index < count; ++index)
        parameters[(size_t) index] = plugin.parameter(ids[(size_t) index]);
}

int PluginParameters::indexOf(const juce::String& id)
{
    for (int index = 0; index < count; ++index)
        if (id == ids[(size_t) index])
            return index;

    return -1;
}

float PluginParameters::normalised(const juce::String& id, float value)
{
    const auto& range = expected::parameters[(size_t) indexOf(id)];
    return (value - range.start) / (range.end - range.start);
}

bool PluginParameters::complete() const
{
    for (auto* parameter : parameters)
        if (parameter == nullptr)
            return false;

    return true;
}

void PluginParameters::set(int index, float normalisedValue)
{
    auto* parameter = parameters[(size_t) index];
    parameter->beginChangeGesture();
    parameter->setValueNotifyingHost(normalisedValue);
    parameter->endChangeGesture();
}

float PluginParameters::randomValue(juce::Random& random)
{
    const auto pick = random.nextFloat();

    if (pick < 0.1f)
        return 0.0f;
    if (pick < 0.2f)
        return 1.0f;

    return random.nextFloat();
}

std::vector<float> PluginParameters::randomise(juce::Random& random)
{
    std::vector<float> chosen;

    for (int index = 0; index < count; ++index)
        chosen.push_back(randomValue(random));

    setAll(chosen);
    return chosen;
}

void PluginParameters::setAll(const std::vector<float>& normalisedValues)
{
    for (int index = 0; index < count; ++index)
        set(index, normalisedValues[(size_t) index]);
}

std::vector<float> PluginParameters::values() const
{
    std::vector<float> result;

    for (int index = 0; index < count; ++index)
        result.push_back(value(index));

    return result;
}

float PluginParameters::value(int index) const
{
    return parameters[(size_t) index]->getValue();
}

std::string PluginParameters::describe() const
{
    juce::String text;

    for (int index = 0; index < count; ++index)
        text << ids[(size_t) index] << "=" << parameters[(size_t) index]->getCurrentValueAsText() << " ";

    return text.trimEnd().toStdString();
}
