# Language level, warnings and sanitizers for every target of the project.
add_library(kitbox_options INTERFACE)
target_compile_features(kitbox_options INTERFACE cxx_std_20)
target_compile_options(kitbox_options INTERFACE -Wall -Wextra -Wpedantic)
if(KITBOX_WERROR)
  target_compile_options(kitbox_options INTERFACE -Werror)
endif()
target_compile_definitions(kitbox_options INTERFACE
  QT_NO_CAST_FROM_ASCII QT_NO_NARROWING_CONVERSIONS_IN_CONNECT QT_USE_QSTRINGBUILDER)
if(KITBOX_SANITIZE)
  target_compile_options(kitbox_options INTERFACE -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  target_link_options(kitbox_options INTERFACE -fsanitize=address,undefined)
endif()

# kitbox_add_gtest(NAME SOURCES... LIBS ...): one GoogleTest executable registered with ctest.
function(kitbox_add_gtest name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE kitbox_options GTest::gtest GTest::gtest_main GTest::gmock ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE
    KITBOX_SOURCE_DIR="${PROJECT_SOURCE_DIR}" KITBOX_DATA_DIR="${KITBOX_DATA_DIR}"
    KITBOX_BIN_DIR="${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VEDAMIS_INI=;HOME=${CMAKE_BINARY_DIR}/test-home"
    LABELS "${ARG_LABELS}")
endfunction()
