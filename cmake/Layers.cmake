# Every library of the project is made by corvanta_add_library: a static
# library whose headers are included by their path from the root of its
# tree (src/ or tools/), as "platform/runtime/variant.h". Which library may
# include which is the table in cmake/layers.txt; the target layer_check
# holds every build to it.
function(corvanta_add_library name)
  add_library(${name} STATIC ${ARGN})
  string(REGEX MATCH "^${PROJECT_SOURCE_DIR}/[^/]+" tree_root ${CMAKE_CURRENT_SOURCE_DIR})
  target_include_directories(${name} PUBLIC ${tree_root})
endfunction()

add_custom_target(layer_check ALL
  COMMAND bash ${PROJECT_SOURCE_DIR}/cmake/check_layers.sh ${PROJECT_SOURCE_DIR}
  COMMENT "Checking that every library includes only the layers below it"
  VERBATIM)
