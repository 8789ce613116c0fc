# What the Wine prefixes need before programs run in them. Each call adds a line to
# test-prefix-setup.txt (the test prefix) and, with RUN_PREFIX, to run-prefix-setup.txt (the
# prefix of scripts/run.sh); the scripts carry the lines out:
#   regsvr32 <file>        register a COM server (virtual devices, stand-ins)
#   system <file> <name>   place a program in the prefix's system folder under <name>,
#                          loaded in place of Wine's built-in program of that name
# The target run_programs builds Webcam and what the run prefix gets, nothing more.
define_property(GLOBAL PROPERTY WEBCAM_PREFIX_SETUP
    BRIEF_DOCS "Test prefix setup lines" FULL_DOCS "Lines of test-prefix-setup.txt")
define_property(GLOBAL PROPERTY WEBCAM_RUN_PREFIX_SETUP
    BRIEF_DOCS "Run prefix setup lines" FULL_DOCS "Lines of run-prefix-setup.txt")
define_property(GLOBAL PROPERTY WEBCAM_RUN_PREFIX_TARGETS
    BRIEF_DOCS "Run prefix fixtures" FULL_DOCS "Targets the run prefix needs")

function(_webcam_prefix_line target line)
    cmake_parse_arguments(ARG "RUN_PREFIX" "" "" ${ARGN})
    set_property(GLOBAL APPEND PROPERTY WEBCAM_PREFIX_SETUP "${line}")
    if(ARG_RUN_PREFIX)
        set_property(GLOBAL APPEND PROPERTY WEBCAM_RUN_PREFIX_SETUP "${line}")
        set_property(GLOBAL APPEND PROPERTY WEBCAM_RUN_PREFIX_TARGETS ${target})
    endif()
endfunction()

# webcam_register_fixture(target [RUN_PREFIX])
function(webcam_register_fixture target)
    _webcam_prefix_line(${target} "regsvr32 $<TARGET_FILE:${target}>" ${ARGN})
endfunction()

# webcam_install_system_fixture(target name [RUN_PREFIX])
function(webcam_install_system_fixture target name)
    _webcam_prefix_line(${target} "system $<TARGET_FILE:${target}> ${name}" ${ARGN})
endfunction()

function(webcam_write_prefix_setup)
    get_property(lines GLOBAL PROPERTY WEBCAM_PREFIX_SETUP)
    list(JOIN lines "\n" content)
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/test-prefix-setup.txt CONTENT "${content}\n")
    get_property(lines GLOBAL PROPERTY WEBCAM_RUN_PREFIX_SETUP)
    list(JOIN lines "\n" content)
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/run-prefix-setup.txt CONTENT "${content}\n")
    get_property(targets GLOBAL PROPERTY WEBCAM_RUN_PREFIX_TARGETS)
    add_custom_target(run_programs)
    add_dependencies(run_programs Webcam ${targets})
endfunction()
