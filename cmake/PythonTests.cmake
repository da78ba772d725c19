# The Python module's tests, on pytest, and the notebook of the docs executed as a reader would run it.
# Both use Debian's python3 with the run tree's python/ folder on PYTHONPATH.
set(SYLVARA_PYTHON_ENV "PYTHONPATH=${SYLVARA_PYTHON_STAGE}" "SYLVARA_BIN=${SYLVARA_STAGE}/bin"
  "ALSOFT_DRIVERS=null")
add_test(NAME python.module COMMAND ${PYTHON_EXECUTABLE} -m pytest -q -p no:cacheprovider
  "${CMAKE_SOURCE_DIR}/tests/python")
add_test(NAME python.notebook COMMAND ${PYTHON_EXECUTABLE} -m nbconvert --to notebook --execute
  --ExecutePreprocessor.timeout=600 --output-dir "${CMAKE_BINARY_DIR}/notebooks"
  "${CMAKE_SOURCE_DIR}/docs/notebooks/first-world.ipynb")
set_tests_properties(python.module python.notebook PROPERTIES LABELS python TIMEOUT 900
  ENVIRONMENT "${SYLVARA_PYTHON_ENV}")
