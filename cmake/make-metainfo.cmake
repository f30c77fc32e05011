# cmake -DIN=velmo.metainfo.xml.in -DOUT=ID.metainfo.xml -DAPP_ID=ID -DVERSION=… -DDATE=…
#       [-DWEB_URL=https://…] -P make-metainfo.cmake
# Fills in the software-centre data. Software centres fetch screenshots over the web
# only, so the homepage and the screenshots (docs/screenshots, published under
# WEB_URL/screenshots) are listed only when the project's web address is given.
set(VELMO_APP_ID "${APP_ID}")
set(PROJECT_VERSION "${VERSION}")
set(VELMO_RELEASE_DATE "${DATE}")
set(VELMO_METAINFO_WEB "")
if(WEB_URL)
    string(REGEX REPLACE "/+$" "" _web "${WEB_URL}")
    string(CONCAT VELMO_METAINFO_WEB
        "  <url type=\"homepage\">${_web}/</url>\n"
        "  <screenshots>\n"
        "    <screenshot type=\"default\">\n"
        "      <caption>The layout view: a CD label being designed</caption>\n"
        "      <caption xml:lang=\"ja\">ラベル表示：CDラベルのデザイン</caption>\n"
        "      <image>${_web}/screenshots/layout.png</image>\n"
        "    </screenshot>\n"
        "    <screenshot>\n"
        "      <caption>Choosing the label sheet from the catalogue</caption>\n"
        "      <caption xml:lang=\"ja\">用紙の選択</caption>\n"
        "      <image>${_web}/screenshots/paper.png</image>\n"
        "    </screenshot>\n"
        "  </screenshots>\n")
endif()
configure_file(${IN} ${OUT} @ONLY)
