# The framework's VST3 client trusts two things a host hands it:
# - the size field of its own private trailer in a component state: a damaged project that claims
#   more trailer bytes than it holds makes it read outside the data and crash the host;
# - parameter values: a value that is not a number reaches the parameter, whose range lets it
#   through, and from there the delay lines' indices and the filters' state; the edit controller
#   keeps it as the value it reports back, or an infinity clamped to an end of the range.
# The bundle is built from a copy of the client with these checks added. Each check is placed by a
# line of the client's own code; a framework version without that line stops the configure, so
# that no bundle is ever built without a check.

# Older clients keep their code in VST3/juce_VST3_Wrapper.cpp, which the unit includes; newer ones
# hold it in the unit itself.
function(_sorvandel_vst3_client_code client_dir out_var)
    set(wrapper "${client_dir}/VST3/juce_VST3_Wrapper.cpp")
    if(EXISTS "${wrapper}")
        set(${out_var} "${wrapper}" PARENT_SCOPE)
    else()
        set(${out_var} "${client_dir}/juce_audio_plugin_client_VST3.cpp" PARENT_SCOPE)
    endif()
endfunction()

function(_sorvandel_cannot_check check code why)
    message(FATAL_ERROR
        "Sorvandel: cannot add the ${check} check to this framework's VST3 client\n"
        "(${code}): ${why}\n"
        "The bundle is not built without it. Bring the check to this framework version in "
        "cmake/CheckedVst3Client.cmake, or build against a JUCE whose client it fits.")
endfunction()

# Sets out_var to the position of anchor in source, which must hold it exactly once.
function(_sorvandel_find_once source anchor check code out_var)
    string(FIND "${source}" "${anchor}" first)
    string(FIND "${source}" "${anchor}" last REVERSE)
    if(first EQUAL -1)
        _sorvandel_cannot_check("${check}" "${code}" "it has no line '${anchor}'.")
    elseif(NOT first EQUAL last)
        _sorvandel_cannot_check("${check}" "${code}" "the line '${anchor}' is there more than once.")
    endif()
    set(${out_var} ${first} PARENT_SCOPE)
endfunction()

# The trailer's size is checked as soon as it is read, before anything is subtracted from the
# state's size: the trailer, its size field, the size field before it and the marker must all fit.
function(_sorvandel_check_trailer_size source_var code)
    set(check "state trailer size")
    set(anchor "privateDataSize = ByteOrder::swapIfBigEndian (privateDataSize);")
    set(guarded "size -= privateDataSize + jucePrivDataIdentifierSize + sizeof (uint64);")
    _sorvandel_find_once("${${source_var}}" "${anchor}" "${check}" "${code}" position)

    string(LENGTH "${anchor}" length)
    math(EXPR after "${position} + ${length}")
    string(SUBSTRING "${${source_var}}" 0 ${after} head)
    string(SUBSTRING "${${source_var}}" ${after} -1 tail)
    string(STRIP "${tail}" rest)
    string(FIND "${rest}" "${guarded}" guarded_position)
    if(NOT guarded_position EQUAL 0)
        _sorvandel_cannot_check("${check}" "${code}"
            "'${anchor}' is not followed by '${guarded}', the subtraction the check guards.")
    endif()

    set(check_text [=[

                if (size < jucePrivDataIdentifierSize + 2 * sizeof (uint64)
                    || privateDataSize > size - jucePrivDataIdentifierSize - 2 * sizeof (uint64))
                    return;]=])
    set(${source_var} "${head}${check_text}${tail}" PARENT_SCOPE)
endfunction()

# Every value from the host, through the edit controller or a process call's queues, reaches a
# parameter through this one function. The client's own version of it is kept whole under another
# name, and only finite values are handed to it.
function(_sorvandel_check_finite_values source_var code)
    set(check "non-finite parameter value")
    set(anchor "static void setValueAndNotifyIfChanged (AudioProcessorParameter& param, float newValue)")
    _sorvandel_find_once("${${source_var}}" "${anchor}" "${check}" "${code}" position)

    set(replacement [=[
static void setFiniteValueAndNotifyIfChanged (AudioProcessorParameter& param, float newValue);

static void setValueAndNotifyIfChanged (AudioProcessorParameter& param, float newValue)
{
    if (std::isfinite (newValue))
        setFiniteValueAndNotifyIfChanged (param, newValue);
}

static void setFiniteValueAndNotifyIfChanged (AudioProcessorParameter& param, float newValue)]=])
    string(REPLACE "${anchor}" "${replacement}" source "${${source_var}}")
    set(${source_var} "${source}" PARENT_SCOPE)
endfunction()

# The edit controller stores whatever the host sets, and hands it back to the host and to the
# editor; a value that is not a finite number is refused before it is stored, for the plug-in's
# parameters and the framework's own alike.
function(_sorvandel_check_finite_controller_values source_var code)
    set(check "non-finite edit controller value")
    set(anchor "    tresult PLUGIN_API setComponentState (IBStream* stream) override")
    _sorvandel_find_once("${${source_var}}" "${anchor}" "${check}" "${code}" position)

    set(override_text [=[
    tresult PLUGIN_API setParamNormalized (Vst::ParamID tag, Vst::ParamValue value) override
    {
        if (! std::isfinite (value))
            return kInvalidArgument;

        return Vst::EditController::setParamNormalized (tag, value);
    }

]=])
    string(SUBSTRING "${${source_var}}" 0 ${position} head)
    string(SUBSTRING "${${source_var}}" ${position} -1 tail)
    set(${source_var} "${head}${override_text}${tail}" PARENT_SCOPE)
endfunction()

function(sorvandel_use_checked_vst3_client plugin_target)
    get_target_property(modules_dir juce_audio_plugin_client INTERFACE_JUCE_MODULE_PATH)
    set(client_dir "${modules_dir}/juce_audio_plugin_client")
    set(unit "${client_dir}/juce_audio_plugin_client_VST3.cpp")
    _sorvandel_vst3_client_code("${client_dir}" code)

    file(READ "${code}" source)
    _sorvandel_check_trailer_size(source "${code}")
    _sorvandel_check_finite_values(source "${code}")
    _sorvandel_check_finite_controller_values(source "${code}")

    # Written only when the text changes, so that a new configure does not rebuild the client.
    set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/checked_vst3_client")
    file(WRITE "${out_dir}/juce_VST3_client_checked.cpp.in" "${source}")
    configure_file("${out_dir}/juce_VST3_client_checked.cpp.in" "${out_dir}/juce_VST3_client_checked.cpp"
        COPYONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${code}")

    # The copy's relative includes resolve against the folder of the code it was made from.
    get_filename_component(code_dir "${code}" DIRECTORY)
    set_source_files_properties("${unit}" PROPERTIES HEADER_FILE_ONLY TRUE)
    target_sources(${plugin_target} PRIVATE "${out_dir}/juce_VST3_client_checked.cpp")
    # The copy is the framework's code, built without warnings like the unit it stands in for.
    set_property(SOURCE "${out_dir}/juce_VST3_client_checked.cpp" TARGET_DIRECTORY ${plugin_target}
        APPEND PROPERTY COMPILE_OPTIONS -w)
    target_include_directories(${plugin_target} PRIVATE "${code_dir}")
endfunction()
