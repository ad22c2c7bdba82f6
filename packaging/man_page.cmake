# quorvia_man_page(TARGET SUMMARY): the program's manual page, TARGET.1 in
# man/ of the build folder, made from its --help each time the program is
# built (so the two never differ), and installed in share/man/man1/.
function(quorvia_man_page target summary)
  set(page ${CMAKE_BINARY_DIR}/man/${target}.1)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
    COMMAND ${PROJECT_SOURCE_DIR}/packaging/man_page.sh $<TARGET_FILE:${target}> ${summary} ${page}
    VERBATIM)
  install(FILES ${page} DESTINATION share/man/man1)
endfunction()
