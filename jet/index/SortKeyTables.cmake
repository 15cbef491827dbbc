# Generates the text sort-key tables of jet/index from the measured code files in
# jet/index/sortkeys at build time (Apache-2.0 data; its LICENSE.txt and README.md lie beside it).
# The generator itself is the GenerateSortKeyTables target under tools/sortkeys.
set(TABLOREN_SORTKEY_DATA_DIR "${CMAKE_CURRENT_LIST_DIR}/sortkeys" CACHE PATH
    "Folder with the measured text sort-key code files")
set(sortkey_inputs
  index_codes_genleg.txt index_codes_ext_genleg.txt
  index_codes_gen.txt index_codes_ext_gen.txt
  index_codes_gen_97.txt index_mappings_ext_gen_97.txt LICENSE.txt)
list(TRANSFORM sortkey_inputs PREPEND "${TABLOREN_SORTKEY_DATA_DIR}/")
set(sortkey_output "${CMAKE_CURRENT_BINARY_DIR}/SortKeyTables.generated.cpp")
add_custom_command(
  OUTPUT "${sortkey_output}"
  COMMAND GenerateSortKeyTables "${TABLOREN_SORTKEY_DATA_DIR}" "${sortkey_output}"
  DEPENDS GenerateSortKeyTables ${sortkey_inputs}
  COMMENT "Generating text sort-key tables"
  VERBATIM)
target_sources(jet PRIVATE "${sortkey_output}")
