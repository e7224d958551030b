# Link-level settings of tamrix-stub.exe (included by app/CMakeLists.txt for WIN32): its resources,
# its imports, the loader hardening and its size.

# --- Resources: string table, dialogs, icons, manifest and version information.
enable_language(RC)
set(stub_resource_dir ${PROJECT_SOURCE_DIR}/resources)
target_sources(tamrix-stub PRIVATE ${stub_resource_dir}/tamrix.rc)
# windres reads the icons, the manifest, the string texts and the ids itself; rebuild when they
# change.
set_source_files_properties(${stub_resource_dir}/tamrix.rc PROPERTIES OBJECT_DEPENDS
  "${stub_resource_dir}/program.ico;${stub_resource_dir}/replace.ico;${stub_resource_dir}/tamrix.manifest;${stub_resource_dir}/string_table.inc;${stub_resource_dir}/resource.h")

# --- Imports: the common controls' initialisation entry by ordinal 17, from an import library
# made from a .def file. It comes before the system's comctl32 import library, which serves any
# other entry by name.
if(NOT CMAKE_DLLTOOL)
  find_program(CMAKE_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool dlltool REQUIRED)
endif()
set(comctl32_ordinal_def ${PROJECT_SOURCE_DIR}/cmake/comctl32_ordinal.def)
set(comctl32_ordinal_lib ${CMAKE_BINARY_DIR}/libcomctl32_ordinal.a)
add_custom_command(OUTPUT ${comctl32_ordinal_lib}
  COMMAND ${CMAKE_DLLTOOL} --input-def ${comctl32_ordinal_def} --output-lib ${comctl32_ordinal_lib}
  DEPENDS ${comctl32_ordinal_def}
  COMMENT "Import library for comctl32 by ordinal")
add_custom_target(comctl32_ordinal DEPENDS ${comctl32_ordinal_lib})
add_dependencies(tamrix_platform comctl32_ordinal)
target_link_libraries(tamrix_platform PUBLIC ${comctl32_ordinal_lib} comctl32)
set_property(TARGET tamrix-stub APPEND PROPERTY LINK_DEPENDS ${comctl32_ordinal_lib})

# --- Sources that only the executable carries (app/stub/): the process entry in place of the C
# runtime's start-up code, the load-config record, the C++ runtime entry points that keep
# libstdc++'s exception machinery out, and the formatter that keeps the runtime library's C99
# printf out. Without the start-up code nothing processes runtime relocations, so data is never
# imported implicitly (a link error instead).
target_sources(tamrix-stub PRIVATE ${PROJECT_SOURCE_DIR}/app/stub/entry.cpp
  ${PROJECT_SOURCE_DIR}/app/stub/load_config.cpp ${PROJECT_SOURCE_DIR}/app/stub/runtime.cpp
  ${PROJECT_SOURCE_DIR}/app/stub/formatting.cpp)
target_link_options(tamrix-stub PRIVATE
  -nostartfiles -Wl,--entry=_stubEntry@4 -Wl,--disable-auto-import)
# They stand in for the runtime's own functions, which the compiler may call behind the code's back
# (memory, formatting, strnlen): compiled outside link-time optimisation, so the linker resolves
# those calls to them like to any library function.
set_source_files_properties(${PROJECT_SOURCE_DIR}/app/stub/runtime.cpp
  ${PROJECT_SOURCE_DIR}/app/stub/formatting.cpp PROPERTIES COMPILE_OPTIONS -fno-lto)

# --- Loader hardening. The load-config record sets DependentLoadFlags to the system folder;
# nothing references it by name, so the link must keep it. This ld does not point the load-config
# directory at it, so scripts/set_load_config.py does that after the link, from the link map
# (which the stub checks also read). ASLR and DEP are switched on explicitly.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
set(stub_map ${CMAKE_CURRENT_BINARY_DIR}/tamrix-stub.map)
target_link_options(tamrix-stub PRIVATE
  -Wl,--require-defined=__load_config_used -Wl,-Map=${stub_map}
  -Wl,--dynamicbase -Wl,--nxcompat -Wl,--tsaware)
add_custom_command(TARGET tamrix-stub POST_BUILD
  COMMAND Python3::Interpreter ${PROJECT_SOURCE_DIR}/scripts/set_load_config.py
          $<TARGET_FILE:tamrix-stub> ${stub_map}
  BYPRODUCTS ${stub_map}
  COMMENT "Load-config directory of tamrix-stub.exe")

# --- Size: link-time optimisation across all libraries (CMakeLists.txt); every function in a section
# of its own, unreferenced ones dropped at link time; no unwind tables (nothing is thrown) and no
# compiler version strings; the stack kept at the system's 4-byte alignment, which spares the
# realignment code (the stub uses no SSE); stripped; no time stamp, so the same sources give the
# same stub. No -fdata-sections: this compiler then puts zero-initialised objects into .data$
# sections, which turns the stub's uninitialised buffers into file bytes. The runtime's 64-bit
# division and strnlen are kept out (they bring code and unwind tables of their own).
target_compile_options(tamrix_options INTERFACE
  -ffunction-sections -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-ident
  -mpreferred-stack-boundary=2)
target_link_options(tamrix-stub PRIVATE -Wl,--gc-sections -s -Wl,--no-insert-timestamp)
