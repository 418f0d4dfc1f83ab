include(${CMAKE_CURRENT_LIST_DIR}/Signing.cmake)

# Sorting of a source folder into its libraries by file name (see the top CMakeLists).
set(ZORDELO_UNIT_TEST_SOURCES "" CACHE INTERNAL "")
set(ZORDELO_WIN_TEST_SOURCES "" CACHE INTERNAL "")
set(ZORDELO_GUI_TEST_SOURCES "" CACHE INTERNAL "")
set(ZORDELO_FUZZ_SOURCES "" CACHE INTERNAL "")

function(zordelo_component name dir)
  file(GLOB all CONFIGURE_DEPENDS "${dir}/*.cpp" "${dir}/*.S")
  set(core "")
  set(win "")
  foreach(f IN LISTS all)
    get_filename_component(base "${f}" NAME)
    if(base MATCHES "_fuzz\\.cpp$")
      set(ZORDELO_FUZZ_SOURCES "${ZORDELO_FUZZ_SOURCES};${f}" CACHE INTERNAL "")
    elseif(base MATCHES "_gui_win_test\\.cpp$")
      # Win32 test that opens windows: run with a screen of its own (see tests/CMakeLists.txt)
      set(ZORDELO_GUI_TEST_SOURCES "${ZORDELO_GUI_TEST_SOURCES};${f}" CACHE INTERNAL "")
    elseif(base MATCHES "_win_test\\.cpp$")
      set(ZORDELO_WIN_TEST_SOURCES "${ZORDELO_WIN_TEST_SOURCES};${f}" CACHE INTERNAL "")
    elseif(base MATCHES "_test\\.cpp$")
      set(ZORDELO_UNIT_TEST_SOURCES "${ZORDELO_UNIT_TEST_SOURCES};${f}" CACHE INTERNAL "")
    elseif(base STREQUAL "main_win.cpp" OR base STREQUAL "terminate_handler_win.cpp")
      # program entry and the programs' terminate handler, see zordelo_program
    elseif(base MATCHES "_win\\.(cpp|S)$")
      list(APPEND win "${f}")
    else()
      list(APPEND core "${f}")
    endif()
  endforeach()
  # An empty folder still gets its libraries, so that the programs link from the first day.
  set(empty "${CMAKE_BINARY_DIR}/empty_${name}.cpp")
  if(NOT EXISTS "${empty}")
    file(WRITE "${empty}" "// no sources yet\n")
  endif()
  add_library(${name}_core STATIC ${core} ${empty})
  target_include_directories(${name}_core PUBLIC ${CMAKE_SOURCE_DIR}/src)
  if(WIN32)
    add_library(${name}_win STATIC ${win} ${empty})
    target_include_directories(${name}_win PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_compile_definitions(${name}_win PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0A00)
  endif()
endfunction()

option(ZORDELO_STRIP "Link setup.exe and uninstall.exe without symbols and debug sections" ON)

# A Windows GUI program from src/<dir>/main_win.cpp on the library lib, with the shared icon
# and version record. The terminate handler is linked in as an object of its own: from a
# library it would come too late to stand in for the C++ library's. Shipped files carry no
# symbols and no debug sections (those of the static runtime libraries would otherwise come
# along, with the include paths of the machine that built them); the tests, which link the same
# libraries, keep theirs.
function(zordelo_program name dir lib)
  add_executable(${name} WIN32 ${CMAKE_SOURCE_DIR}/src/${dir}/main_win.cpp
    ${CMAKE_SOURCE_DIR}/src/common/terminate_handler_win.cpp ${ZORDELO_RESOURCE_RC})
  target_link_libraries(${name} PRIVATE ${lib})
  target_link_options(${name} PRIVATE -municode -mwindows -Wl,--section-alignment=4096 -Wl,--no-insert-timestamp)
  if(ZORDELO_STRIP)
    target_link_options(${name} PRIVATE -s)
  endif()
  set_target_properties(${name} PROPERTIES OUTPUT_NAME ${name} SUFFIX ".exe"
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
  zordelo_sign(${name})
endfunction()
