# Framework configuration shared by the plug-in and everything that links its code.

function(sorvandel_configure_plugin target)
    target_compile_definitions(${target}
        PUBLIC
            JUCE_WEB_BROWSER=0
            JUCE_USE_CURL=0
            JUCE_USE_FLAC=0
            JUCE_USE_OGGVORBIS=0
            JUCE_USE_MP3AUDIOFORMAT=0
            JUCE_USE_LAME_AUDIO_FORMAT=0
            JUCE_USE_WINDOWS_MEDIA_FORMAT=0
            JUCE_VST3_CAN_REPLACE_VST2=0
            JUCE_DISPLAY_SPLASH_SCREEN=0
            JUCE_REPORT_APP_USAGE=0
            JUCE_SILENCE_XCODE_15_LINKER_WARNING=1)

    target_link_libraries(${target}
        PRIVATE
            SorvandelBinaryData
            juce::juce_audio_processors
            juce::juce_dsp
        PUBLIC
            juce::juce_recommended_config_flags
            juce::juce_recommended_warning_flags)
endfunction()

# Gives a test, benchmark or fuzz target the plug-in's own code through its static library,
# with the same headers and definitions the plug-in was compiled with.
function(sorvandel_link_plugin_code target)
    target_link_libraries(${target} PRIVATE Sorvandel)
    target_include_directories(${target} PRIVATE
        $<TARGET_PROPERTY:Sorvandel,INCLUDE_DIRECTORIES>)
endfunction()
