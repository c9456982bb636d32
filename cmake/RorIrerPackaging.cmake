# How the RorIrer target becomes a loadable, installable library: the export
# glue, the linker's export list (a version script on ELF, a .def file on
# Windows), the version resource, and the install rules with the CMake
# package and pkg-config file.

# module/Version.h is what the resource compiler and hosts read; the project
# version names the shared library. Refuse to build when they drift apart.
file(STRINGS "${PROJECT_SOURCE_DIR}/module/Version.h" _rorirer_version_line
     REGEX "^#define RORIRER_VERSION_STRING ")
string(REGEX REPLACE "^.*\"(.*)\".*$" "\\1" _rorirer_header_version "${_rorirer_version_line}")
if(NOT _rorirer_header_version STREQUAL PROJECT_VERSION)
    message(FATAL_ERROR "module/Version.h says ${_rorirer_header_version}, "
                        "the project says ${PROJECT_VERSION}")
endif()

target_sources(RorIrer PRIVATE module/Module.cpp)

if(WIN32)
    # RORIRER.dll with exactly the names and ordinals of module/RorIrer.def;
    # the import library is libRORIRER.dll.a.
    add_library(rorirer_version_resource OBJECT module/RorIrer.rc)
    target_include_directories(rorirer_version_resource PRIVATE ${PROJECT_SOURCE_DIR})
    target_sources(RorIrer PRIVATE
        module/DllMain.cpp
        module/RorIrer.def
        $<TARGET_OBJECTS:rorirer_version_resource>)
    set_target_properties(RorIrer PROPERTIES
        OUTPUT_NAME RORIRER
        PREFIX ""
        IMPORT_PREFIX "lib"
        IMPORT_SUFFIX ".dll.a")
    if(MINGW)
        # No link time stamp, so the same sources give the same bytes.
        # A shared libgcc keeps one unwinder for the DLL and its host, so an
        # exception thrown in the DLL reaches the host's handler.
        add_link_options(-Wl,--no-insert-timestamp -shared-libgcc)
        target_link_options(RorIrer PRIVATE -Wl,--no-insert-timestamp -shared-libgcc)
        # Nor do the source and build directories reach the debug information.
        target_compile_options(RorIrer PRIVATE -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                               -ffile-prefix-map=${PROJECT_BINARY_DIR}=.)
        include(${CMAKE_CURRENT_LIST_DIR}/RorIrerMinGWRuntime.cmake)
    endif()
elseif(CMAKE_SYSTEM_NAME MATCHES "Linux|BSD")
    set(_rorirer_map "${PROJECT_SOURCE_DIR}/module/RorIrer.map")
    target_link_options(RorIrer PRIVATE "LINKER:--version-script=${_rorirer_map}")
    # Sanitizer runtimes come with the executable under clang, so a
    # sanitized shared library legitimately leaves their symbols undefined.
    if(NOT RORIRER_SANITIZE)
        target_link_options(RorIrer PRIVATE "LINKER:--no-undefined")
    endif()
    set_property(TARGET RorIrer APPEND PROPERTY LINK_DEPENDS "${_rorirer_map}")
endif()

if(RORIRER_IS_TOP_LEVEL)
    include(CMakePackageConfigHelpers)
    set(_rorirer_cmake_dir "${CMAKE_INSTALL_LIBDIR}/cmake/RorIrer")

    install(TARGETS RorIrer EXPORT RorIrerTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Development
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
    # The public headers, laid out as in the source tree so hosts write the
    # same #include lines. Headers are public by folder: whatever sits in an
    # internal/ folder is the library's own business and stays behind.
    foreach(_dir framework module wordstore)
        install(DIRECTORY ${_dir}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/RorIrer/${_dir}
                FILES_MATCHING PATTERN "*.h" PATTERN "internal" EXCLUDE)
    endforeach()

    install(EXPORT RorIrerTargets NAMESPACE RorIrer:: DESTINATION ${_rorirer_cmake_dir})
    configure_package_config_file(cmake/RorIrerConfig.cmake.in
        ${PROJECT_BINARY_DIR}/RorIrerConfig.cmake
        INSTALL_DESTINATION ${_rorirer_cmake_dir})
    write_basic_package_version_file(${PROJECT_BINARY_DIR}/RorIrerConfigVersion.cmake
        COMPATIBILITY SameMajorVersion)
    install(FILES ${PROJECT_BINARY_DIR}/RorIrerConfig.cmake
                  ${PROJECT_BINARY_DIR}/RorIrerConfigVersion.cmake
            DESTINATION ${_rorirer_cmake_dir})

    # The .pc file finds the prefix from its own place, so it stays right when
    # the tree is installed with `cmake --install --prefix` somewhere else.
    file(RELATIVE_PATH RORIRER_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
    set(RORIRER_PC_LIBNAME RorIrer)
    if(WIN32)
        set(RORIRER_PC_LIBNAME RORIRER)
    endif()
    configure_file(cmake/rorirer.pc.in ${PROJECT_BINARY_DIR}/rorirer.pc @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/rorirer.pc
            DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()

# A static library of ours above RorIrer (completion/, personal/): its
# include directory in the build tree and once installed, C++17, the name
# the package gives it (RorIrer::NAME, as the build tree's alias does), and
# code hosts may link into shared objects. At the top level it installs its
# archive and its public headers by folder, as the library does: internal/
# stays behind.
function(rorirer_add_static_layer target name)
    add_library(RorIrer::${name} ALIAS ${target})
    target_include_directories(${target} PUBLIC
        $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
        $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/RorIrer>)
    target_compile_features(${target} PUBLIC cxx_std_17)
    set_target_properties(${target} PROPERTIES
        EXPORT_NAME ${name}
        POSITION_INDEPENDENT_CODE ON)
    if(RORIRER_IS_TOP_LEVEL)
        install(TARGETS ${target} EXPORT RorIrerTargets
            ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
        file(RELATIVE_PATH _folder ${PROJECT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR})
        install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/
                DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/RorIrer/${_folder}
                FILES_MATCHING PATTERN "*.h" PATTERN "internal" EXCLUDE)
    endif()
endfunction()
