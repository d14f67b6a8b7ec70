# The credits page, made from the list of components kept beside the install script.
set(PENWICK_CREDITS_LIST ${CMAKE_SOURCE_DIR}/scripts/components.tsv)
set(PENWICK_CREDITS_PAGE "${PENWICK_RESOURCES_OUTPUT_DIR}/Components Credits.html")
add_custom_command(OUTPUT ${PENWICK_CREDITS_PAGE}
  COMMAND ${CMAKE_COMMAND} -DCOMPONENTS=${PENWICK_CREDITS_LIST} -DOUTPUT=${PENWICK_CREDITS_PAGE}
          -P ${CMAKE_SOURCE_DIR}/cmake/GenerateCredits.cmake
  DEPENDS ${PENWICK_CREDITS_LIST} ${CMAKE_SOURCE_DIR}/cmake/GenerateCredits.cmake
  VERBATIM)
add_custom_target(PenwickCredits DEPENDS ${PENWICK_CREDITS_PAGE})
add_dependencies(PenwickResources PenwickCredits)
