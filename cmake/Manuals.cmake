# The man pages of the programs, made at build time from their own --help
# (cmake/HelpToMan.cmake), and the bash completion of portal-inspect, which
# reads the commands and options from the program's --help when it completes.
set(manuals_dir ${PROJECT_BINARY_DIR}/man/man1)
set(manuals)
foreach(program IN ITEMS tintsurvey portal-inspect mkportal)
  set(page ${manuals_dir}/${program}.1)
  add_custom_command(OUTPUT ${page}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${program}> -DOUTPUT=${page}
            -DVERSION=${PROJECT_VERSION} -P ${PROJECT_SOURCE_DIR}/cmake/HelpToMan.cmake
    DEPENDS ${program} ${PROJECT_SOURCE_DIR}/cmake/HelpToMan.cmake
    COMMENT "Writing the man page of ${program}"
    VERBATIM)
  list(APPEND manuals ${page})
endforeach()
add_custom_target(manuals ALL DEPENDS ${manuals})

install(FILES ${manuals} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PROJECT_SOURCE_DIR}/apps/portal-inspect/completion/portal-inspect.bash
  DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME portal-inspect)
