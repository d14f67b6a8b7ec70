# Mirrors resources/ into the build tree's share/penwick/ whenever a file there changes.
file(GLOB_RECURSE PENWICK_RESOURCE_FILES CONFIGURE_DEPENDS
  RELATIVE ${CMAKE_SOURCE_DIR}/resources ${CMAKE_SOURCE_DIR}/resources/*)
set(PENWICK_RESOURCE_OUTPUTS)
foreach(rel IN LISTS PENWICK_RESOURCE_FILES)
  set(out ${PENWICK_RESOURCES_OUTPUT_DIR}/${rel})
  add_custom_command(OUTPUT ${out}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different ${CMAKE_SOURCE_DIR}/resources/${rel} ${out}
    DEPENDS ${CMAKE_SOURCE_DIR}/resources/${rel}
    VERBATIM)
  list(APPEND PENWICK_RESOURCE_OUTPUTS ${out})
endforeach()
add_custom_target(PenwickResources ALL DEPENDS ${PENWICK_RESOURCE_OUTPUTS})
