#pragma once

// The raw VST3 interfaces a host talks to, from the SDK headers that JUCE ships. JUCE's hosting
// code, linked into the harness, defines their interface IDs.
#include <juce_core/juce_core.h>

JUCE_BEGIN_IGNORE_WARNINGS_GCC_LIKE("-Wshadow", "-Wnon-virtual-dtor", "-Wzero-as-null-pointer-constant",
                                    "-Wextra-semi", "-Wsign-conversion", "-Wunused-parameter",
                                    "-Wold-style-cast", "-Wcast-align", "-Wfloat-equal")
#include <pluginterfaces/base/ipluginbase.h>
#include <pluginterfaces/vst/ivstaudioprocessor.h>
#include <pluginterfaces/vst/ivstcomponent.h>
#include <pluginterfaces/vst/ivsteditcontroller.h>
#include <pluginterfaces/vst/ivstmessage.h>
#include <pluginterfaces/vst/ivstunits.h>
JUCE_END_IGNORE_WARNINGS_GCC_LIKE
