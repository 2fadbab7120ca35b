# visim: the library parts called directly, and the built program run on
# segments of the tests' own.
if(TARGET tavrion_visim)
  tavrion_test(visim_tests LABEL tools
    SOURCES visimFieldsTest.cpp visimOptionsTest.cpp visimTrackTest.cpp visimDemoTest.cpp
            visimRunTest.cpp visimProgramTest.cpp visimRecordTest.cpp
    DEPS tavrion_visim tavrion_platform_fake tavrion_test_common
    INTERNALS tavrion_visim)
  if(TARGET visim_tests)
    target_include_directories(visim_tests PRIVATE ${PROJECT_SOURCE_DIR}/tests/SharedMemory)
    target_compile_definitions(visim_tests PRIVATE VISIM_PROGRAM="$<TARGET_FILE:visim>")
    add_dependencies(visim_tests visim)
  endif()
endif()
