# Includes name their room: "http/HttpFetch.h" for the engine's rooms,
# "transfers/list/TransferList.h" for every other library. A room's detail/
# headers are its own: they refuse any other includer (QUILLMOTH_ROOM_<name>).
function(quillmoth_include_root out)
  string(FIND "${CMAKE_CURRENT_SOURCE_DIR}/" "${CMAKE_SOURCE_DIR}/engine/" at)
  if(at EQUAL 0)
    set(${out} ${CMAKE_SOURCE_DIR}/engine PARENT_SCOPE)
  else()
    set(${out} ${CMAKE_SOURCE_DIR} PARENT_SCOPE)
  endif()
endfunction()

# quillmoth_library(NAME [EXCLUDE file...] LINK dep...)
# One static library from the .cpp files of the calling folder.
function(quillmoth_library name)
  cmake_parse_arguments(ARG "" "" "EXCLUDE;LINK" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  foreach(ex IN LISTS ARG_EXCLUDE)
    list(REMOVE_ITEM srcs ${CMAKE_CURRENT_SOURCE_DIR}/${ex})
  endforeach()
  if(NOT srcs)
    # Headers only so far.
    add_library(${name} INTERFACE)
    quillmoth_include_root(include_root)
    target_include_directories(${name} INTERFACE ${include_root})
    target_link_libraries(${name} INTERFACE ${ARG_LINK})
    return()
  endif()
  add_library(${name} STATIC ${srcs})
  quillmoth_include_root(include_root)
  target_include_directories(${name} PUBLIC ${include_root})
  target_compile_definitions(${name} PRIVATE QUILLMOTH_ROOM_${name})
  target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()

# quillmoth_test(NAME DIR [GUI] LINK dep...)
# One GoogleTest executable from the .cpp files of tests/DIR. GUI tests bring
# their own main (a QApplication) and run offscreen as one CTest entry.
function(quillmoth_test name dir)
  cmake_parse_arguments(ARG "GUI" "" "LINK" ${ARGN})
  file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARG_LINK} test_support GTest::gtest)
  if(ARG_GUI)
    target_link_libraries(${name} PRIVATE gui_test_main)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES ENVIRONMENT
      "QT_QPA_PLATFORM=offscreen;QTWEBENGINE_CHROMIUM_FLAGS=--no-sandbox --disable-gpu;QTWEBENGINE_DISABLE_SANDBOX=1"
      TIMEOUT 600)
    # Sanitizer builds: settings for the tests that load QtWebEngine only.
    if(QUILLMOTH_SANITIZE_GUI_ENV)
      set_tests_properties(${name} PROPERTIES ENVIRONMENT_MODIFICATION "${QUILLMOTH_SANITIZE_GUI_ENV}")
    endif()
  else()
    target_link_libraries(${name} PRIVATE GTest::gtest_main)
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
  endif()
endfunction()
