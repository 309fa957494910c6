# Build-time tools (tools/) run on the build machine. A cross build cannot run what it builds,
# so it takes them from a native build of the same tree (scripts/windows.sh makes one).
if(CMAKE_CROSSCOMPILING)
  set(LANTARO_HOST_TOOLS_DIR "" CACHE PATH "The tools/ folder of a native build of this tree")
  if(NOT EXISTS "${LANTARO_HOST_TOOLS_DIR}/gbk_encode")
    message(FATAL_ERROR "A cross build runs the build-time tools of a native build: set "
      "LANTARO_HOST_TOOLS_DIR to its tools/ folder")
  endif()
endif()

# lantaro_tool(var name): ${var} runs the build-time tool `name` in a custom command and
# ${var}_DEPENDS is what that command depends on.
function(lantaro_tool var name)
  if(CMAKE_CROSSCOMPILING)
    set(${var} ${LANTARO_HOST_TOOLS_DIR}/${name} PARENT_SCOPE)
    set(${var}_DEPENDS ${LANTARO_HOST_TOOLS_DIR}/${name} PARENT_SCOPE)
  else()
    set(${var} $<TARGET_FILE:${name}> PARENT_SCOPE)
    set(${var}_DEPENDS ${name} PARENT_SCOPE)
  endif()
endfunction()

# lantaro_engine_library(name SOURCES ... DEPS ...): standard C++ only, no Qt.
function(lantaro_engine_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE lantaro_warnings)
  set_target_properties(${name} PROPERTIES AUTOMOC OFF AUTORCC OFF AUTOUIC OFF)
endfunction()

# lantaro_gui_library(name SOURCES ... DEPS ...): Qt widgets layer.
function(lantaro_gui_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} Qt6::Widgets PRIVATE lantaro_warnings)
endfunction()

# lantaro_engine_test(name SOURCES ... DEPS ...): a GoogleTest executable run by ctest.
# Tests run with the run directory as working directory so fixtures under it resolve.
function(lantaro_engine_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main lantaro_warnings)
  target_compile_definitions(${name} PRIVATE
    LANTARO_SOURCE_DIR="${PROJECT_SOURCE_DIR}" LANTARO_RUN_DIR="${LANTARO_RUN_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS "engine;${ARG_LABELS}")
endfunction()

# lantaro_gui_test(name SOURCES ... DEPS ...): a QtTest executable, headless.
function(lantaro_gui_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} Qt6::Test Qt6::Widgets lantaro_warnings)
  target_compile_definitions(${name} PRIVATE
    LANTARO_SOURCE_DIR="${PROJECT_SOURCE_DIR}" LANTARO_RUN_DIR="${LANTARO_RUN_DIR}")
  # Headless also under Wine, which hands a Windows program no QT_* variable of the host. There
  # QtTest's report on standard output is lost as well, so it also goes to a file beside the test
  # (scripts/windows.sh prints those of failed suites).
  set(args -platform offscreen)
  if(CMAKE_CROSSCOMPILING AND WIN32)
    list(APPEND args -o ${CMAKE_BINARY_DIR}/tests/${name}.log,txt -o -,txt)
  endif()
  add_test(NAME ${name} COMMAND ${name} ${args})
  set_tests_properties(${name} PROPERTIES LABELS "gui;${ARG_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
