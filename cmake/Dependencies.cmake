# Every external dependency, with its minimum version, in one place.
find_package(Threads REQUIRED)
find_package(CURL 7.88 REQUIRED)
find_package(Qt6 6.4 REQUIRED COMPONENTS Core Gui Widgets WebEngineWidgets DBus Network Test
  LinguistTools)
find_package(GTest 1.12 REQUIRED)
find_package(SQLite3 3.40 REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(HTTPLIB REQUIRED IMPORTED_TARGET cpp-httplib>=0.11)
# Reading pages: libxml2's HTML parser (push, SAX); nlohmann-json for the
# companion site's JSON.
find_package(LibXml2 2.9 REQUIRED)
find_package(nlohmann_json 3.11 REQUIRED)
# AES-128 of stream segments and the hash of a segment list: libcrypto.
find_package(OpenSSL 3.0 REQUIRED)
