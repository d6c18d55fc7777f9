# One place for the language level, warnings and Qt string hygiene that every
# library and test of the project shares.
add_library(ze6_config INTERFACE)
target_compile_features(ze6_config INTERFACE cxx_std_20)
set(CMAKE_CXX_EXTENSIONS OFF)
target_compile_definitions(ze6_config INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_NO_KEYWORDS)
target_compile_options(ze6_config INTERFACE -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor)
if(ZE6_WERROR)
  target_compile_options(ze6_config INTERFACE -Werror)
endif()
if(ZE6_SANITIZE)
  target_compile_options(ze6_config INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(ze6_config INTERFACE -fsanitize=address,undefined)
endif()

# ze6_layer(name folder [EXCLUDE subfolder...] [CORE_ONLY])
# One layer: a static library built from the sources under src/<folder> and its
# subfolders, except the EXCLUDEd subfolders (layers of their own).
#
# Its headers stay beside its sources, but nothing puts src/ on an include
# path. Instead every layer publishes an include root of its own in the build
# tree, build/include/<name>/<folder>/..., holding links to exactly its own
# headers. A source therefore finds the headers of its own layer and of the
# layers it links ("engine/Main.h", "platform/files/FileSystem.h"), and an
# include of any other layer fails to compile. The links are remade at every
# configure; a new header is picked up when the build re-runs CMake on its own.
#
# CORE_ONLY layers may use QtCore but no GUI: Qt6::Core puts the whole Qt
# include tree on the path, so cmake/core-only/ stands in front of it with
# QtGui's and QtWidgets' module headers replaced by an #error.
function(ze6_layer name folder)
  cmake_parse_arguments(ARG "CORE_ONLY" "" "EXCLUDE" ${ARGN})
  file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${CMAKE_CURRENT_SOURCE_DIR}
    ${folder}/*.cpp ${folder}/*.h)
  foreach(subfolder IN LISTS ARG_EXCLUDE)
    list(FILTER files EXCLUDE REGEX "^${folder}/${subfolder}/")
  endforeach()
  add_library(${name} STATIC ${files})
  target_link_libraries(${name} PUBLIC ze6_config)

  set(root ${CMAKE_BINARY_DIR}/include/${name})
  file(REMOVE_RECURSE ${root})
  foreach(file IN LISTS files)
    if(file MATCHES "\\.h$")
      get_filename_component(link_folder ${root}/${file} DIRECTORY)
      file(MAKE_DIRECTORY ${link_folder})
      file(CREATE_LINK ${CMAKE_CURRENT_SOURCE_DIR}/${file} ${root}/${file} SYMBOLIC)
    endif()
  endforeach()
  target_include_directories(${name} PUBLIC ${root})

  if(ARG_CORE_ONLY)
    ze6_core_only(${name})
  endif()
endfunction()

# Makes <QtGui/...> and <QtWidgets/...> fail to compile in a target's own
# sources (see ze6_layer).
function(ze6_core_only target)
  target_include_directories(${target} BEFORE PRIVATE ${PROJECT_SOURCE_DIR}/cmake/core-only)
  set_target_properties(${target} PROPERTIES ZE6_CORE_ONLY ON)
endfunction()
