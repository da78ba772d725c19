# The Debian package, made by ./scripts/package: cpack -G DEB on a build configured for /usr.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME sylvara)
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_CONTACT "Sylvara maintainers <maintainers@users.noreply.c-seed-e86d26a8.example>")
set(CPACK_PACKAGING_INSTALL_PREFIX "${CMAKE_INSTALL_PREFIX}")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "3D artificial-life sandbox")
# The long description, below the summary; CPack indents it and marks the empty line as Debian wants.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "Sylvara is a three-dimensional artificial-life sandbox: a square board of
ground tiles carries plants, herbivores and carnivores that feed, breed,
mutate and die, each glowing in a colour that shows its genome.

The package holds the window program (sylvara), the headless runner that
records populations, lineage and plots (sylvara-sim), the sweeps over seeds
and rules run through GNU parallel (sylvara-sweep) and the lab window
(sylvara-lab), with their man pages, and the Python module sylvara, a
headless world to step, read and steer from Python and Jupyter.")
# The plots are drawn by gnuplot and the sweeps run through GNU parallel; the shared libraries'
# packages (libavcodec's and libavformat's for the lab's recorder among them) come from dpkg-shlibdeps;
# Dear ImGui is linked statically.
set(SYLVARA_DEB_DEPENDS "gnuplot-nox | gnuplot, parallel")
# The Python module is built for one python3 version and hands out numpy arrays; it links no libpython,
# so dpkg-shlibdeps cannot see either.
if(TARGET sylvara_module)
  math(EXPR python_next "${PYTHON_VERSION_MINOR} + 1")
  string(APPEND SYLVARA_DEB_DEPENDS ", python3 (>= ${PYTHON_VERSION_MAJOR}.${PYTHON_VERSION_MINOR}~), "
    "python3 (<< ${PYTHON_VERSION_MAJOR}.${python_next}), python3-numpy")
endif()
if(SYLVARA_FONT_LINK)
  # The font is a link to the system's file: depend on the package that holds it.
  execute_process(COMMAND dpkg-query --search "${FONT_SOURCE}" OUTPUT_VARIABLE font_owner
    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  string(REGEX REPLACE ":.*" "" font_package "${font_owner}")
  if(NOT font_package)
    message(FATAL_ERROR "No Debian package holds the font ${FONT_SOURCE}: configure with SYLVARA_FONT_LINK=OFF")
  endif()
  string(APPEND SYLVARA_DEB_DEPENDS ", ${font_package}")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS "${SYLVARA_DEB_DEPENDS}")
set(CPACK_STRIP_FILES ON)
include(CPack)
