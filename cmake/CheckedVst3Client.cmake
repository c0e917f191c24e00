# The framework's VST3 client trusts two things a host hands it:
# - the size field of its own private trailer in a component state: a damaged project that claims
#   more trailer bytes than it holds makes it read outside the data and crash the host;
# - parameter values: a value that is not a number reaches the parameter, whose range lets it
#   through, and from there the delay lines' indices and the filters' state.
# The bundle is built from a copy of the client that ignores such a state whole and such a value
# altogether. Where a framework version words the code differently, that check is left out, and
# where it words both differently, its own client is used unchanged.

function(sorvandel_use_checked_vst3_client plugin_target)
    get_target_property(client_path juce_audio_plugin_client INTERFACE_JUCE_MODULE_PATH)
    set(client_dir "${client_path}/juce_audio_plugin_client")
    if(NOT EXISTS "${client_dir}/VST3/juce_VST3_Wrapper.cpp")
        set(client_dir "${client_path}")
    endif()
    set(original_unit "${client_dir}/juce_audio_plugin_client_VST3.cpp")
    set(wrapper "${client_dir}/VST3/juce_VST3_Wrapper.cpp")

    file(READ "${wrapper}" source)
    set(unchecked [=[
                privateDataSize = ByteOrder::swapIfBigEndian (privateDataSize);
                size -= privateDataSize + jucePrivDataIdentifierSize + sizeof (uint64);]=])
    set(checked [=[
                privateDataSize = ByteOrder::swapIfBigEndian (privateDataSize);

                if (size < jucePrivDataIdentifierSize + 2 * sizeof (uint64)
                    || privateDataSize > size - jucePrivDataIdentifierSize - 2 * sizeof (uint64))
                    return;

                size -= privateDataSize + jucePrivDataIdentifierSize + sizeof (uint64);]=])

    set(unchecked_value [=[
static void setValueAndNotifyIfChanged (AudioProcessorParameter& param, float newValue)
{
    if (param.getValue() == newValue)
        return;]=])
    set(checked_value [=[
static void setValueAndNotifyIfChanged (AudioProcessorParameter& param, float newValue)
{
    if (! std::isfinite (newValue) || param.getValue() == newValue)
        return;]=])

    set(applied 0)
    foreach(pair IN ITEMS "unchecked;checked" "unchecked_value;checked_value")
        list(GET pair 0 from)
        list(GET pair 1 to)
        string(FIND "${source}" "${${from}}" position)
        if(position EQUAL -1)
            message(STATUS "Sorvandel: this framework's VST3 client words '${from}' differently; left as it is")
        else()
            string(REPLACE "${${from}}" "${${to}}" source "${source}")
            math(EXPR applied "${applied} + 1")
        endif()
    endforeach()

    if(applied EQUAL 0)
        return()
    endif()
    set(out_dir "${CMAKE_CURRENT_BINARY_DIR}/checked_vst3_client")
    file(WRITE "${out_dir}/juce_VST3_Wrapper_checked.cpp.in" "${source}")
    configure_file("${out_dir}/juce_VST3_Wrapper_checked.cpp.in" "${out_dir}/juce_VST3_Wrapper_checked.cpp"
        COPYONLY)
    file(WRITE "${out_dir}/SorvandelVst3Client.cpp.in"
        "#include \"${out_dir}/juce_VST3_Wrapper_checked.cpp\"\n")
    configure_file("${out_dir}/SorvandelVst3Client.cpp.in" "${out_dir}/SorvandelVst3Client.cpp" COPYONLY)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${wrapper}")

    # The copy's own relative includes resolve against the client's folder.
    set_source_files_properties("${original_unit}" PROPERTIES HEADER_FILE_ONLY TRUE)
    target_sources(${plugin_target} PRIVATE "${out_dir}/SorvandelVst3Client.cpp")
    target_include_directories(${plugin_target} PRIVATE "${client_dir}/VST3")
endfunction()
