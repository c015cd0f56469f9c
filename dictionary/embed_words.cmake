# lexidrop_embed_word_lists(OUTPUT <file> LISTS <name> <length> <file> ...)
#
# Writes <file>, a C++ fragment with one
#   constexpr PackedWords <name>{<length>, "aah" "aal" ...};
# per list, entries in file order, side by side in one string (PackedWords
# is dictionary.cpp's).  A malformed line (anything but <length>
# lower-case letters) stops the configure step: a bad entry would otherwise
# only show up as a word that can never be found.
function(lexidrop_embed_word_lists)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "OUTPUT" "LISTS")
  list(LENGTH arg_LISTS triple_items)
  math(EXPR remainder "${triple_items} % 3")
  if(NOT remainder EQUAL 0 OR triple_items EQUAL 0)
    message(FATAL_ERROR "LISTS takes triples: name length file")
  endif()

  set(body "")
  set(index 0)
  while(index LESS triple_items)
    list(GET arg_LISTS ${index} name)
    math(EXPR index "${index} + 1")
    list(GET arg_LISTS ${index} length)
    math(EXPR index "${index} + 1")
    list(GET arg_LISTS ${index} file)
    math(EXPR index "${index} + 1")

    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
    file(STRINGS ${file} entries)
    set(line_number 0)
    foreach(entry IN LISTS entries)
      math(EXPR line_number "${line_number} + 1")
      string(LENGTH "${entry}" entry_length)
      if(NOT entry MATCHES "^[a-z]+$" OR NOT entry_length EQUAL length)
        message(FATAL_ERROR "${file}:${line_number}: '${entry}' is not ${length} lower-case letters")
      endif()
    endforeach()
    list(LENGTH entries count)

    list(TRANSFORM entries PREPEND "\"")
    list(TRANSFORM entries APPEND "\"")
    list(JOIN entries "\n    " joined)
    string(APPEND body
      "// ${count} words\nconstexpr PackedWords ${name}{${length},\n    ${joined}};\n\n")
  endwhile()

  set(LEXIDROP_WORD_LISTS "${body}")
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/word_lists.inc.in ${arg_OUTPUT} @ONLY)
endfunction()
