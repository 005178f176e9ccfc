# Writes the service worker from its template: the list of the site's files
# and, as its cache's name, a hash of their names and contents.
# -DTEMPLATE, -DOUTPUT, and -DFILES: the site's files, separated by "|".

string(REPLACE "|" ";" files "${FILES}")
set(digests "")
set(names "'./'")
foreach(file IN LISTS files)
  get_filename_component(name "${file}" NAME)
  file(SHA256 "${file}" digest)
  string(APPEND digests "${name} ${digest}\n")
  string(APPEND names ", '${name}'")
endforeach()
string(SHA256 SITE_HASH "${digests}")
string(SUBSTRING "${SITE_HASH}" 0 16 SITE_HASH)
set(SITE_FILES "${names}")
configure_file("${TEMPLATE}" "${OUTPUT}" @ONLY)
