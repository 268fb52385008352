# Every target of the project compiles with warnings as errors.
add_compile_options(-Wall -Wextra -Wpedantic -Werror -Wshadow -Wconversion -Wno-sign-conversion)
# A handle or pointer squeezed into a narrower integer, or widened from one,
# is an error under MinGW (C++ refuses a pointer cast to a smaller integer by
# itself; the C option is the C compiler's).
if(WIN32)
  add_compile_options(-Werror=int-to-pointer-cast
                      $<$<COMPILE_LANGUAGE:C>:-Werror=pointer-to-int-cast>)
endif()
