# The ten built-in faces: the Bitstream Vera TrueType files under
# third_party/vera, turned into constant byte arrays at build time so that
# the library carries them and the build needs no system font package.
set(TAVREL_VERA_DIR ${CMAKE_SOURCE_DIR}/third_party/vera)
set(TAVREL_VERA_OUT ${CMAKE_BINARY_DIR}/generated/vera)
set(TAVREL_VERA_FACES VeraSe VeraSeBd Vera VeraBd VeraIt VeraBI VeraMono VeraMoBd VeraMoIt VeraMoBI)
foreach(face ${TAVREL_VERA_FACES})
  set(out ${TAVREL_VERA_OUT}/${face}.c)
  add_custom_command(
    OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${TAVREL_VERA_DIR}/${face}.ttf -DOUTPUT=${out}
            -DSYMBOL=tav_font_${face} -P ${CMAKE_SOURCE_DIR}/cmake/embed/embed_bytes.cmake
    DEPENDS ${TAVREL_VERA_DIR}/${face}.ttf ${CMAKE_SOURCE_DIR}/cmake/embed/embed_bytes.cmake
    COMMENT "Embedding ${face}.ttf"
    VERBATIM)
  target_sources(tavrel_objects PRIVATE ${out})
endforeach()
