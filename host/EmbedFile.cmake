# Writes a C++ source holding the bytes of a file:
#   cmake -DINPUT=file -DOUTPUT=out.cpp -DNAME=Symbol -DNAMESPACE=ns -P EmbedFile.cmake
# The array ends with one extra zero byte, so even an empty file gives valid C++.
file(READ "${INPUT}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
set(bytes "")
set(offset 0)
while(offset LESS digits)
  string(SUBSTRING "${hex}" ${offset} 32 chunk)
  string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," chunk "${chunk}")
  string(APPEND bytes "    ${chunk}\n")
  math(EXPR offset "${offset} + 32")
endwhile()
get_filename_component(source "${INPUT}" NAME)
set(text "// Generated from ${source} at build time; do not edit.
#include <cstddef>

namespace ${NAMESPACE} {

extern const unsigned char ${NAME}[];
extern const std::size_t ${NAME}Size;

const unsigned char ${NAME}[] = {
${bytes}    0x00};
const std::size_t ${NAME}Size = ${size};

}  // namespace ${NAMESPACE}
")
# Rewrite only on a change, so the object is not rebuilt for nothing.
if(EXISTS "${OUTPUT}")
  file(READ "${OUTPUT}" old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE "${OUTPUT}" "${text}")
