# velmo_library(NAME DIR [PUBLIC deps...] [PRIVATE deps...]): one static library per
# subsystem, from every source file in the subsystem's folder, so adding a module
# needs no CMake edit. PUBLIC is for what the library's headers expose; PRIVATE for
# what only its sources use (zlib, ICU), so that users do not compile against it.
# Precompiled headers: the toolkit and standard headers nearly every source includes
# are parsed once per target instead of once per source, which roughly halves a clean
# build on the two-core build machine. The libraries below the interface controls see
# no QtWidgets.
option(VELMO_PCH "Precompile the toolkit and standard headers for each target" ON)
set(VELMO_PCH_CORE <algorithm> <cstdint> <functional> <map> <memory> <optional> <string> <vector>
    <QByteArray> <QColor> <QDir> <QFile> <QFileInfo> <QHash> <QImage> <QList> <QPainter> <QPainterPath>
    <QPoint> <QRect> <QString> <QStringList>)
set(VELMO_PCH_WIDGETS ${VELMO_PCH_CORE} <QApplication> <QCheckBox> <QComboBox> <QDialog> <QLabel> <QLayout>
    <QLineEdit> <QPushButton> <QWidget>)
function(velmo_precompile target)
    if(NOT VELMO_PCH)
        return()
    endif()
    target_precompile_headers(${target} PRIVATE ${ARGN})
endfunction()

function(velmo_library name dir)
    file(GLOB _sources CONFIGURE_DEPENDS
        ${CMAKE_SOURCE_DIR}/src/${dir}/*.cpp ${CMAKE_SOURCE_DIR}/src/${dir}/*.h)
    add_library(${name} STATIC ${_sources})
    target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} ${ARGN})
    if(dir STREQUAL "base" OR dir STREQUAL "persist" OR dir STREQUAL "storage")
        velmo_precompile(${name} ${VELMO_PCH_CORE})
    else()
        velmo_precompile(${name} ${VELMO_PCH_WIDGETS})
    endif()
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
    velmo_precompile(${name} ${VELMO_PCH_WIDGETS} <gtest/gtest.h>)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES
        ENVIRONMENT "QT_QPA_PLATFORM=offscreen;VELMO_SOURCE_DIR=${CMAKE_SOURCE_DIR};VELMO_BINARY_DIR=${CMAKE_BINARY_DIR}"
        TIMEOUT 900)
endfunction()
