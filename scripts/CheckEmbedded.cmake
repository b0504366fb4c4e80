# Configures a throw-away outer project that adds this one with
# add_subdirectory, and fails unless every layer library gets its sources
# (paths taken from the top-level tree would leave them empty).
#
#   cmake -DSOURCE_DIR=<repo> -DWORK_DIR=<scratch> [-DGENERATOR=Ninja] -P scripts/CheckEmbedded.cmake

if(NOT SOURCE_DIR OR NOT WORK_DIR)
  message(FATAL_ERROR "CheckEmbedded: pass -DSOURCE_DIR=<repo> -DWORK_DIR=<scratch dir>")
endif()
if(NOT GENERATOR)
  set(GENERATOR Ninja)
endif()

set(outer ${WORK_DIR}/outer)
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${outer})
file(WRITE ${outer}/CMakeLists.txt "cmake_minimum_required(VERSION 3.25)
project(Outer LANGUAGES CXX)
add_subdirectory(\"${SOURCE_DIR}\" kestrova)
add_executable(outer main.cpp)
target_link_libraries(outer PRIVATE kestrova_telemetry)
")
file(WRITE ${outer}/main.cpp "#include \"telemetry/SystemStatsProvider.h\"
int main() { return SystemStatsProvider::kHistoryLength > 0 ? 0 : 1; }
")

execute_process(
  COMMAND ${CMAKE_COMMAND} -S ${outer} -B ${WORK_DIR}/build -G ${GENERATOR}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "The outer project did not configure:\n${output}")
endif()

file(GLOB_RECURSE build_files ${WORK_DIR}/build/*.ninja ${WORK_DIR}/build/*Makefile*)
set(text "")
foreach(f IN LISTS build_files)
  file(READ ${f} part)
  string(APPEND text "${part}")
endforeach()
foreach(layer core platform telemetry localai services theme widgets popover dashboard app)
  if(NOT text MATCHES "src/${layer}/[A-Za-z_]+\\.cpp")
    message(FATAL_ERROR "Built inside another tree, the ${layer} library has no sources")
  endif()
endforeach()
message(STATUS "Configured inside another tree with every layer's sources")
