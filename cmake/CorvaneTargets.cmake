# Shared target conventions: warnings, sanitizers and test registration.

set(CORVANE_SANITIZE "" CACHE STRING "Sanitizers to build with, e.g. address,undefined")

add_compile_options(-Wall -Wextra -Wpedantic -Wconversion -Wshadow -Wnon-virtual-dtor -Wold-style-cast)
# Objects name the repository's files relative to its root (in debug information and __FILE__), so
# they are the same in every clone and ccache (base_dir = the root, see CMakePresets.json) shares them.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}/=)
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU" AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
    # GCC 12 reports impossible overlaps in inlined std::string copies at -O3 (GCC bug 105329).
    add_compile_options(-Wno-restrict)
endif()

if(CORVANE_SANITIZE)
    add_compile_options(-fsanitize=${CORVANE_SANITIZE} -fno-omit-frame-pointer -fno-sanitize-recover=all)
    add_link_options(-fsanitize=${CORVANE_SANITIZE})
endif()

# corvane_add_library(<name> SOURCES ... [LIBRARIES ...])
# One static library per source folder; its folder is the include root for the project.
function(corvane_add_library name)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "" "" "SOURCES;LIBRARIES")
    add_library(${name} STATIC ${ARG_SOURCES})
    target_include_directories(${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(${name} PUBLIC ${ARG_LIBRARIES})
endfunction()

# corvane_add_test(<name> SOURCES ... [LIBRARIES ...] [DESKTOP_SESSION] [WIDGETS] [X11 | WAYLAND])
# Builds one QTest executable and registers it with CTest, on the offscreen platform. DESKTOP_SESSION
# marks tests that use the session's keyring item, settings file or well-known bus names: CTest runs
# those one at a time. WIDGETS runs the tests under a QApplication, for tests that show widgets. X11
# runs them on the X server of the session instead (a tray icon needs one); WAYLAND on its Wayland
# compositor, or offscreen when there is none (the tests then skip themselves).
function(corvane_add_test name)
    cmake_parse_arguments(PARSE_ARGV 1 ARG "DESKTOP_SESSION;WIDGETS;X11;WAYLAND" "" "SOURCES;LIBRARIES")
    add_executable(${name} ${ARG_SOURCES} "${PROJECT_SOURCE_DIR}/tests/support/TestMain.cpp")
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
    target_link_libraries(${name} PRIVATE Qt6::Test ${ARG_LIBRARIES})
    # The app's own sounds, which notifications in tests name.
    target_compile_definitions(${name} PRIVATE CORVANE_TEST_SOUNDS_FOLDER="${CORVANE_SOUNDS_FOLDER}")
    if(ARG_WIDGETS)
        target_link_libraries(${name} PRIVATE Qt6::Widgets)
        target_compile_definitions(${name} PRIVATE CORVANE_TEST_WIDGETS)
    endif()
    add_test(NAME ${name} COMMAND ${name})
    if(ARG_X11)
        set(environment "QT_QPA_PLATFORM=xcb" "QTEST_DISABLE_STACK_DUMP=1")
    elseif(ARG_WAYLAND)
        set(environment "QT_QPA_PLATFORM=wayland\\;offscreen" "QTEST_DISABLE_STACK_DUMP=1")
    else()
        set(environment "QT_QPA_PLATFORM=offscreen" "QTEST_DISABLE_STACK_DUMP=1")
    endif()
    if(CORVANE_SANITIZE)
        # Qt's Wayland plugin leaves its display's objects (libwayland-client) to the end of the process.
        if(ARG_WAYLAND)
            set(leaks 0)
        else()
            set(leaks 1)
        endif()
        list(APPEND environment
            "UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
            "ASAN_OPTIONS=detect_leaks=${leaks}:abort_on_error=1")
    endif()
    set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 120)
    if(ARG_DESKTOP_SESSION)
        set_tests_properties(${name} PROPERTIES RESOURCE_LOCK desktop-session)
    endif()
endfunction()
