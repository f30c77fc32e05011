# What a desktop system needs beside the programs: manual pages, shell completion,
# software-centre data and the licence. The manual pages and the completion are made
# from docs/velmo.md and docs/velmo-tool.md, the one place that documents the command
# lines (the velmo_tool_doc test holds docs/velmo-tool.md against `velmo-tool help`).

# The date of the release PROJECT_VERSION names: shown by the manual pages and the
# software centre's release list.
set(VELMO_RELEASE_DATE 2026-12-10)
# The software centres' name of the application (reverse domain name of the maker;
# never to change once released, since installations and reviews are kept under it).
set(VELMO_APP_ID jp.quillon.velmo)
# Where the project publishes its pages (see cmake/make-metainfo.cmake).
set(VELMO_WEB_URL "" CACHE STRING "The project's web address (https://…) for the software-centre data")

find_program(VELMO_LOWDOWN lowdown REQUIRED)

set(VELMO_MAN_DIR ${CMAKE_BINARY_DIR}/man)
foreach(_page velmo velmo-tool)
    string(TOUPPER ${_page} _title)
    add_custom_command(
        OUTPUT ${VELMO_MAN_DIR}/${_page}.1
        COMMAND ${CMAKE_COMMAND} -E make_directory ${VELMO_MAN_DIR}
        COMMAND ${VELMO_LOWDOWN} -s -Tman --out-no-smarty -M title=${_title} -M section=1
                -M "source=Velmo ${PROJECT_VERSION}" -M "date=${VELMO_RELEASE_DATE}"
                -o ${VELMO_MAN_DIR}/${_page}.1 ${CMAKE_SOURCE_DIR}/docs/${_page}.md
        DEPENDS ${CMAKE_SOURCE_DIR}/docs/${_page}.md
        COMMENT "Writing the manual page ${_page}(1) from docs/${_page}.md"
        VERBATIM)
    list(APPEND _man_pages ${VELMO_MAN_DIR}/${_page}.1)
endforeach()
add_custom_target(manpages ALL DEPENDS ${_man_pages})
install(FILES ${_man_pages} DESTINATION share/man/man1)

set(VELMO_COMPLETION ${CMAKE_BINARY_DIR}/completion/velmo-tool)
add_custom_command(
    OUTPUT ${VELMO_COMPLETION}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/completion
    COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/make-completion.py
            ${CMAKE_SOURCE_DIR}/docs/velmo-tool.md ${VELMO_COMPLETION}
    DEPENDS ${CMAKE_SOURCE_DIR}/tools/make-completion.py ${CMAKE_SOURCE_DIR}/docs/velmo-tool.md
    COMMENT "Writing the bash completion of velmo-tool from docs/velmo-tool.md"
    VERBATIM)
add_custom_target(completion ALL DEPENDS ${VELMO_COMPLETION})
install(FILES ${VELMO_COMPLETION} DESTINATION share/bash-completion/completions)

# The software-centre data.
set(VELMO_METAINFO ${CMAKE_BINARY_DIR}/data/${VELMO_APP_ID}.metainfo.xml)
add_custom_command(
    OUTPUT ${VELMO_METAINFO}
    COMMAND ${CMAKE_COMMAND} -DIN=${CMAKE_SOURCE_DIR}/data/desktop/velmo.metainfo.xml.in -DOUT=${VELMO_METAINFO} -DAPP_ID=${VELMO_APP_ID}
            -DVERSION=${PROJECT_VERSION} -DDATE=${VELMO_RELEASE_DATE} -DWEB_URL=${VELMO_WEB_URL}
            -P ${CMAKE_SOURCE_DIR}/cmake/make-metainfo.cmake
    DEPENDS ${CMAKE_SOURCE_DIR}/data/desktop/velmo.metainfo.xml.in ${CMAKE_SOURCE_DIR}/cmake/make-metainfo.cmake
    COMMENT "Writing the software-centre data"
    VERBATIM)
add_custom_target(metainfo ALL DEPENDS ${VELMO_METAINFO})
install(FILES ${VELMO_METAINFO} DESTINATION share/metainfo)
