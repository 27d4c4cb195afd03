# add_efi_program(TARGET OUTPUT_FILE SOURCES... [INCLUDES dir...] [DEPENDS file...])
# Builds an x86-64 UEFI application with Debian's gnu-efi: the sources are
# compiled as position-independent ELF code, linked with gnu-efi's start-up
# object and linker script, and turned into a PE32+ file by objcopy: without
# a symbol table (data behind the last section would stand outside what a
# signature covers), with an .sbat section when a source puts one there
# (shim asks every second stage for it), and marked NX-compatible (no
# section is both writable and executable), as shim and current firmware
# expect of what they start.
set(GNU_EFI_INCLUDE /usr/include/efi)
set(GNU_EFI_LIB /usr/lib)
if(EXISTS ${GNU_EFI_INCLUDE}/efi.h AND EXISTS ${GNU_EFI_LIB}/crt0-efi-x86_64.o)
  set(GNU_EFI_FOUND TRUE)
else()
  set(GNU_EFI_FOUND FALSE)
endif()
find_program(OBJCOPY_EXECUTABLE objcopy REQUIRED)
find_program(LD_EXECUTABLE ld REQUIRED)

function(add_efi_program target output)
  cmake_parse_arguments(EFI "" "" "SOURCES;INCLUDES;DEPENDS" ${ARGN})
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
      COMMAND ${CMAKE_C_COMPILER} -c -std=c11 -O2 ${MENVOLT_EFI_WARNINGS} -fpic -fshort-wchar
              -ffreestanding -fno-stack-protector -fno-strict-aliasing -mno-red-zone
              -maccumulate-outgoing-args -DGNU_EFI_USE_MS_ABI -DEFI_FUNCTION_WRAPPER
              -I${GNU_EFI_INCLUDE} -I${GNU_EFI_INCLUDE}/x86_64 ${include_flags}
              -o ${object} ${source}
      DEPENDS ${source} ${EFI_DEPENDS}
      IMPLICIT_DEPENDS C ${source}
      COMMENT "Compiling ${stem}.c for UEFI")
    list(APPEND objects ${object})
  endforeach()
  set(shared ${CMAKE_CURRENT_BINARY_DIR}/${target}.so)
  add_custom_command(
    OUTPUT ${output}
    COMMAND ${LD_EXECUTABLE} -nostdlib -znocombreloc -T ${GNU_EFI_LIB}/elf_x86_64_efi.lds -shared
            -Bsymbolic -L${GNU_EFI_LIB} ${GNU_EFI_LIB}/crt0-efi-x86_64.o ${objects}
            -lefi -lgnuefi -o ${shared}
    COMMAND ${OBJCOPY_EXECUTABLE} -j .text -j .sdata -j .data -j .dynamic -j .dynsym -j .rel
            -j .rela -j .reloc -j .sbat --strip-all --target=efi-app-x86_64 --subsystem=10 ${shared} ${output}
    COMMAND sh ${PROJECT_SOURCE_DIR}/cmake/pe_nx_compat.sh ${output}
    DEPENDS ${objects} ${PROJECT_SOURCE_DIR}/cmake/pe_nx_compat.sh
    COMMENT "Linking ${target} as a UEFI application")
  add_custom_target(${target} ALL DEPENDS ${output})
endfunction()
