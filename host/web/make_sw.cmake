# Writes DIR/sw.js, the page's service worker, from TEMPLATE (sw.js.in):
# the SHA-256 of each of FILES (names in DIR, separated by commas) and a build name of VERSION
# and a hash of them all, which changes whenever any file does. Anything
# else in DIR (a file an older build had) is removed: the folder is the page.
#
# usage: cmake -DDIR=... -DTEMPLATE=... -DVERSION=... -DFILES=a,b,... -P make_sw.cmake
string(REPLACE "," ";" FILES "${FILES}")
set(list "")
set(all "")
list(SORT FILES)
file(GLOB present RELATIVE ${DIR} ${DIR}/*)
list(REMOVE_ITEM present ${FILES} sw.js)
foreach(name IN LISTS present)
  file(REMOVE_RECURSE ${DIR}/${name})
endforeach()
foreach(name IN LISTS FILES)
  file(SHA256 ${DIR}/${name} hash)
  string(APPEND list "\n  ['${name}', '${hash}'],")
  string(APPEND all "${name} ${hash}\n")
endforeach()
string(SHA256 total "${all}")
string(SUBSTRING ${total} 0 16 total)
set(BUILD "${VERSION}-${total}")
set(FILES "[${list}\n]")
configure_file(${TEMPLATE} ${DIR}/sw.js @ONLY)
