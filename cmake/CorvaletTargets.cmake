# Compiler settings every Corvalet target shares: warnings, optional -Werror and sanitizers.
function(corvalet_target_defaults target)
    target_compile_options(${target} PRIVATE -Wall -Wextra)
    if(CORVALET_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

if(CORVALET_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
endif()

# corvalet_library(NAME SOURCES ... [QT]) declares the static library corvalet_NAME.
function(corvalet_library name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_library(corvalet_${name} STATIC ${ARG_SOURCES})
    target_include_directories(corvalet_${name} PUBLIC "${PROJECT_SOURCE_DIR}/src")
    target_link_libraries(corvalet_${name} PUBLIC ${ARG_DEPENDS})
    corvalet_target_defaults(corvalet_${name})
endfunction()

# corvalet_test(NAME SOURCES ... DEPENDS ...) declares one GoogleTest executable per subsystem.
function(corvalet_test name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_DEPENDS} GTest::gtest GTest::gmock GTest::gtest_main)
    target_include_directories(${name} PRIVATE "${PROJECT_SOURCE_DIR}/tests")
    corvalet_target_defaults(${name})
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 120)
endfunction()
