# Build conventions shared by every subsystem.
#
# Each folder under src/ is one subsystem and one static library varnel_<name>.
# Files ending in _win32.cpp talk to Windows and are built only in the win32
# tree; files ending in _native.cpp stand in for them in the host tree; files
# ending in _linux.cpp make the Linux edition's system calls and are built
# only on Linux. All other files are portable and are built in both trees.

set(VARNEL_WARNINGS -Wall -Wextra -Wshadow -Wundef -Wformat=2)

# The program has one thread, so its local statics need no locks (the locks
# would link the whole POSIX thread library in); one section per function
# lets the linker drop what nothing calls.
set(VARNEL_PROGRAM_SIZE_FLAGS -ffunction-sections -fno-threadsafe-statics -fno-exceptions -fno-asynchronous-unwind-tables)

# Adds every immediate sub-folder of DIR that has a CMakeLists.txt.
function(varnel_add_subdirectories dir)
  file(GLOB children LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# Keeps the sources that belong to the tree being built.
function(varnel_filter_sources out)
  set(kept)
  foreach(src ${ARGN})
    if(src MATCHES "_win32\\.(c|cpp|rc)$")
      if(WIN32)
        list(APPEND kept ${src})
      endif()
    elseif(src MATCHES "_linux\\.(c|cpp)$")
      if(CMAKE_SYSTEM_NAME STREQUAL "Linux" AND NOT WIN32)
        list(APPEND kept ${src})
      endif()
    elseif(src MATCHES "_native\\.(c|cpp)$")
      if(NOT WIN32)
        list(APPEND kept ${src})
      endif()
    else()
      list(APPEND kept ${src})
    endif()
  endforeach()
  set(${out} ${kept} PARENT_SCOPE)
endfunction()

# varnel_library(NAME [DEPS targets...] [WIN32_LIBS libs...])
# Builds every .c/.cpp of the calling folder into varnel_NAME (an interface
# library when the folder holds headers only).
function(varnel_library name)
  cmake_parse_arguments(A "" "" "DEPS;WIN32_LIBS" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/*.c)
  varnel_filter_sources(srcs ${srcs})
  if(NOT srcs)
    # A folder of declarations only (command numbers): nothing to compile, but
    # its users still name it, so the layers stay visible in the lists.
    add_library(varnel_${name} INTERFACE)
    target_include_directories(varnel_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(varnel_${name} INTERFACE ${A_DEPS})
    return()
  endif()
  add_library(varnel_${name} STATIC ${srcs})
  target_include_directories(varnel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR})
  target_compile_options(varnel_${name} PRIVATE ${VARNEL_WARNINGS})
  if(WIN32)
    target_compile_options(varnel_${name} PRIVATE ${VARNEL_PROGRAM_SIZE_FLAGS})
  endif()
  target_link_libraries(varnel_${name} PUBLIC ${A_DEPS})
  if(WIN32 AND A_WIN32_LIBS)
    target_link_libraries(varnel_${name} PUBLIC ${A_WIN32_LIBS})
  endif()
endfunction()

# GoogleTest's header is most of a test file's compile time: it is compiled
# once per tree, in a target of its own that every test takes it from. (A
# test whose flags made it unusable would read the header itself.)
function(varnel_gtest_header_target)
  if(TARGET varnel_gtest_header)
    return()
  endif()
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/varnel_gtest_header.cpp CONTENT "")
  add_library(varnel_gtest_header OBJECT ${CMAKE_BINARY_DIR}/varnel_gtest_header.cpp)
  target_compile_options(varnel_gtest_header PRIVATE ${VARNEL_WARNINGS})
  target_link_libraries(varnel_gtest_header PRIVATE GTest::gtest)
  target_precompile_headers(varnel_gtest_header PRIVATE <gtest/gtest.h>)
endfunction()

# varnel_test_program(NAME SOURCES files... [DEPS targets...])
# One GoogleTest executable. varnel_test registers it as a ctest test as it
# is; a win32 program that needs a prepared prefix is registered with
# varnel_test_in_prefix instead.
function(varnel_test_program name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${A_SOURCES})
  target_compile_options(${name} PRIVATE ${VARNEL_WARNINGS})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${A_DEPS} GTest::gtest_main)
  varnel_gtest_header_target()
  target_precompile_headers(${name} REUSE_FROM varnel_gtest_header)
  if(WIN32)
    # A console program, so that Wine hands its output to ctest.
    target_link_options(${name} PRIVATE -mconsole)
  endif()
endfunction()

# varnel_test(NAME SOURCES files... [DEPS targets...] [LABELS labels...])
# One GoogleTest executable registered as one ctest test. In the win32 tree
# the test runs under Wine through CMAKE_CROSSCOMPILING_EMULATOR, and one
# executable per area keeps the number of Wine starts small.
function(varnel_test name)
  cmake_parse_arguments(A "" "" "SOURCES;DEPS;LABELS" ${ARGN})
  varnel_test_program(${name} SOURCES ${A_SOURCES} DEPS ${A_DEPS})
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
  if(A_LABELS)
    set_tests_properties(${name} PROPERTIES LABELS "${A_LABELS}")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

# Runs the win32 test program TARGET as ctest test NAME in the test prefix of
# KIND (tests/harness/run_in_prefix.sh: ru, win98-ru, cdrom, actions...), which
# sets up the system version and locale the test is about. Further arguments
# go to the program.
function(varnel_test_in_prefix name target kind)
  add_test(NAME ${name}
           COMMAND ${PROJECT_SOURCE_DIR}/tests/harness/run_in_prefix.sh ${kind} $<TARGET_FILE:${target}> --gtest_brief=1
                   ${ARGN})
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
