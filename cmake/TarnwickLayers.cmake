# The program is built in layers, each a library, lowest first:
#   app/core (guarded procedures, failures, reports)   db (the ODBC layer)
#   engine (the run, on app/core and db)                app (the Widgets frame, on app/core)
#   pages (the windows, on all of the above)            cli (tarnwick-dedupe, on engine)
# Headers are included by their path from the repository's root ("db/Connection.h"). A target
# sees the folders of its own layer and of the layers it links to, and no others, so that a lower
# layer that includes a higher one does not compile: instead of the repository's root, each
# layer's include path is a folder of its own in the build tree that holds a link to the layer's
# source folder and nothing else. scripts/check-layers (the CTest test "layers") checks the same
# rule on the sources, relative includes too.

# tarnwick_layer(target folder): `target` holds the layer whose sources are in `folder` (relative
# to the repository's root, e.g. "app/core"); it and every target linking it see that folder.
function(tarnwick_layer target folder)
  set(root ${CMAKE_BINARY_DIR}/layers/${target})
  get_filename_component(parent ${root}/${folder} DIRECTORY)
  file(MAKE_DIRECTORY ${parent})
  file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${folder} ${root}/${folder} SYMBOLIC)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    target_include_directories(${target} PRIVATE ${root})
  else()
    target_include_directories(${target} PUBLIC ${root})
  endif()
endfunction()
