# The library exports what include/tavrel.h declares and nothing else: the
# linker version script is made from the header's TAVREL_API declarations,
# so a private helper cannot leak by a stray visibility attribute, and a
# function added to the header is exported without a second list to keep.
function(tavrel_write_export_script header output)
  file(READ ${header} text)
  string(REGEX MATCHALL "TAVREL_API[^;(]*\\(" declarations "${text}")
  set(names "")
  foreach(declaration ${declarations})
    string(REGEX MATCH "([A-Za-z_][A-Za-z0-9_]*)[ \t\r\n]*\\($" _ "${declaration}")
    set(name ${CMAKE_MATCH_1})
    # The macro's own definition lines (__attribute__, __declspec).
    if(NOT name MATCHES "^__")
      list(APPEND names ${name})
    endif()
  endforeach()
  list(REMOVE_DUPLICATES names)
  list(SORT names)
  list(JOIN names ";\n    " body)
  file(WRITE ${output}.new "{\n  global:\n    ${body};\n  local: *;\n};\n")
  # Rewritten only when it changes, so an edit elsewhere in the header does
  # not relink the library.
  file(COPY_FILE ${output}.new ${output} ONLY_IF_DIFFERENT)
  file(REMOVE ${output}.new)
endfunction()
