# Shared compile settings for every Tavolin target.
function(tavolin_target_defaults target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    target_compile_options(${target} PRIVATE -Wthread-safety) # the lock annotations of common/Mutex.h
  endif()
  if(TAVOLIN_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
  target_compile_definitions(${target} PRIVATE
    QT_NO_KEYWORDS               # signals/slots macros clash with other headers
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT)
endfunction()

if(TAVOLIN_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer -g1)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TAVOLIN_FUZZ)
  # Coverage for libFuzzer in every library; the fuzz targets themselves link -fsanitize=fuzzer.
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer -g1)
  add_link_options(-fsanitize=address,undefined)
endif()
