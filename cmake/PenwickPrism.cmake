# Prism for the preview pages, from Debian's node-prismjs: the core joined with the language
# components the preview highlights ("prism.js") and the theme style sheets ("CSS/<theme>.css"),
# written into the resources folder at build time and installed with it. Nothing is committed
# to the repository and nothing is downloaded.
#
# Run as a script (cmake -P) it does the joining: -DPRISM_DIR=... -DPRISM_OUT=... -DPRISM_LANGUAGES=a,b

if(CMAKE_SCRIPT_MODE_FILE)
  string(REPLACE "," ";" PRISM_LANGUAGES "${PRISM_LANGUAGES}")
  file(WRITE "${PRISM_OUT}.tmp" "")
  foreach(part IN LISTS PRISM_LANGUAGES)
    file(READ "${PRISM_DIR}/components/prism-${part}.js" content)
    file(APPEND "${PRISM_OUT}.tmp" "${content}\n")
  endforeach()
  file(RENAME "${PRISM_OUT}.tmp" "${PRISM_OUT}")
  return()
endif()

set(PENWICK_PRISM_DIR /usr/share/nodejs/prismjs CACHE PATH "Folder of the node-prismjs package")
if(NOT EXISTS ${PENWICK_PRISM_DIR}/components/prism-core.js)
  message(FATAL_ERROR "Prism not found in ${PENWICK_PRISM_DIR}: install node-prismjs (scripts/install-deps.sh)")
endif()

# Dependencies stand before the languages that extend them.
set(PENWICK_PRISM_LANGUAGES
  core markup css clike javascript c cpp csharp java kotlin scala objectivec swift go rust
  python ruby perl lua markup-templating php typescript bash json yaml markdown sql diff
  latex ini makefile haskell r docker)

string(REPLACE ";" "," PENWICK_PRISM_LANGUAGE_ARG "${PENWICK_PRISM_LANGUAGES}")
set(PENWICK_PRISM_INPUTS)
foreach(part IN LISTS PENWICK_PRISM_LANGUAGES)
  list(APPEND PENWICK_PRISM_INPUTS ${PENWICK_PRISM_DIR}/components/prism-${part}.js)
endforeach()

set(PENWICK_PRISM_OUT ${PENWICK_RESOURCES_OUTPUT_DIR}/prismjs)
add_custom_command(OUTPUT ${PENWICK_PRISM_OUT}/prism.js
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PENWICK_PRISM_OUT}
  COMMAND ${CMAKE_COMMAND} -DPRISM_DIR=${PENWICK_PRISM_DIR} -DPRISM_OUT=${PENWICK_PRISM_OUT}/prism.js
          -DPRISM_LANGUAGES=${PENWICK_PRISM_LANGUAGE_ARG} -P ${CMAKE_CURRENT_LIST_DIR}/PenwickPrism.cmake
  DEPENDS ${PENWICK_PRISM_INPUTS} ${CMAKE_CURRENT_LIST_DIR}/PenwickPrism.cmake
  VERBATIM)

file(GLOB PENWICK_PRISM_THEMES ${PENWICK_PRISM_DIR}/themes/*.css)
list(FILTER PENWICK_PRISM_THEMES EXCLUDE REGEX "\\.min\\.css$")
set(PENWICK_PRISM_OUTPUTS ${PENWICK_PRISM_OUT}/prism.js)
foreach(theme IN LISTS PENWICK_PRISM_THEMES)
  get_filename_component(name ${theme} NAME)
  add_custom_command(OUTPUT ${PENWICK_PRISM_OUT}/CSS/${name}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${theme} ${PENWICK_PRISM_OUT}/CSS/${name}
    DEPENDS ${theme}
    VERBATIM)
  list(APPEND PENWICK_PRISM_OUTPUTS ${PENWICK_PRISM_OUT}/CSS/${name})
endforeach()

# The code-style names offered in the preferences have no file of their own for two sheets:
# the plain theme is "prism-default" and the light solarized one "prism-solarized".
foreach(pair "prism.css=prism-default.css" "prism-solarizedlight.css=prism-solarized.css")
  string(REPLACE "=" ";" pair "${pair}")
  list(GET pair 0 from)
  list(GET pair 1 to)
  add_custom_command(OUTPUT ${PENWICK_PRISM_OUT}/CSS/${to}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${PENWICK_PRISM_DIR}/themes/${from} ${PENWICK_PRISM_OUT}/CSS/${to}
    DEPENDS ${PENWICK_PRISM_DIR}/themes/${from}
    VERBATIM)
  list(APPEND PENWICK_PRISM_OUTPUTS ${PENWICK_PRISM_OUT}/CSS/${to})
endforeach()

add_custom_target(PenwickPrism ALL DEPENDS ${PENWICK_PRISM_OUTPUTS})
add_dependencies(PenwickResources PenwickPrism)
install(DIRECTORY ${PENWICK_PRISM_OUT} DESTINATION share/penwick)
