# Sources named *_sse2.cpp, *_avx2.cpp and *_avx512.cpp hold one ISA's variants: they are
# compiled with that ISA's flags when the target is x86 (64- or 32-bit) and left out elsewhere
# (ARM ...), where every operation runs its plain loop. Nothing else is built with ISA flags, so
# the library runs on every x86 CPU and picks variants at run time. The target is asked the
# very question foundation/simd.h asks, so the two never disagree (a -m32 build on an x86-64
# host, a cross toolchain). On 32-bit x86 the ISA files first include the 64-bit integer
# intrinsics that only x86-64 compilers offer.
include(CheckCXXSourceCompiles)
check_cxx_source_compiles("
#if !(defined(__x86_64__) || defined(_M_X64) || defined(__i386__) || defined(_M_IX86))
#error not x86
#endif
int main() { return 0; }" VNIMG_X86)
check_cxx_source_compiles("
#if !(defined(__i386__) || defined(_M_IX86))
#error not 32-bit x86
#endif
int main() { return 0; }" VNIMG_X86_32)

function(vnimg_sources)
  foreach(source IN LISTS ARGN)
    if(source MATCHES "_(sse2|avx2|avx512)\\.cpp$")
      if(NOT VNIMG_X86)
        continue()
      endif()
      set(isa ${CMAKE_MATCH_1})
      if(isa STREQUAL "sse2")
        set(flags -msse2)
      elseif(isa STREQUAL "avx2")
        set(flags -mavx2 -mfma -mbmi -mbmi2 -mpopcnt)
      else()
        set(flags -mavx512f -mavx512bw -mavx512vl -mavx512vbmi -mavx2 -mfma -mbmi -mbmi2 -mpopcnt)
      endif()
      # Kernels and their loops start on cache lines, so that their speed does not move with
      # whatever is linked before them (an unrelated change once made the SSE2 15x15 box 27 %
      # slower, aligned functions alone did not help).
      list(APPEND flags -falign-functions=64 -falign-loops=64)
      if(VNIMG_X86_32)
        list(APPEND flags -include ${PROJECT_SOURCE_DIR}/foundation/x86_32_intrinsics.h)
      endif()
      set_source_files_properties(${source} TARGET_DIRECTORY vnimg PROPERTIES COMPILE_OPTIONS "${flags}")
    endif()
    target_sources(vnimg PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/${source})
  endforeach()
endfunction()

function(vnimg_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra)
  if(VNIMG_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
