# Shared helpers for the per-subsystem libraries, the tests and the benchmarks.

set(VTQ_OCC_LIBS
  TKernel TKMath TKG2d TKG3d TKGeomBase TKBRep TKGeomAlgo TKTopAlgo TKPrim TKBO TKBool
  TKShHealing TKMesh TKFillet TKOffset TKFeat TKHLR TKService TKV3d TKOpenGl
  TKXSBase TKSTEP TKSTEPBase TKSTEPAttr TKSTEP209 TKSTL TKXDESTEP TKXCAF TKLCAF TKCDF TKCAF TKVCAF)

# vtq_add_library(<name> SOURCES ... DEPS ...)
# One static library per subsystem folder; OpenCASCADE headers are SYSTEM includes
# so that their warnings stay out of ours.
function(vtq_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  if(NOT ARG_SOURCES)
    # A subsystem with no code yet: an interface target keeps the link graph whole.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    target_link_libraries(${name} INTERFACE ${ARG_DEPS})
    return()
  endif()
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_include_directories(${name} SYSTEM PUBLIC ${OpenCASCADE_INCLUDE_DIR})
  target_compile_options(${name} PRIVATE -Wall -Wextra)
  target_link_libraries(${name} PUBLIC Qt6::Core Qt6::Gui Qt6::Widgets ${VTQ_OCC_LIBS} ${ARG_DEPS})
  target_precompile_headers(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src/vtq_pch.h)
endfunction()

# vtq_add_gtest(<name> SOURCES ... LIBS ... [DISPLAY])
# GoogleTest executable with a QApplication main. Without DISPLAY the tests run on Qt's
# offscreen platform; with DISPLAY they need an X server (the test script runs CTest
# under Xvfb) because they create the OpenCASCADE view.
function(vtq_add_gtest name)
  cmake_parse_arguments(ARG "DISPLAY" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -Wall -Wextra)
  target_link_libraries(${name} PRIVATE vtq_testsupport ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE VTQ_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  if(ARG_DISPLAY)
    set(env "VTQ_TEST_DISPLAY=1")
    set(labels "display")
  else()
    set(env "QT_QPA_PLATFORM=offscreen")
    set(labels "headless")
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    TEST_PREFIX "${name}."
    PROPERTIES ENVIRONMENT "${env}" LABELS "${labels}")
endfunction()

# vtq_add_qtest(<name> SOURCES ... LIBS ... [DISPLAY]): a Qt Test executable, one CTest entry.
function(vtq_add_qtest name)
  cmake_parse_arguments(ARG "DISPLAY" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_compile_options(${name} PRIVATE -Wall -Wextra)
  target_link_libraries(${name} PRIVATE vtq_testsupport_qt ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE VTQ_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data")
  add_test(NAME ${name} COMMAND ${name})
  if(ARG_DISPLAY)
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "VTQ_TEST_DISPLAY=1" LABELS display)
  else()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS headless)
  endif()
endfunction()
