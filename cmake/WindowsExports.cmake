# Windows builds: a test that reads Ostrel.dll's export table with objdump -p
# and checks that every exported class of the umbrella header and the data
# item RazDLL::Version are in it, and that the DLL imports only system DLLs.
string(REGEX REPLACE "objdump([^/]*)$" "c++filt\\1" OSTREL_CXXFILT "${CMAKE_OBJDUMP}")
add_test(NAME dll_exports
         COMMAND ${CMAKE_COMMAND}
                 -DOBJDUMP=${CMAKE_OBJDUMP}
                 -DCXXFILT=${OSTREL_CXXFILT}
                 -DDLL=$<TARGET_FILE:Ostrel>
                 -DUMBRELLA=${PROJECT_SOURCE_DIR}/ostrel.h
                 -P ${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake)

# The check itself must notice a class the DLL lacks.
add_test(NAME dll_exports_notice_a_missing_class
         COMMAND ${CMAKE_COMMAND}
                 -DOBJDUMP=${CMAKE_OBJDUMP}
                 -DCXXFILT=${OSTREL_CXXFILT}
                 -DDLL=$<TARGET_FILE:Ostrel>
                 -DUMBRELLA=${PROJECT_SOURCE_DIR}/tests/data/exports/umbrella.h
                 -P ${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake)
set_tests_properties(dll_exports_notice_a_missing_class PROPERTIES
                     PASS_REGULAR_EXPRESSION "does not[ \n]+export:[ \n]+NotInTheLibrary\n")

# ... and a DLL it needs beside it: patcher.exe, checked as if it were the
# library, needs Ostrel.dll.
if(TARGET patcher)
  add_test(NAME dll_exports_notice_a_needed_dll
           COMMAND ${CMAKE_COMMAND}
                   -DOBJDUMP=${CMAKE_OBJDUMP}
                   -DCXXFILT=${OSTREL_CXXFILT}
                   -DDLL=$<TARGET_FILE:patcher>
                   -DUMBRELLA=${PROJECT_SOURCE_DIR}/ostrel.h
                   -P ${PROJECT_SOURCE_DIR}/cmake/CheckExports.cmake)
  set_tests_properties(dll_exports_notice_a_needed_dll PROPERTIES
                       PASS_REGULAR_EXPRESSION "needs[ \n]+Ostrel.dll[ \n]+beside it")
endif()
