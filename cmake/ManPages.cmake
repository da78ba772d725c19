# The man pages, made at build time so they never drift from the options: the tools' pages from their
# own --help and --version (help2man, with the sections help cannot hold from man/*.h2m), the window's
# page and the rules file's page from Markdown (pandoc), the latter with the rules as sylvara-sim lists them.
find_program(HELP2MAN help2man)
find_program(PANDOC pandoc)
if(NOT HELP2MAN OR NOT PANDOC)
  message(FATAL_ERROR "The man pages need help2man and pandoc: install them, or configure with "
    "-DSYLVARA_BUILD_MANPAGES=OFF")
endif()
set(MAN_OUT "${CMAKE_BINARY_DIR}/man")
file(MAKE_DIRECTORY "${MAN_OUT}")
set(SYLVARA_MAN_PAGES)

function(sylvara_tool_page program section name)
  set(page "${MAN_OUT}/${program}.${section}")
  set(include "${CMAKE_SOURCE_DIR}/man/${program}.h2m")
  # The tools read the run tree's settings as they start, so they are asked once the stage is made.
  add_custom_command(OUTPUT "${page}"
    COMMAND ${CMAKE_COMMAND} -E env ALSOFT_DRIVERS=null
      "${HELP2MAN}" --no-info --no-discard-stderr "--section=${section}" "--name=${name}"
      "--include=${include}" "--output=${page}"
      "${CMAKE_SOURCE_DIR}/cmake/help2man-tool.sh $<TARGET_FILE:${program}>"
    DEPENDS ${program} stage "${include}" "${CMAKE_SOURCE_DIR}/cmake/help2man-tool.sh"
    COMMENT "Man page ${program}(${section})" VERBATIM)
  set(SYLVARA_MAN_PAGES ${SYLVARA_MAN_PAGES} "${page}" PARENT_SCOPE)
endfunction()

sylvara_tool_page(sylvara-sim 1 "run Sylvara's world without a window and record its populations")
sylvara_tool_page(sylvara-sweep 1 "run a grid of headless Sylvara worlds and summarize them")
sylvara_tool_page(sylvara-lab 1 "Sylvara's sandbox window on a world of your choice, at any speed")

set(PANDOC_MAN "${PANDOC}" --standalone --from=markdown --to=man
  "--variable=footer:Sylvara ${PROJECT_VERSION}" "--variable=header:Sylvara Manual")
add_custom_command(OUTPUT "${MAN_OUT}/sylvara.6"
  COMMAND ${PANDOC_MAN} --metadata=title:SYLVARA --metadata=section:6 "--output=${MAN_OUT}/sylvara.6"
    "${CMAKE_SOURCE_DIR}/man/sylvara.6.md"
  DEPENDS "${CMAKE_SOURCE_DIR}/man/sylvara.6.md"
  COMMENT "Man page sylvara(6)" VERBATIM)
list(APPEND SYLVARA_MAN_PAGES "${MAN_OUT}/sylvara.6")

add_custom_command(OUTPUT "${MAN_OUT}/sylvara-rules.5"
  COMMAND ${CMAKE_COMMAND} "-DSIM=$<TARGET_FILE:sylvara-sim>" "-DSOURCE=${CMAKE_SOURCE_DIR}/man/sylvara-rules.5.md"
    "-DOUTPUT=${MAN_OUT}/sylvara-rules.5.md" -P "${CMAKE_SOURCE_DIR}/cmake/RulesPage.cmake"
  COMMAND ${PANDOC_MAN} --metadata=title:SYLVARA-RULES --metadata=section:5 "--output=${MAN_OUT}/sylvara-rules.5"
    "${MAN_OUT}/sylvara-rules.5.md"
  DEPENDS sylvara-sim "${CMAKE_SOURCE_DIR}/man/sylvara-rules.5.md" "${CMAKE_SOURCE_DIR}/cmake/RulesPage.cmake"
  COMMENT "Man page sylvara-rules(5)" VERBATIM)
list(APPEND SYLVARA_MAN_PAGES "${MAN_OUT}/sylvara-rules.5")

add_custom_command(OUTPUT "${MAN_OUT}/sylvara-commands.5"
  COMMAND ${PANDOC_MAN} --metadata=title:SYLVARA-COMMANDS --metadata=section:5
    "--output=${MAN_OUT}/sylvara-commands.5" "${CMAKE_SOURCE_DIR}/man/sylvara-commands.5.md"
  DEPENDS "${CMAKE_SOURCE_DIR}/man/sylvara-commands.5.md"
  COMMENT "Man page sylvara-commands(5)" VERBATIM)
list(APPEND SYLVARA_MAN_PAGES "${MAN_OUT}/sylvara-commands.5")

# Debian installs its man pages compressed, without a name or time stamp in the gzip header.
option(SYLVARA_GZIP_MANPAGES "Install the man pages compressed with gzip -9n" OFF)
set(installed_pages)
foreach(page ${SYLVARA_MAN_PAGES})
  get_filename_component(extension "${page}" LAST_EXT)
  string(SUBSTRING "${extension}" 1 1 section)
  if(SYLVARA_GZIP_MANPAGES)
    add_custom_command(OUTPUT "${page}.gz" COMMAND gzip -9nf -k "${page}" DEPENDS "${page}" VERBATIM)
    set(page "${page}.gz")
  endif()
  list(APPEND installed_pages "${page}")
  install(FILES "${page}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man${section}")
endforeach()
add_custom_target(man ALL DEPENDS ${installed_pages})
