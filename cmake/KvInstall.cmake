# Installation: the analyzer, its two support libraries, the host interface headers and kvc,
# with a CMake package (find_package(KvSemanticAnalyzer 3 CONFIG)) and a pkg-config file.
#
#   <prefix>/bin/kvc                                  RUNPATH $ORIGIN/../<libdir>
#   <prefix>/<libdir>/libKvSemanticAnalyzer.so.3      SONAME, only createObject exported
#   <prefix>/<libdir>/libarbor.so.3, libutilo.so.3
#   <prefix>/include/KvSemanticAnalyzer/...           IData.h, ISemanticAnalyzer.h, arbor/, utilo/
#   <prefix>/<libdir>/cmake/KvSemanticAnalyzer/       the package
#   <prefix>/<libdir>/pkgconfig/kvsemanticanalyzer.pc
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(KV_INSTALL_INCLUDEDIR ${CMAKE_INSTALL_INCLUDEDIR}/KvSemanticAnalyzer)
set(KV_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/KvSemanticAnalyzer)

# The installed files find each other relative to where they are, so a prefix can be moved.
file(RELATIVE_PATH kv_bin_to_lib ${CMAKE_INSTALL_FULL_BINDIR} ${CMAKE_INSTALL_FULL_LIBDIR})
set_target_properties(kvc PROPERTIES INSTALL_RPATH "$ORIGIN/${kv_bin_to_lib}")
set_target_properties(KvSemanticAnalyzer PROPERTIES INSTALL_RPATH "$ORIGIN")
# They are built with those RUNPATHs too. A build-tree RUNPATH that the install rewrites in
# place is padded with an empty entry, which the loader takes for the working directory: kvc
# run from the build tree would load a libgcc_s.so.1 lying where it was started. In the build
# tree the libraries sit beside kvc, so kvc finds them through links laid out as the
# installed libdir.
set_target_properties(kvc KvSemanticAnalyzer PROPERTIES BUILD_WITH_INSTALL_RPATH ON)
if(NOT WIN32)
    set(kv_build_libdir ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/${kv_bin_to_lib})
    file(RELATIVE_PATH kv_libdir_to_libraries ${kv_build_libdir} ${CMAKE_LIBRARY_OUTPUT_DIRECTORY})
    set(kv_link_commands COMMAND ${CMAKE_COMMAND} -E make_directory ${kv_build_libdir})
    foreach(library KvSemanticAnalyzer arbor utilo)
        set(soname $<TARGET_SONAME_FILE_NAME:${library}>)
        list(APPEND kv_link_commands COMMAND ${CMAKE_COMMAND} -E create_symlink
             ${kv_libdir_to_libraries}/${soname} ${kv_build_libdir}/${soname})
    endforeach()
    add_custom_target(kvc_build_libdir ${kv_link_commands} VERBATIM)
    add_dependencies(kvc kvc_build_libdir)
endif()

install(TARGETS KvSemanticAnalyzer arbor utilo
    EXPORT KvSemanticAnalyzerTargets
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} NAMELINK_COMPONENT Development
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    INCLUDES DESTINATION ${KV_INSTALL_INCLUDEDIR})
install(TARGETS kvc RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The headers a host compiles against: the interface, and the syntax and utility libraries'
# public parts; their internals stay out.
install(FILES
    ${PROJECT_SOURCE_DIR}/include/ICFunction.h
    ${PROJECT_SOURCE_DIR}/include/IData.h
    ${PROJECT_SOURCE_DIR}/include/ILanguageDebug.h
    ${PROJECT_SOURCE_DIR}/include/ISemanticAnalyzer.h
    ${PROJECT_SOURCE_DIR}/include/KvConst.h
    DESTINATION ${KV_INSTALL_INCLUDEDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/RapidJsonHelper
    DESTINATION ${KV_INSTALL_INCLUDEDIR})
install(FILES
    ${PROJECT_SOURCE_DIR}/arbor/Arbor.h
    ${PROJECT_SOURCE_DIR}/arbor/BasicData.h
    ${PROJECT_SOURCE_DIR}/arbor/ISyntaxTreeNode.h
    ${PROJECT_SOURCE_DIR}/arbor/IToken.h
    ${PROJECT_SOURCE_DIR}/arbor/OperatorData.h
    ${PROJECT_SOURCE_DIR}/arbor/RecipeParser.h
    ${PROJECT_SOURCE_DIR}/arbor/SyntaxTreeVisitor.h
    ${PROJECT_SOURCE_DIR}/arbor/TextEncoding.h
    DESTINATION ${KV_INSTALL_INCLUDEDIR}/arbor)
install(FILES
    ${PROJECT_SOURCE_DIR}/utilo/CodeConvert.h
    ${PROJECT_SOURCE_DIR}/utilo/CommonMethod.h
    ${PROJECT_SOURCE_DIR}/utilo/GbkCodec.h
    ${PROJECT_SOURCE_DIR}/utilo/JsonBase.h
    ${PROJECT_SOURCE_DIR}/utilo/JsonFields.h
    ${PROJECT_SOURCE_DIR}/utilo/NumberText.h
    ${PROJECT_SOURCE_DIR}/utilo/TypeConvert.h
    DESTINATION ${KV_INSTALL_INCLUDEDIR}/utilo)

install(EXPORT KvSemanticAnalyzerTargets
    NAMESPACE KvSemanticAnalyzer::
    DESTINATION ${KV_INSTALL_CMAKEDIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/KvSemanticAnalyzerConfig.cmake.in
    ${PROJECT_BINARY_DIR}/KvSemanticAnalyzerConfig.cmake
    INSTALL_DESTINATION ${KV_INSTALL_CMAKEDIR})
# The SONAME changes with the major version only, and so does what the package promises.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/KvSemanticAnalyzerConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES
    ${PROJECT_BINARY_DIR}/KvSemanticAnalyzerConfig.cmake
    ${PROJECT_BINARY_DIR}/KvSemanticAnalyzerConfigVersion.cmake
    DESTINATION ${KV_INSTALL_CMAKEDIR})

# pkg-config: the prefix is found from the .pc file's own place, so a moved prefix still works.
file(RELATIVE_PATH kv_pc_to_prefix ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" kv_pc_to_prefix "${kv_pc_to_prefix}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/kvsemanticanalyzer.pc.in
    ${PROJECT_BINARY_DIR}/kvsemanticanalyzer.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/kvsemanticanalyzer.pc
    DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
