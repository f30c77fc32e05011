# velmo_library(NAME DIR [PUBLIC deps...] [PRIVATE deps...]): one static library per
# subsystem, from every source file in the subsystem's folder, so adding a module
# needs no CMake edit. PUBLIC is for what the library's headers expose; PRIVATE for
# what only its sources use (zlib, ICU), so that users do not compile against it.
function(velmo_library name dir)
    file(GLOB _sources CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/src/${dir}/*.h)
    add_library(${name} STATIC ${_sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} ${ARGN})
endfunction()

# velmo_test(NAME DIR LIBS...): one GoogleTest executable per subsystem, run by CTest
# on the offscreen platform so that fonts and painting work without a display.
function(velmo_test name dir)
    file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/tests/${dir}/*.h)
    if(NOT _sources)
        return()
    endif()
    add_executable(${name} ${_sources})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(${name} PRIVATE ${ARGN} velmo_testsupport GTest::gtest GTest::gmock)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VELMO_SOURCE_DIR=${CMAKE_SOURCE_DIR};VELMO_BINARY_DIR=${CMAKE_BINARY_DIR}"
        TIMEOUT 900)
endfunction()
