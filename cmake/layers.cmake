# One static library per source folder. A folder's headers are reached as
# "folder/name.h" only through a view made for its library: the view holds
# links to that folder's own headers and nothing else, and a library sees
# its own view and those of the libraries it links. An include of a folder
# higher up therefore fails to build ("No such file or directory").

set(KINETROPE_VIEWS ${CMAKE_BINARY_DIR}/include-views)

# kinetrope_layer(FOLDER [USES library ...] [LINKS other ...] [EXTRA source ...] [PROGRAM file])
# makes kinetrope_<folder with _ for /> from FOLDER's .cpp files; PROGRAM
# names the file with main(), left to the program that links the library.
function(kinetrope_layer folder)
  cmake_parse_arguments(LAYER "" "PROGRAM" "USES;LINKS;EXTRA" ${ARGN})
  string(REPLACE "/" "_" name "kinetrope_${folder}")
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
  if(LAYER_PROGRAM)
    list(REMOVE_ITEM sources ${CMAKE_SOURCE_DIR}/src/${folder}/${LAYER_PROGRAM})
  endif()
  file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.h)
  set(view ${KINETROPE_VIEWS}/${name})
  file(REMOVE_RECURSE ${view})
  file(MAKE_DIRECTORY ${view}/${folder})
  foreach(header ${headers})
    get_filename_component(file ${header} NAME)
    file(CREATE_LINK ${header} ${view}/${folder}/${file} SYMBOLIC)
  endforeach()
  add_library(${name} STATIC ${sources} ${LAYER_EXTRA})
  target_include_directories(${name} PUBLIC $<BUILD_INTERFACE:${view}>)
  target_link_libraries(${name} PUBLIC ${LAYER_USES} ${LAYER_LINKS})
endfunction()

# kinetrope_module(TARGET FILE SOURCE LAYER) makes the module FILE (in
# lib/kinetrope/modules of the build, as installed) from SOURCE, which holds
# its one entry, and LAYER built into it, and LAYER_headers, through which a layer
# above reaches the module's declarations without linking LAYER. The
# module exports its entry alone: the layers inside keep their names.
function(kinetrope_module target file source layer)
  add_library(${target} MODULE ${source})
  target_link_libraries(${target} PRIVATE ${layer})
  target_link_options(${target} PRIVATE LINKER:--exclude-libs,ALL)
  set_target_properties(${target} PROPERTIES PREFIX "" SUFFIX "" OUTPUT_NAME ${file}
                                             LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib/kinetrope/modules)
  add_library(${layer}_headers INTERFACE)
  target_include_directories(${layer}_headers INTERFACE ${KINETROPE_VIEWS}/${layer})
endfunction()
