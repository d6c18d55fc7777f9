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

# Every layer is a static library built from the sources of its folder.
function(ze6_layer name folder)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/*.cpp ${folder}/*.h)
  add_library(${name} STATIC ${sources})
  target_link_libraries(${name} PUBLIC ze6_config)
endfunction()
