# add_efi_program(TARGET OUTPUT_FILE [ARCH x86_64|aarch64] SOURCES... [INCLUDES dir...] [DEPENDS file...])
# Builds a UEFI application with Debian's gnu-efi: the sources are compiled
# as position-independent ELF code, linked with the start-up code and linker
# script of the processor, and turned into a PE32+ file by objcopy: without
# a symbol table (data behind the last section would stand outside what a
# signature covers), with an .sbat section when a source puts one there
# (shim asks every second stage for it), and marked NX-compatible (no
# section is both writable and executable), as shim and current firmware
# expect of what they start.
#
# x86-64 uses gnu-efi's own start-up object and linker script. ARM64 uses
# ours (loader/efi/aa64/): gnu-efi 3.0.15's make a hand-written PE header
# that has no room for .sbat, and firmware refuses what they make; its
# headers and libraries come from Debian's arm64 gnu-efi package, which
# scripts/setup.sh unpacks into the build folder (GNU_EFI_AA64_ROOT).
set(GNU_EFI_INCLUDE /usr/include/efi)
set(GNU_EFI_LIB /usr/lib)
if(EXISTS ${GNU_EFI_INCLUDE}/efi.h AND EXISTS ${GNU_EFI_LIB}/crt0-efi-x86_64.o)
  set(GNU_EFI_FOUND TRUE)
else()
  set(GNU_EFI_FOUND FALSE)
endif()
find_program(OBJCOPY_EXECUTABLE objcopy REQUIRED)
find_program(LD_EXECUTABLE ld REQUIRED)

set(GNU_EFI_AA64_ROOT ${PROJECT_BINARY_DIR}/gnu-efi-arm64/usr CACHE PATH "Debian's arm64 gnu-efi, unpacked")
find_program(AA64_CC aarch64-linux-gnu-gcc)
find_program(AA64_LD aarch64-linux-gnu-ld)
find_program(AA64_OBJCOPY aarch64-linux-gnu-objcopy)
if(AA64_CC AND AA64_LD AND AA64_OBJCOPY AND EXISTS ${GNU_EFI_AA64_ROOT}/include/efi/aarch64/efibind.h
   AND EXISTS ${GNU_EFI_AA64_ROOT}/lib/libgnuefi.a)
  set(GNU_EFI_AA64_FOUND TRUE)
else()
  set(GNU_EFI_AA64_FOUND FALSE)
endif()
set(EFI_AA64_DIR ${PROJECT_SOURCE_DIR}/loader/efi/aa64)

function(add_efi_program target output)
  cmake_parse_arguments(EFI "" "ARCH" "SOURCES;INCLUDES;DEPENDS" ${ARGN})
  if(EFI_ARCH STREQUAL "aarch64")
    set(cc ${AA64_CC})
    set(ld ${AA64_LD})
    set(objcopy ${AA64_OBJCOPY})
    set(arch_flags -I${GNU_EFI_AA64_ROOT}/include/efi -I${GNU_EFI_AA64_ROOT}/include/efi/aarch64)
    set(start ${CMAKE_CURRENT_BINARY_DIR}/${target}_start.o)
    add_custom_command(OUTPUT ${start}
      COMMAND ${cc} -c -o ${start} ${EFI_AA64_DIR}/start.S
      DEPENDS ${EFI_AA64_DIR}/start.S COMMENT "Assembling the ARM64 start-up code of ${target}")
    set(lib_dir ${GNU_EFI_AA64_ROOT}/lib)
    set(script ${EFI_AA64_DIR}/efi_app.lds)
    set(pe_target pei-aarch64-little)
    set(sections -j .text -j .reloc -j .data -j .dynamic -j .dynsym -j .rela -j .sbat)
  else()
    set(cc ${CMAKE_C_COMPILER})
    set(ld ${LD_EXECUTABLE})
    set(objcopy ${OBJCOPY_EXECUTABLE})
    set(arch_flags -mno-red-zone -maccumulate-outgoing-args -DGNU_EFI_USE_MS_ABI -DEFI_FUNCTION_WRAPPER
                   -I${GNU_EFI_INCLUDE} -I${GNU_EFI_INCLUDE}/x86_64)
    set(start ${GNU_EFI_LIB}/crt0-efi-x86_64.o)
    set(lib_dir ${GNU_EFI_LIB})
    set(script ${GNU_EFI_LIB}/elf_x86_64_efi.lds)
    set(pe_target efi-app-x86_64)
    set(sections -j .text -j .sdata -j .data -j .dynamic -j .dynsym -j .rel -j .rela -j .reloc -j .sbat)
  endif()
  set(objects)
  foreach(source IN LISTS EFI_SOURCES)
    get_filename_component(stem ${source} NAME_WE)
    set(object ${CMAKE_CURRENT_BINARY_DIR}/${target}_${stem}.o)
    set(include_flags)
    foreach(dir IN LISTS EFI_INCLUDES)
      list(APPEND include_flags -I${dir})
    endforeach()
    add_custom_command(
      OUTPUT ${object}
      COMMAND ${cc} -c -std=c11 -O2 ${MENVOLT_EFI_WARNINGS} -fpic -fshort-wchar
              -ffreestanding -fno-stack-protector -fno-strict-aliasing ${arch_flags} ${include_flags}
              -o ${object} ${source}
      DEPENDS ${source} ${EFI_DEPENDS}
      IMPLICIT_DEPENDS C ${source}
      COMMENT "Compiling ${stem}.c for UEFI (${target})")
    list(APPEND objects ${object})
  endforeach()
  set(shared ${CMAKE_CURRENT_BINARY_DIR}/${target}.so)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${ld} -nostdlib -znocombreloc -T ${script} -shared -Bsymbolic --no-warn-rwx-segments
            -L${lib_dir} ${start} ${objects} -lefi -lgnuefi -o ${shared}
    COMMAND ${objcopy} ${sections} --strip-all --target=${pe_target} --subsystem=10 ${shared} ${output}
    COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/pe_nx_compat.sh ${output}
    DEPENDS ${objects} ${start} ${script} ${PROJECT_SOURCE_DIR}/cmake/pe_nx_compat.sh
    COMMENT "Linking ${target} as a UEFI application")
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
