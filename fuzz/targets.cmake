# SPDX-License-Identifier: MIT
# The fuzz targets, each with the libraries it needs: fuzz/CMakeLists.txt
# builds them for libFuzzer, tests/CMakeLists.txt replays their corpora.
set(PELMORA_FUZZERS
  "header:pelmora_decode"
  "iso2022jp:pelmora_decode"
  "eucjp:pelmora_decode"
  "utf8:pelmora_decode"
  "base64:pelmora_decode"
  "quoted_printable:pelmora_decode"
  "message:pelmora_message,pelmora_search"
  "body_walk:pelmora_search"
  "search_terms:pelmora_search"
  "mail_date:pelmora_message"
  "settings:pelmora_settings"
  "contact_xml:pelmora_addressbook"
  "vcard:pelmora_addressbook"
  "desktop_books:pelmora_addressbook")
