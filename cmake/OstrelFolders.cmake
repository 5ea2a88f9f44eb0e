# One object library per folder of the library, with the folders it may use
# as its link edges; the union makes the shared library. The edges also
# decide what a folder may include: cmake/CheckIncludes.cmake reads them.

# Properties every folder target shares. FOLDER is the folder's path below the
# source tree ("." for the top).
function(ostrel_folder_library target folder)
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE ON OSTREL_FOLDER ${folder})
  target_compile_definitions(${target} PUBLIC OSTREL_BUILD)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  set_property(GLOBAL APPEND PROPERTY OSTREL_LIBRARY_TARGETS ${target})
endfunction()

# The folders a target reaches through its links, itself included; the shared
# library stands for every library folder.
function(ostrel_reached_folders target out)
  set(reached "")
  set(pending ${target})
  set(seen "")
  while(pending)
    list(POP_FRONT pending current)
    if(current IN_LIST seen OR NOT TARGET ${current})
      continue()
    endif()
    list(APPEND seen ${current})
    if(current STREQUAL "Ostrel")
      get_property(library GLOBAL PROPERTY OSTREL_LIBRARY_TARGETS)
      list(APPEND pending ${library})
      continue()
    endif()
    get_target_property(folder ${current} OSTREL_FOLDER)
    if(folder)
      list(APPEND reached ${folder})
    endif()
    foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
      get_target_property(links ${current} ${property})
      if(links)
        list(APPEND pending ${links})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_DUPLICATES reached)
  set(${out} ${reached} PARENT_SCOPE)
endfunction()

# Writes, for every target that carries a folder, the line
# "folder: reached folders" and adds the test that checks the includes.
function(ostrel_check_folder_includes)
  set(targets "")
  foreach(target ${ARGN})
    if(TARGET ${target})
      list(APPEND targets ${target})
    endif()
  endforeach()
  set(lines "")
  foreach(target ${targets})
    get_target_property(folder ${target} OSTREL_FOLDER)
    ostrel_reached_folders(${target} reached)
    list(JOIN reached " " reachedText)
    string(APPEND lines "${folder}: ${reachedText}\n")
  endforeach()
  file(WRITE ${PROJECT_BINARY_DIR}/folder-links.txt "${lines}")
  if(OSTREL_TESTS)
    add_test(NAME folder_includes
             COMMAND ${CMAKE_COMMAND} -DROOT=${PROJECT_SOURCE_DIR} -DLINKS=${PROJECT_BINARY_DIR}/folder-links.txt
                     -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake)
  endif()
endfunction()
