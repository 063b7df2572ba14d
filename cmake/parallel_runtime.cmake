# The parallel runtime behind twinlink/parallel.h and twinlink/concurrent.h, chosen by one
# setting (concurrent.h says why each build takes which):
#   TWINLINK_PARALLEL=tbb      oneTBB (the Linux main build)
#   TWINLINK_PARALLEL=threads  the standard library's threads and locks (Windows, which has no
#                              oneTBB in MinGW-w64, and ThreadSanitizer, which cannot follow it)
# Targets that use either header link twinlink_parallel.
set(TWINLINK_PARALLEL "" CACHE STRING "tbb or threads; empty: threads on Windows and under ThreadSanitizer, tbb elsewhere")
set(TWINLINK_PARALLEL_RUNTIME ${TWINLINK_PARALLEL})
if(NOT TWINLINK_PARALLEL_RUNTIME)
  if(WIN32 OR TWINLINK_SANITIZE STREQUAL "thread")
    set(TWINLINK_PARALLEL_RUNTIME threads)
  else()
    set(TWINLINK_PARALLEL_RUNTIME tbb)
  endif()
endif()
if(NOT TWINLINK_PARALLEL_RUNTIME MATCHES "^(tbb|threads)$")
  message(FATAL_ERROR "TWINLINK_PARALLEL is tbb or threads, not '${TWINLINK_PARALLEL_RUNTIME}'")
endif()
if(TWINLINK_PARALLEL_RUNTIME STREQUAL "tbb" AND WIN32)
  message(FATAL_ERROR "TWINLINK_PARALLEL=tbb: MinGW-w64 has no oneTBB; Windows builds use threads")
endif()
if(TWINLINK_PARALLEL_RUNTIME STREQUAL "tbb" AND TWINLINK_SANITIZE STREQUAL "thread")
  message(FATAL_ERROR "TWINLINK_PARALLEL=tbb: ThreadSanitizer builds use threads")
endif()
message(STATUS "Parallel runtime: ${TWINLINK_PARALLEL_RUNTIME}")

find_package(Threads REQUIRED)
add_library(twinlink_parallel INTERFACE)
target_include_directories(twinlink_parallel INTERFACE ${PROJECT_SOURCE_DIR}/platform/include)
if(TWINLINK_PARALLEL_RUNTIME STREQUAL "threads")
  # For every translation unit, not only the parallel runtime's users: the containers are types
  # in the plug-in's headers, and two meanings of one type in one program must not meet.
  add_compile_definitions(TWINLINK_PARALLEL_THREADS)
  target_link_libraries(twinlink_parallel INTERFACE Threads::Threads)
else()
  find_package(TBB REQUIRED)
  target_link_libraries(twinlink_parallel INTERFACE TBB::tbb)
endif()
