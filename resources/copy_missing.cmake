# Puts shipped files into a run directory without ever replacing or removing what is there: the
# corpus folder holds the user's own documents, and a settings file may have been edited by hand.
#
#   cmake -DSOURCE=<folder> -DDEST=<folder> -P copy_missing.cmake
#       copies every file and folder of SOURCE that DEST lacks.
#   cmake -DSOURCE=<file> -DDEST=<file> [-DSHIPPED=<file>] -P copy_missing.cmake
#       copies SOURCE to DEST when DEST is missing, or when DEST is still exactly the copy shipped
#       last time (SHIPPED), so that a changed default reaches untouched run directories.
# Also include()d from install scripts with SOURCE and DEST set.

if(NOT DEFINED SOURCE OR NOT DEFINED DEST)
  message(FATAL_ERROR "copy_missing.cmake needs SOURCE and DEST")
endif()

if(IS_DIRECTORY "${SOURCE}")
  if(EXISTS "${DEST}" AND NOT IS_DIRECTORY "${DEST}")
    message(WARNING "${DEST} is not a folder; nothing copied into it")
    return()
  endif()
  file(MAKE_DIRECTORY "${DEST}")
  file(GLOB_RECURSE _entries LIST_DIRECTORIES true RELATIVE "${SOURCE}" "${SOURCE}/*")
  # Sorted, a folder comes before everything inside it.
  list(SORT _entries)
  foreach(_rel IN LISTS _entries)
    set(_from "${SOURCE}/${_rel}")
    set(_to "${DEST}/${_rel}")
    if(EXISTS "${_to}" OR IS_SYMLINK "${_to}")
      continue()
    endif()
    get_filename_component(_parent "${_to}" DIRECTORY)
    if(NOT IS_DIRECTORY "${_parent}")
      continue()  # the user put a file where the shipped folder would go
    endif()
    if(IS_DIRECTORY "${_from}")
      file(MAKE_DIRECTORY "${_to}")
    else()
      file(COPY_FILE "${_from}" "${_to}")
    endif()
  endforeach()
elseif(EXISTS "${SOURCE}")
  set(_replace FALSE)
  if(NOT EXISTS "${DEST}" AND NOT IS_SYMLINK "${DEST}")
    set(_replace TRUE)
  elseif(DEFINED SHIPPED AND EXISTS "${SHIPPED}" AND NOT IS_DIRECTORY "${DEST}")
    file(SHA256 "${DEST}" _dest_hash)
    file(SHA256 "${SHIPPED}" _shipped_hash)
    if(_dest_hash STREQUAL _shipped_hash)
      set(_replace TRUE)
    endif()
  endif()
  if(_replace)
    get_filename_component(_parent "${DEST}" DIRECTORY)
    file(MAKE_DIRECTORY "${_parent}")
    file(COPY_FILE "${SOURCE}" "${DEST}")
    if(DEFINED SHIPPED)
      file(COPY_FILE "${SOURCE}" "${SHIPPED}")
    endif()
  endif()
else()
  message(FATAL_ERROR "copy_missing.cmake: ${SOURCE} does not exist")
endif()
