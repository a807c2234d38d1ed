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
