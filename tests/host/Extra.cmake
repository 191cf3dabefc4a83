# Stand-ins for the 9x family's password libraries, each in a folder of its
# own under standins/ so that a test chooses which one a program finds:
#   standins/password/PASSWORD.CPL       exports VerifyScreenSavePwd
#   standins/password-bare/PASSWORD.CPL  lacks it
#   standins/mpr/MPR.DLL                 exports PwdChangePasswordA
#   standins/mpr-bare/MPR.DLL            lacks it
function(mochipote_standin target source folder name suffix)
  add_library(${target} SHARED ${CMAKE_SOURCE_DIR}/tests/host/standins/${source})
  target_link_libraries(${target} PRIVATE advapi32)
  # The saver's own pointer types, checked against these exports.
  target_include_directories(${target} PRIVATE ${CMAKE_SOURCE_DIR})
  # Undecorated stdcall names, as the system's own libraries export them.
  target_link_options(${target} PRIVATE -static -static-libgcc -Wl,--kill-at)
  set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME ${name} SUFFIX ${suffix}
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/standins/${folder}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/standins/lib/${folder})
  if(ARGN)
    target_compile_definitions(${target} PRIVATE ${ARGN})
  endif()
endfunction()

mochipote_standin(standin_password PasswordStandIn.cpp password PASSWORD .CPL)
mochipote_standin(standin_password_bare PasswordStandIn.cpp password-bare PASSWORD .CPL STANDIN_BARE)
mochipote_standin(standin_mpr MprStandIn.cpp mpr MPR .DLL)
mochipote_standin(standin_mpr_bare MprStandIn.cpp mpr-bare MPR .DLL STANDIN_BARE)

foreach(test host_test_password host_test_close_on_input)
  if(TARGET ${test})
    add_dependencies(${test} standin_password standin_password_bare standin_mpr standin_mpr_bare)
  endif()
endforeach()
