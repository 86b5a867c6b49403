# SPDX-License-Identifier: MIT
# Instrumented builds. TETRODE_SANITIZE builds everything, tests included, with AddressSanitizer
# and UndefinedBehaviorSanitizer; TETRODE_BUILD_FUZZERS also adds libFuzzer's coverage hooks so the
# fuzz targets in fuzz/ can steer into the libraries. Both need clang (the fuzzer runtime comes
# with Debian's libclang-rt package).
# Gives every test of the calling folder the sanitizers' options below, in the instrumented build;
# does nothing in another. ENVIRONMENT_MODIFICATION leaves each test's own ENVIRONMENT alone.
function(tetrode_sanitize_folder_tests)
    if(NOT TETRODE_SANITIZE)
        return()
    endif()
    get_property(tests DIRECTORY PROPERTY TESTS)
    list(TRANSFORM TETRODE_SANITIZER_OPTIONS REPLACE "^([A-Z_]+)=" "\\1=set:"
         OUTPUT_VARIABLE modifications)
    set_property(TEST ${tests} APPEND PROPERTY ENVIRONMENT_MODIFICATION ${modifications})
endfunction()

if(NOT TETRODE_SANITIZE AND NOT TETRODE_BUILD_FUZZERS)
    return()
endif()
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "The sanitizer and fuzzer builds need clang++ (configure with "
                        "-DCMAKE_CXX_COMPILER=clang++ or the asan / fuzz preset)")
endif()

set(tetrode_sanitizers address,undefined)
if(TETRODE_BUILD_FUZZERS)
    # Instrument the libraries for coverage; only the fuzz targets link the fuzzer's main().
    add_compile_options(-fsanitize=fuzzer-no-link,${tetrode_sanitizers})
    # Floating-point division by zero is defined, but the core must test every divisor first.
    add_compile_options(-fsanitize=float-divide-by-zero)
else()
    add_compile_options(-fsanitize=${tetrode_sanitizers})
endif()
# Any undefined behaviour ends the run, so a test cannot pass over a report.
add_compile_options(-fno-sanitize-recover=undefined -fno-omit-frame-pointer)
add_link_options(-fsanitize=${tetrode_sanitizers})

# What the instrumented tests and fuzzers run with: stop at the first report, show where, record
# whole allocation stacks (the fast unwinder stops in libraries built without frame pointers, and a
# suppression must see every frame to be judged), and ignore only the leaks of the libraries named
# in tools/lsan.supp.
set(TETRODE_SANITIZER_OPTIONS
    "ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1"
    "LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tools/lsan.supp:print_suppressions=0"
    "UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1")
