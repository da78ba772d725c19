# The Python module "sylvara", for Debian's /usr/bin/python3: a headless world on the simulation's
# libraries. The build puts it in the run tree's python/ folder (PYTHONPATH=stage/python); the install
# where that python3 finds it.
#
# Under the sanitizers it is left out: a module built with them needs their runtime loaded into
# python3 itself before anything else, which no test of the module's behaviour should depend on.
option(SYLVARA_BUILD_PYTHON "Build the Python module (needs pybind11-dev and python3-dev)" ON)
if(NOT SYLVARA_BUILD_PYTHON OR SYLVARA_SANITIZE)
  return()
endif()

# The first python3 on PATH may be another one than Debian's, whose packages (numpy) the module uses.
if(NOT DEFINED PYTHON_EXECUTABLE AND EXISTS /usr/bin/python3)
  set(PYTHON_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "The python3 the module is built for")
endif()
find_package(pybind11 CONFIG REQUIRED)

# The module is a shared object: the layers it links are compiled to go into one, and keep their
# own calls direct (no interposition) so the module ticks as fast as the programs.
set(SYLVARA_PYTHON_LINKS sylvara_sim)
foreach(layer sylvara_common sylvara_model sylvara_save sylvara_sim)
  set_target_properties(${layer} PROPERTIES POSITION_INDEPENDENT_CODE ON)
  target_compile_options(${layer} PRIVATE -fno-semantic-interposition)
endforeach()
sylvara_layer(sylvara_python FOLDERS python SEES sim save ${MODEL_FOLDERS} common
  LINKS ${SYLVARA_PYTHON_LINKS} pybind11::pybind11)
# pybind11 keeps its own symbols hidden; the classes holding its objects must be too.
set_target_properties(sylvara_python PROPERTIES POSITION_INDEPENDENT_CODE ON CXX_VISIBILITY_PRESET hidden)
target_compile_options(sylvara_python PRIVATE -fno-semantic-interposition)

set(SYLVARA_PYTHON_STAGE "${SYLVARA_STAGE}/python")
pybind11_add_module(sylvara_module MODULE "${CMAKE_SOURCE_DIR}/python/main-module.cpp")
get_target_property(python_view sylvara_python SYLVARA_VIEW)
target_include_directories(sylvara_module PRIVATE "${python_view}")
target_link_libraries(sylvara_module PRIVATE sylvara_python)
set_target_properties(sylvara_module PROPERTIES OUTPUT_NAME sylvara
  LIBRARY_OUTPUT_DIRECTORY "${SYLVARA_PYTHON_STAGE}")
add_dependencies(sylvara_module stage)
# Its type hints beside it, for editors and type checkers.
add_custom_command(TARGET sylvara_module POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy_if_different "${CMAKE_SOURCE_DIR}/python/sylvara.pyi" "${SYLVARA_PYTHON_STAGE}/sylvara.pyi")

# Debian's python3 reads lib/python3/dist-packages under /usr, and lib/python3.X/dist-packages under
# another prefix such as /usr/local (cmake/Install.cmake installs it there).
if(CMAKE_INSTALL_PREFIX STREQUAL "/usr")
  set(python_dir "lib/python3/dist-packages")
else()
  set(python_dir "lib/python${PYTHON_VERSION_MAJOR}.${PYTHON_VERSION_MINOR}/dist-packages")
endif()
set(SYLVARA_PYTHON_DIR "${python_dir}" CACHE STRING "Where the Python module is installed, under the prefix")
# An installed module finds the installed tree from its own folder first, so a moved prefix still works.
file(RELATIVE_PATH SYLVARA_TREE_FROM_MODULE "${CMAKE_INSTALL_PREFIX}/${SYLVARA_PYTHON_DIR}"
  "${CMAKE_INSTALL_FULL_DATADIR}/sylvara")
set_source_files_properties("${CMAKE_SOURCE_DIR}/python/WorldSession.cpp" PROPERTIES COMPILE_DEFINITIONS
  "SYLVARA_TREE_FROM_MODULE=\"${SYLVARA_TREE_FROM_MODULE}\"")
