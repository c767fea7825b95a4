# Installs the GNOME Shell extension's entry file that the Shell installed here can load, under
# the name the Shell looks for (extension.js). GNOME 45 and later load extensions as ES modules;
# 43 and 44 load only the older `imports` style, so they get extension-43.js. The version comes
# from VANTREL_GNOME_SHELL_VERSION in the environment, else from `gnome-shell --version`; with
# neither (a build machine without GNOME) the ES-module entry is installed, current GNOME's.
function(vantrel_gnome_shell_entry source destination)
  set(version "$ENV{VANTREL_GNOME_SHELL_VERSION}")
  if(version STREQUAL "")
    execute_process(COMMAND gnome-shell --version OUTPUT_VARIABLE out ERROR_QUIET
                    RESULT_VARIABLE status)
    if(status EQUAL 0 AND out MATCHES "GNOME Shell ([0-9]+)")
      set(version ${CMAKE_MATCH_1})
    endif()
  endif()
  set(entry extension.js)
  if(version MATCHES "^[0-9]+" AND version LESS 45)
    set(entry extension-43.js)
  endif()
  message(STATUS "GNOME Shell extension entry: ${entry} (GNOME Shell '${version}')")
  file(INSTALL ${source}/${entry} DESTINATION ${destination} RENAME extension.js)
endfunction()
