# What the test Wine prefix needs before the Windows tests run. Each call adds a line to
# test-prefix-setup.txt, which scripts/test.sh carries out in the fresh prefix:
#   regsvr32 <file>        register a COM server (virtual devices, stand-ins)
#   system <file> <name>   place a program in the prefix's system folder under <name>,
#                          loaded in place of Wine's built-in program of that name
define_property(GLOBAL PROPERTY WEBCAM_PREFIX_SETUP
    BRIEF_DOCS "Test prefix setup lines" FULL_DOCS "Lines of test-prefix-setup.txt")

function(webcam_register_fixture target)
    set_property(GLOBAL APPEND PROPERTY WEBCAM_PREFIX_SETUP "regsvr32 $<TARGET_FILE:${target}>")
endfunction()

function(webcam_install_system_fixture target name)
    set_property(GLOBAL APPEND PROPERTY WEBCAM_PREFIX_SETUP
        "system $<TARGET_FILE:${target}> ${name}")
endfunction()

function(webcam_write_prefix_setup)
    get_property(lines GLOBAL PROPERTY WEBCAM_PREFIX_SETUP)
    list(JOIN lines "\n" content)
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/test-prefix-setup.txt CONTENT "${content}\n")
endfunction()
