# The unit and end-to-end tests, on GoogleTest.
include(GoogleTest)
# Tests mirror the folders and may reach every layer.
set(TEST_FOLDERS ${CORE_FOLDERS} common save sim lab sweep art)
list(TRANSFORM TEST_FOLDERS PREPEND "tests/")
sylvara_sources(TEST_SOURCES ${TEST_FOLDERS})
set(SYLVARA_ALL_LAYERS sylvara_lab sylvara_sweep sylvara_art)
add_executable(sylvara_tests ${TEST_SOURCES})
target_include_directories(sylvara_tests PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(sylvara_tests PRIVATE ${SYLVARA_ALL_LAYERS} GTest::gtest GTest::gtest_main)
# Files the tests read as they are, such as saved worlds of older schema versions.
target_compile_definitions(sylvara_tests PRIVATE SYLVARA_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
  SYLVARA_STAGE_DIR="${SYLVARA_STAGE}")
add_dependencies(sylvara_tests stage)
# Unit tests run inside the run tree so the relative asset paths resolve.
gtest_discover_tests(sylvara_tests WORKING_DIRECTORY "${SYLVARA_STAGE}/bin"
  PROPERTIES ENVIRONMENT "ALSOFT_DRIVERS=null" DISCOVERY_TIMEOUT 60)

file(GLOB E2E_SOURCES CONFIGURE_DEPENDS "${CMAKE_SOURCE_DIR}/tests/e2e/*.cpp")
if(E2E_SOURCES AND NOT SYLVARA_SANITIZE)
  add_executable(sylvara_e2e ${E2E_SOURCES})
  target_include_directories(sylvara_e2e PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(sylvara_e2e PRIVATE ${SYLVARA_ALL_LAYERS} GTest::gtest GTest::gtest_main)
  target_compile_definitions(sylvara_e2e PRIVATE SYLVARA_STAGE_DIR="${SYLVARA_STAGE}")
  add_dependencies(sylvara_e2e stage sylvara sylvara-lab sylvara-sim)
  gtest_discover_tests(sylvara_e2e WORKING_DIRECTORY "${SYLVARA_STAGE}/bin"
    TEST_PREFIX "e2e." PROPERTIES LABELS e2e TIMEOUT 300 RUN_SERIAL TRUE DISCOVERY_TIMEOUT 60)
endif()

# Only the window's own unit tests load the staged art: the headless side's tests include none of it.
add_test(NAME tests.headless COMMAND "${CMAKE_SOURCE_DIR}/tests/check-headless-tests.sh" "${CMAKE_SOURCE_DIR}")
set_tests_properties(tests.headless PROPERTIES TIMEOUT 60)
