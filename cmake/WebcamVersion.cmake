# Versions. The product's version has four fields, major.minor.build.revision; the Windows
# Installer compares only three (major and minor up to 255, build up to 65535), so that two
# releases that differ in the revision alone would install side by side. The package's version
# folds the revision into its third field: build * 1000 + revision.

# webcam_split_version(version prefix): prefix_MAJOR, _MINOR, _BUILD and _REVISION.
function(webcam_split_version version prefix)
    if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
        message(FATAL_ERROR "A version must be four numbers: ${version}")
    endif()
    set(${prefix}_MAJOR ${CMAKE_MATCH_1} PARENT_SCOPE)
    set(${prefix}_MINOR ${CMAKE_MATCH_2} PARENT_SCOPE)
    set(${prefix}_BUILD ${CMAKE_MATCH_3} PARENT_SCOPE)
    set(${prefix}_REVISION ${CMAKE_MATCH_4} PARENT_SCOPE)
endfunction()

# webcam_package_version(version output): the Windows Installer package's three-field version.
function(webcam_package_version version output)
    webcam_split_version(${version} part)
    math(EXPR build "${part_BUILD} * 1000 + ${part_REVISION}")
    if(part_MAJOR GREATER 255 OR part_MINOR GREATER 255 OR part_REVISION GREATER 999 OR build GREATER 65535)
        message(FATAL_ERROR "${version} has no package version: major and minor up to 255, "
                            "revision up to 999, build * 1000 + revision up to 65535")
    endif()
    set(${output} "${part_MAJOR}.${part_MINOR}.${build}" PARENT_SCOPE)
endfunction()
