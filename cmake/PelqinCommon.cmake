# Shared build settings: warnings, sanitizers, dependencies and the test helper.

if(MSVC)
  message(FATAL_ERROR "This project builds with GCC (native) or mingw-w64 (Windows)")
endif()
add_compile_options(-Wall -Wextra -Wno-unused-parameter)

if(WIN32)
  add_compile_definitions(WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
  # Every deployable carries its own runtime: nothing beside it but Windows.
  add_link_options(-static -static-libgcc -static-libstdc++)
  set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  set(OPENSSL_ROOT_DIR ${PELQIN_DEPS_DIR}/openssl-mingw32)
  set(OPENSSL_USE_STATIC_LIBS TRUE)
  list(APPEND CMAKE_FIND_ROOT_PATH ${OPENSSL_ROOT_DIR})
  find_package(OpenSSL 3 REQUIRED)
  set_property(TARGET OpenSSL::Crypto APPEND PROPERTY INTERFACE_LINK_LIBRARIES ws2_32 crypt32 advapi32 user32)
  set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
  if(NOT TARGET GTest::gtest_main)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
    add_library(GTest::gmock ALIAS gmock)
  endif()
else()
  find_package(OpenSSL 3 REQUIRED)
  find_package(GTest REQUIRED)
  find_package(Threads REQUIRED)
  if(PELQIN_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

# pelqin_add_test(target [TIMEOUT seconds] [LABELS ...])
# Native test programs are split into one CTest entry per test case; Windows ones
# run as a whole under Wine (each start of Wine costs time).
include(GoogleTest)
function(pelqin_add_test target)
  cmake_parse_arguments(ARG "" "TIMEOUT" "LABELS" ${ARGN})
  if(NOT ARG_TIMEOUT)
    set(ARG_TIMEOUT 300)
  endif()
  if(WIN32)
    add_test(NAME ${target} COMMAND ${target} --gtest_color=no)
    set_tests_properties(${target} PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "wine;${ARG_LABELS}")
  else()
    gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60
      PROPERTIES TIMEOUT ${ARG_TIMEOUT} LABELS "native;${ARG_LABELS}")
  endif()
endfunction()

# pelqin_dist(target [SUBDIR dir]): copy a deployable into dist/ after it is built.
function(pelqin_dist target)
  cmake_parse_arguments(ARG "" "SUBDIR" "" ${ARGN})
  set(dest ${PELQIN_DIST_DIR})
  if(ARG_SUBDIR)
    set(dest ${dest}/${ARG_SUBDIR})
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${dest}
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:${target}> ${dest}/
    VERBATIM)
endfunction()
