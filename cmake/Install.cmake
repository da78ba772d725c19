# cmake --install BUILD --prefix PREFIX: the tools into PREFIX/bin, the run tree's data into
# PREFIX/share/sylvara, the window program where only its wrapper starts it, man pages and docs.
set(SYLVARA_DOCDIR "${CMAKE_INSTALL_DATADIR}/doc/sylvara")
set(SYLVARA_WINDOWDIR "${CMAKE_INSTALL_LIBEXECDIR}/sylvara")
option(SYLVARA_FONT_LINK "Install the font as a link to the system's file rather than a copy" OFF)

install(TARGETS sylvara-sim sylvara-sweep sylvara-lab RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
# The Python module where Debian's python3 finds it (see cmake/Python.cmake).
if(TARGET sylvara_module)
  install(TARGETS sylvara_module LIBRARY DESTINATION "${SYLVARA_PYTHON_DIR}")
  install(FILES "${CMAKE_SOURCE_DIR}/python/sylvara.pyi" DESTINATION "${SYLVARA_PYTHON_DIR}")
endif()
# The window program reads ../data from its working folder, so it is not started from PATH itself:
# bin/sylvara is a wrapper that enters the installed tree's data folder and starts it from there.
install(TARGETS sylvara RUNTIME DESTINATION "${SYLVARA_WINDOWDIR}")
file(RELATIVE_PATH SYLVARA_WORK_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}"
  "${CMAKE_INSTALL_FULL_DATADIR}/sylvara/data")
file(RELATIVE_PATH SYLVARA_WINDOW_FROM_BIN "${CMAKE_INSTALL_FULL_BINDIR}"
  "${CMAKE_INSTALL_PREFIX}/${SYLVARA_WINDOWDIR}/sylvara")
configure_file("${CMAKE_SOURCE_DIR}/packaging/sylvara.in" "${CMAKE_BINARY_DIR}/packaging/sylvara" @ONLY)
install(PROGRAMS "${CMAKE_BINARY_DIR}/packaging/sylvara" DESTINATION "${CMAKE_INSTALL_BINDIR}")

# The run tree as the build fills it, bin/ aside.
install(DIRECTORY "${SYLVARA_STAGE}/models" "${SYLVARA_STAGE}/sounds" "${SYLVARA_STAGE}/rules"
  DESTINATION "${SYLVARA_DATADIR}")
install(FILES "${SYLVARA_STAGE}/data/settings.ini" DESTINATION "${SYLVARA_DATADIR}/data")
if(SYLVARA_FONT_LINK)
  file(MAKE_DIRECTORY "${CMAKE_BINARY_DIR}/packaging")
  file(CREATE_LINK "${FONT_SOURCE}" "${CMAKE_BINARY_DIR}/packaging/arial.ttf" SYMBOLIC)
  install(FILES "${CMAKE_BINARY_DIR}/packaging/arial.ttf" DESTINATION "${SYLVARA_DATADIR}/data")
else()
  install(FILES "${SYLVARA_STAGE}/data/arial.ttf" DESTINATION "${SYLVARA_DATADIR}/data")
endif()

file(GLOB SYLVARA_TOP_DOCS "${CMAKE_SOURCE_DIR}/*.md")
install(FILES ${SYLVARA_TOP_DOCS} "${CMAKE_SOURCE_DIR}/packaging/copyright" DESTINATION "${SYLVARA_DOCDIR}")
install(DIRECTORY "${CMAKE_SOURCE_DIR}/docs" DESTINATION "${SYLVARA_DOCDIR}")
