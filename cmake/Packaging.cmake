# What a user receives: the programs side by side with the starter settings, the sample input
# folder, an empty output folder and the user's guide; as a ZIP archive and as an installer that
# installs for the current user (or, when asked, for all users).

# brelo_version_info(TARGET DESCRIPTION): a VERSIONINFO resource for a Windows program.
function(brelo_version_info version_target version_description)
    set(rc ${CMAKE_BINARY_DIR}/version/${version_target}.rc)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
    target_sources(${version_target} PRIVATE ${rc})
endfunction()

# brelo_console_manifest(TARGET): a manifest for a console program declaring that it runs with
# the rights of whoever starts it.
function(brelo_console_manifest manifest_target)
    set(dir ${CMAKE_BINARY_DIR}/manifest)
    set(manifest_file ${dir}/${manifest_target}.manifest)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/console.manifest.in ${manifest_file} @ONLY)
    configure_file(${CMAKE_SOURCE_DIR}/cmake/manifest.rc.in ${dir}/${manifest_target}.rc @ONLY)
    target_sources(${manifest_target} PRIVATE ${dir}/${manifest_target}.rc)
    set_property(SOURCE ${dir}/${manifest_target}.rc APPEND PROPERTY OBJECT_DEPENDS
                 ${manifest_file})
endfunction()

# The programs a user receives. This one list makes the install rules, the version resources,
# the manifests and the `programs` target that scripts/start.sh builds before it stages them, so
# a program added here is built, versioned and staged alike. A build that lacks one (the native
# build has no brelo) leaves it out. brelo's own manifest is in ui/brelo.manifest.in.
set(BRELO_PROGRAMS hashmd5 jpconv brelo brelo-batch)
set(brelo_description_hashmd5 "MD5 digest of a file")
set(brelo_description_jpconv "Japanese text encoding converter")
set(brelo_description_brelo "Batch file converter")
set(brelo_description_brelo-batch "Batch file converter, console")

set(brelo_shipped_programs)
foreach(program ${BRELO_PROGRAMS})
    if(TARGET ${program})
        list(APPEND brelo_shipped_programs ${program})
        if(WIN32)
            brelo_version_info(${program} "${brelo_description_${program}}")
            if(NOT program STREQUAL "brelo")
                brelo_console_manifest(${program})
            endif()
        endif()
    endif()
endforeach()
add_custom_target(programs DEPENDS ${brelo_shipped_programs})

install(TARGETS ${brelo_shipped_programs} RUNTIME DESTINATION .)
# The user's guide, as a text file that opens with a double click everywhere; the README is the
# developers'.
install(FILES ${CMAKE_SOURCE_DIR}/docs/user-guide.md DESTINATION . RENAME user-guide.txt)
if(WIN32)
    install(FILES ${CMAKE_SOURCE_DIR}/Packaging/BRELO.ini DESTINATION .)
endif()
install(DIRECTORY ${CMAKE_SOURCE_DIR}/Packaging/Samples/ DESTINATION Samples)
install(DIRECTORY DESTINATION Output)

set(CPACK_PACKAGE_NAME Brelo)
set(CPACK_PACKAGE_VENDOR "Brelo developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Batch file converter")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_INSTALL_DIRECTORY Brelo)
set(CPACK_PACKAGE_FILE_NAME Brelo-${PROJECT_VERSION}-${CMAKE_SYSTEM_PROCESSOR})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/Packaging/LICENSE.txt)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
if(WIN32)
    set(CPACK_GENERATOR ZIP NSIS)
    set(CPACK_NSIS_DISPLAY_NAME Brelo)
    set(CPACK_NSIS_PACKAGE_NAME Brelo)
    # Packaging/NSIS.template.in: per user by default, all users on request.
    set(CPACK_MODULE_PATH ${CMAKE_SOURCE_DIR}/Packaging)
    set(CPACK_NSIS_INSTALL_ROOT "$LOCALAPPDATA\\Programs")
    set(CPACK_NSIS_CREATE_ICONS_EXTRA
        "CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Brelo.lnk' '$INSTDIR\\\\brelo.exe'
  CreateShortCut '$SMPROGRAMS\\\\$STARTMENU_FOLDER\\\\Brelo User Guide.lnk' '$INSTDIR\\\\user-guide.txt'")
    set(CPACK_NSIS_DELETE_ICONS_EXTRA "Delete '$SMPROGRAMS\\\\$START_MENU\\\\Brelo.lnk'
  Delete '$SMPROGRAMS\\\\$START_MENU\\\\Brelo User Guide.lnk'")
else()
    set(CPACK_GENERATOR TGZ)
endif()
include(CPack)
