# Compiler settings of a fuzz build (ADMINEVENTS_FUZZ), included before any
# target is defined: every library built here gets libFuzzer's coverage
# instrumentation, besides the sanitizers the top level adds.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "ADMINEVENTS_FUZZ needs clang and its libFuzzer (Debian: clang-14 libclang-rt-14-dev); configure with CXX=clang++-14")
endif()
add_compile_options(-fsanitize=fuzzer-no-link)

# Shared libraries built with clang's sanitizers leave the runtime's symbols
# to the program that loads them.
string(REPLACE "-Wl,--no-undefined" "" CMAKE_SHARED_LINKER_FLAGS "${CMAKE_SHARED_LINKER_FLAGS}")
string(REPLACE "-Wl,--no-undefined" "" CMAKE_MODULE_LINKER_FLAGS "${CMAKE_MODULE_LINKER_FLAGS}")

# clang before 16 cannot compile libstdc++ 12's <expected>, which needs
# conditionally trivial special members: fuzz/compat has one it can.
include(CheckCXXSourceCompiles)
set(CMAKE_REQUIRED_FLAGS "-std=c++2b")
check_cxx_source_compiles("
#include <expected>
#include <string>
std::expected<std::string, std::string> f(bool ok) { if (ok) return std::string(\"a\"); return std::unexpected(std::string(\"b\")); }
int main() { return f(true)->size() == 1 ? 0 : 1; }" ADMINEVENTS_STD_EXPECTED_WORKS)
unset(CMAKE_REQUIRED_FLAGS)
if(NOT ADMINEVENTS_STD_EXPECTED_WORKS)
    message(STATUS "The standard library's <expected> does not compile with this compiler: using fuzz/compat/expected")
    include_directories(BEFORE SYSTEM ${CMAKE_CURRENT_LIST_DIR}/compat)
endif()
