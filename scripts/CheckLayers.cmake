# Fails when a file under src/ includes a header of a higher layer, or when
# popover/ and dashboard/ include each other.
#
#   cmake -DSOURCE_DIR=<repo>/src -P scripts/CheckLayers.cmake
#
# Layers, lowest first; an include may go down or stay in its own folder.
# popover and dashboard share a rank and may not see each other.
set(ranks
  core 0
  platform 1
  telemetry 2
  localai 3
  services 4
  theme 5
  widgets 6
  popover 7
  dashboard 7
  app 8)

if(NOT SOURCE_DIR)
  message(FATAL_ERROR "CheckLayers: pass -DSOURCE_DIR=<path to src>")
endif()

function(rank_of folder out)
  list(FIND ranks ${folder} at)
  if(at EQUAL -1)
    set(${out} -1 PARENT_SCOPE)
  else()
    math(EXPR next "${at} + 1")
    list(GET ranks ${next} value)
    set(${out} ${value} PARENT_SCOPE)
  endif()
endfunction()

file(GLOB_RECURSE files RELATIVE ${SOURCE_DIR} ${SOURCE_DIR}/*.h ${SOURCE_DIR}/*.cpp)
list(SORT files)
set(violations 0)
foreach(file IN LISTS files)
  string(REGEX MATCH "^[^/]+" from ${file})
  rank_of(${from} fromRank)
  if(fromRank EQUAL -1)
    continue() # a file beside the layers (a CMakeLists, say)
  endif()
  file(STRINGS ${SOURCE_DIR}/${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]*)\".*$" "\\1" header "${line}")
    set(why "")
    if(header MATCHES "\\.\\.")
      set(why "climbs out of its folder")
    elseif(header MATCHES "^([^/]+)/")
      set(to ${CMAKE_MATCH_1})
      rank_of(${to} toRank)
      if(toRank EQUAL -1)
        # A generated file (ui_*.h, *.moc) or a header of our own subfolder.
        continue()
      elseif(toRank GREATER fromRank)
        set(why "goes up from ${from}/ to ${to}/")
      elseif(toRank EQUAL fromRank AND NOT to STREQUAL from)
        set(why "joins ${from}/ and ${to}/, which never include each other")
      endif()
    endif()
    if(why)
      message("src/${file}: #include \"${header}\" ${why}")
      math(EXPR violations "${violations} + 1")
    endif()
  endforeach()
endforeach()

if(violations GREATER 0)
  message(FATAL_ERROR "${violations} include(s) break the layer order (see ARCHITECTURE.md, Layout)")
endif()
list(LENGTH files count)
message(STATUS "Layers: ${count} files include only downwards")
