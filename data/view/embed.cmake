# Writes the searchable page's script and style as C++ string constants, so
# the program carries them and never reads them at run time.
# cmake -DJS=... -DCSS=... -DOUT=... -P embed.cmake
file(READ ${JS} js)
file(READ ${CSS} css)
foreach(part js css)
  string(TOLOWER "${${part}}" lower)
  foreach(bad "</script" "<!--" ")ordano_view\"")
    string(FIND "${lower}" "${bad}" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "data/view: the ${part} holds \"${bad}\", which would end its element")
    endif()
  endforeach()
endforeach()
set(text "// Generated from data/view by embed.cmake; edit those files instead.
#pragma once

#include <string_view>

namespace ordano {

inline constexpr std::string_view kViewJs = R\"ordano_view(${js})ordano_view\";
inline constexpr std::string_view kViewCss = R\"ordano_view(${css})ordano_view\";

}  // namespace ordano
")
file(WRITE ${OUT}.new "${text}")
file(COPY_FILE ${OUT}.new ${OUT} ONLY_IF_DIFFERENT)
file(REMOVE ${OUT}.new)
