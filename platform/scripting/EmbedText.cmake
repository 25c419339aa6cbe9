# tolvane_embed_text(TARGET <target> FILE <file> FUNCTION <name>)
# Compiles the text of <file> into <target> as `QByteArray <name>()`, rebuilt
# whenever the file changes. Used to give both ends of the scripting
# connection the one introspection document.
function(tolvane_embed_text)
    cmake_parse_arguments(ARG "" "TARGET;FILE;FUNCTION" "" ${ARGN})
    set(out "${CMAKE_CURRENT_BINARY_DIR}/${ARG_FUNCTION}.cpp")
    add_custom_command(
        OUTPUT "${out}"
        COMMAND ${CMAKE_COMMAND} -DIN=${ARG_FILE} -DOUT=${out} -DFUNCTION=${ARG_FUNCTION}
                -P "${TOLVANE_EMBED_TEXT_SCRIPT}"
        DEPENDS "${ARG_FILE}" "${TOLVANE_EMBED_TEXT_SCRIPT}"
        VERBATIM)
    target_sources(${ARG_TARGET} PRIVATE "${out}")
endfunction()
