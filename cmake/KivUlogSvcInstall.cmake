# Installation (cmake --install <build> --prefix P, or make install PREFIX=P): the service library and
# the platform libraries it runs on, each with the interface version in its soname; the public headers;
# the headers of the exported classes with every header they include; the ulog tool with its manual
# page and bash completion; a pkg-config file (kivulogsvc.pc) and a CMake package (KivUlogSvc).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The headers of the exported classes, as paths under src/. Each is installed under
# include/KivUlogSvc/ with the same path, together with every header it includes (found by reading
# them; the public headers of include/ are installed beside, not under it), so that each compiles from
# the prefix alone. Exporting another class is one more line here.
set(ULOG_EXPORTED_CLASS_HEADERS
    UlogSvcLogMgr/CUlog.h
    UlogSvcLogMgr/CUlogCallLog.h
    UlogSvcLogMgr/CUlogMsgLog.h
    UlogSvcLogMgr/CUlogEmailLog.h
    UlogSvcLogMgr/CUlogImLog.h
    UlogSvcLogMgr/CUlogSnsLog.h
    UlogSvcLogMgr/CUlogValues.h
    UlogSvcDbMgr/CUlogSvcDataSet.h
    UlogSvcLogMgr/CUlogSvcGenerator.h
    UlogSvcLogMgr/IUlogSvcLogMgr.h
    UlogSvcLogMgr/IUlogSvcDistinctMgr.h
    UlogSvcLogMgr/CUlogSvcDistinctMgr.h
    UlogSvcLogMgr/CUlogSvcDistinctMgrObserver.h
    UlogSvcLogMgr/IUlogSvcDuplMgr.h
    UlogSvcLogMgr/CUlogSvcDuplMgr.h
    UlogSvcLogMgr/CUlogSvcFilter.h
    UlogSvcLogMgr/CUlogSvcFilterMgr.h
    UlogSvcAccountMgr/CUlogSvcAccountMgr.h
    UlogSvcSimMgr/CUlogSvcSimMgr.h
    UlogSvcChangeMgr/IUlogObserver.h
    UlogSvcChangeMgr/CUlogSvcSubject.h
    UlogSvcChangeMgr/CUlogSvcNotify.h
    H/UlogSvcList.h
    H/UlogSvcVectorIterator.h
    H/UlogSvcPtr.h
    UlogSvcUtil/CUlogSvcUtil.h
    UlogSvcUtil/CUlogSvcParse.h
    UlogSvcUtil/CUlogSvcLock.h
    UlogSvcUtil/CUlogSvcMutex.h
    UlogSvcUtil/CUlogSvcTimer.h
    UlogSvcUtil/CUlogSvcVcard.h
    UlogSvcXmlMgr/CUlogSvcXmlMgr.h
    UlogSvcLogMgr/CUlogSvcFreqMgr.h)

# The libraries an application's process loads: the platform's and the service's.
set(ULOG_PLATFORM_LIBRARIES KivCore KivGWESCore KivAppSvcFramework KivCtSvc KivCommTAPI KivAppFrmwk)
set(ULOG_INSTALLED_LIBRARIES ${ULOG_PLATFORM_LIBRARIES} KivPlatformControl KivUlogSvc)

# Every header the given ones include, transitively, as pairs "source path|installed path" in out.
# Quoted includes are looked up under src/ (the service) and src/platform/ (the platform's headers);
# the public headers of include/ are left out.
function(kiv_header_closure out)
    set(todo ${ARGN})
    set(seen)
    set(pairs)
    while(todo)
        list(POP_FRONT todo rel)
        if(rel IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${rel})
        if(EXISTS ${CMAKE_SOURCE_DIR}/include/${rel})
            continue()
        elseif(EXISTS ${CMAKE_SOURCE_DIR}/src/${rel})
            set(file ${CMAKE_SOURCE_DIR}/src/${rel})
        elseif(EXISTS ${CMAKE_SOURCE_DIR}/src/platform/${rel})
            set(file ${CMAKE_SOURCE_DIR}/src/platform/${rel})
        else()
            message(FATAL_ERROR "installed header ${rel} not found under src/ or src/platform/")
        endif()
        list(APPEND pairs "${file}|${rel}")
        # A changed include list changes what is installed.
        set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${file})
        file(STRINGS ${file} lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(line IN LISTS lines)
            string(REGEX REPLACE "^[ \t]*#[ \t]*include[ \t]*\"([^\"]+)\".*" "\\1" inc "${line}")
            list(APPEND todo ${inc})
        endforeach()
    endwhile()
    set(${out} ${pairs} PARENT_SCOPE)
endfunction()

# Linked with their installed RUNPATH: the build tree has the prefix's layout (see CMakeLists.txt).
set_target_properties(${ULOG_INSTALLED_LIBRARIES} PROPERTIES VERSION ${PROJECT_VERSION}
                      SOVERSION ${ULOG_INTERFACE_VERSION} INSTALL_RPATH "$ORIGIN" BUILD_WITH_INSTALL_RPATH ON)
# The tool needs none of the libraries (it carries the service in itself) and has no RUNPATH.

install(TARGETS ${ULOG_INSTALLED_LIBRARIES} LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(TARGETS ulog RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY ${CMAKE_SOURCE_DIR}/include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} FILES_MATCHING PATTERN "*.h")
kiv_header_closure(ulog_header_pairs ${ULOG_EXPORTED_CLASS_HEADERS})
foreach(pair IN LISTS ulog_header_pairs)
    string(REPLACE "|" ";" pair "${pair}")
    list(GET pair 0 file)
    list(GET pair 1 rel)
    get_filename_component(rel_dir ${rel} DIRECTORY)
    install(FILES ${file} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/KivUlogSvc/${rel_dir})
endforeach()
install(FILES ${CMAKE_SOURCE_DIR}/tools/ulog/ulog.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/tools/ulog/ulog.bash-completion
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME ulog)

# pkg-config and CMake package files find the prefix relative to where they are installed.
set(ULOG_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
set(ULOG_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/KivUlogSvc)
file(RELATIVE_PATH ULOG_PC_TO_PREFIX /P/${ULOG_PC_DIR} /P)
file(RELATIVE_PATH ULOG_CMAKE_TO_PREFIX /P/${ULOG_CMAKE_DIR} /P)
string(REGEX REPLACE "/$" "" ULOG_PC_TO_PREFIX ${ULOG_PC_TO_PREFIX})
list(TRANSFORM ULOG_PLATFORM_LIBRARIES PREPEND "-l" OUTPUT_VARIABLE ULOG_PC_PRIVATE_LIBS)
list(JOIN ULOG_PC_PRIVATE_LIBS " " ULOG_PC_PRIVATE_LIBS)
configure_file(${CMAKE_SOURCE_DIR}/cmake/kivulogsvc.pc.in ${CMAKE_BINARY_DIR}/kivulogsvc.pc @ONLY)
configure_file(${CMAKE_SOURCE_DIR}/cmake/KivUlogSvcConfig.cmake.in ${CMAKE_BINARY_DIR}/KivUlogSvcConfig.cmake @ONLY)
write_basic_package_version_file(${CMAKE_BINARY_DIR}/KivUlogSvcConfigVersion.cmake VERSION ${PROJECT_VERSION}
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/kivulogsvc.pc DESTINATION ${ULOG_PC_DIR})
install(FILES ${CMAKE_BINARY_DIR}/KivUlogSvcConfig.cmake ${CMAKE_BINARY_DIR}/KivUlogSvcConfigVersion.cmake
        DESTINATION ${ULOG_CMAKE_DIR})
