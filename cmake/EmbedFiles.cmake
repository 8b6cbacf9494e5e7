# Writes OUTPUT, a C++ source that holds text files (UTF-8) as byte arrays for the
# HTTP page:
#   cmake -DOUTPUT=out.cpp -DENTRIES="URLPATH|TYPE|FILE;..." -P EmbedFiles.cmake
cmake_minimum_required(VERSION 3.25)
set(arrays "")
set(table "")
set(n 0)
foreach(entry ${ENTRIES})
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 url)
  list(GET parts 1 type)
  list(GET parts 2 path)
  file(READ "${path}" hex HEX)
  string(LENGTH "${hex}" digits)
  math(EXPR size "${digits} / 2")
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
  string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
  string(APPEND arrays "const unsigned char asset${n}[] = {\n${bytes}0};\n")
  string(APPEND table "    {\"${url}\", \"${type}; charset=utf-8\", {reinterpret_cast<const char*>(asset${n}), ${size}}},\n")
  math(EXPR n "${n} + 1")
endforeach()
file(WRITE "${OUTPUT}.new" "// Made by cmake/EmbedFiles.cmake; do not edit.
#include \"http/PageAssets.h\"

namespace ravo {
namespace {

${arrays}
const PageAsset assets[] = {
${table}};

}  // namespace

std::span<const PageAsset> pageAssets() { return assets; }

}  // namespace ravo
")
execute_process(COMMAND ${CMAKE_COMMAND} -E copy_if_different "${OUTPUT}.new" "${OUTPUT}")
file(REMOVE "${OUTPUT}.new")
