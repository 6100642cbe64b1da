# What makes a shipped exe: the version resource, stripped with its symbols in a file beside it,
# and the same bytes from the same commit in any folder.

# The version texts of the About box, the main window's caption and the version resource, made
# from the project's version and copyright; the resource scripts include the header.
math(EXPR QUORVEX_VERSION_SHORT "${PROJECT_VERSION_MAJOR} * 100 + ${PROJECT_VERSION_MINOR}")
string(REGEX REPLACE "^([0-9]+)([0-9][0-9])$" "\\1.\\2" QUORVEX_CAPTION_VERSION "${QUORVEX_VERSION_SHORT}")
set(QUORVEX_VERSION_DIR ${CMAKE_BINARY_DIR}/version)
configure_file(${CMAKE_SOURCE_DIR}/res/QuorvexVersion.h.in ${QUORVEX_VERSION_DIR}/QuorvexVersion.h @ONLY)
include_directories(${QUORVEX_VERSION_DIR})

# No build path in any object, symbol file or exe: sources are named from the top of the source
# folder, where a debugger finds them. The last map that matches wins: the build folder's comes
# last, so that the source folder, which may hold it, does not take its part.
add_compile_options(-ffile-prefix-map=${CMAKE_SOURCE_DIR}=. -ffile-prefix-map=${CMAKE_BINARY_DIR}=.)
# Built for size: the program waits on its user and on a 9600-baud line, and each exe must stay
# small enough to mail (at most 500 KB).
string(REPLACE "-O3" "-Os" CMAKE_CXX_FLAGS_RELEASE "${CMAKE_CXX_FLAGS_RELEASE}")
# Line tables and types for crash analysis; they end up in each exe's symbol file, not in the exe.
string(APPEND CMAKE_CXX_FLAGS_RELEASE " -g")
# No time stamp in the PE header, so its checksum depends on the contents alone.
add_link_options(-Wl,--no-insert-timestamp)

# quorvex_shipped_exe(TARGET DESCRIPTION): gives a shipped exe its version resource and, after each
# link, moves its symbols to TARGET.exe.debug beside it, leaving the exe stripped with a link to them.
# objcopy and strip stamp the PE header with the time unless SOURCE_DATE_EPOCH says otherwise.
function(quorvex_shipped_exe target description)
  set(QUORVEX_FILE_DESCRIPTION "${description}")
  set(QUORVEX_INTERNAL_NAME "${target}")
  set(QUORVEX_ORIGINAL_FILENAME "${target}.exe")
  set(rc ${QUORVEX_VERSION_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/res/VersionInfo.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  # std::terminate aborts without naming the exception: the verbose handler's demangler is about
  # 60 KB, and a window program has no console to print the name on.
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(u _)  # 32-bit Windows symbols carry a leading underscore
  endif()
  target_link_options(${target} PRIVATE -Wl,--defsym,${u}_ZN9__gnu_cxx27__verbose_terminate_handlerEv=${u}abort)
  add_custom_command(TARGET ${target} POST_BUILD WORKING_DIRECTORY $<TARGET_FILE_DIR:${target}>
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE_NAME:${target}> $<TARGET_FILE_NAME:${target}>.debug
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_STRIP} --strip-all $<TARGET_FILE_NAME:${target}>
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_OBJCOPY} --add-gnu-debuglink=$<TARGET_FILE_NAME:${target}>.debug $<TARGET_FILE_NAME:${target}>
    VERBATIM)
endfunction()
