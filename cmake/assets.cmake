# The files the generators of tools/assets make: the skin as window.bmp,
# the nine sounds, named as game/calls.h names them, the Windows program's
# icon, murlo.ico, and the web page's icons, icon-*.png.
set(murlo_assets_source ${CMAKE_CURRENT_LIST_DIR}/../tools/assets)

# murlo_asset_files(VAR DIR): the paths of all of them in DIR.
function(murlo_asset_files var dir)
  file(STRINGS ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../game/calls.h lines REGEX "\"[a-z]+\\.wav\"")
  string(REGEX MATCHALL "[a-z]+\\.wav" sounds "${lines}")
  set(files ${dir}/window.bmp ${dir}/murlo.ico)
  foreach(name icon-192 icon-512 icon-maskable-192 icon-maskable-512)
    list(APPEND files ${dir}/${name}.png)
  endforeach()
  foreach(name IN LISTS sounds)
    list(APPEND files ${dir}/${name})
  endforeach()
  set(${var} ${files} PARENT_SCOPE)
endfunction()

# murlo_native_assets(VAR): in a cross build, build and run the generators
# with the build machine's compiler (target murlo_native_assets); VAR gets
# the paths of the files made.
function(murlo_native_assets var)
  include(ExternalProject)
  set(build ${CMAKE_BINARY_DIR}/native_assets)
  murlo_asset_files(files ${build}/share/murlo)
  ExternalProject_Add(murlo_native_assets
    SOURCE_DIR ${murlo_assets_source}/native
    BINARY_DIR ${build}
    CMAKE_ARGS -DMURLO_SOURCE_DIR=${CMAKE_SOURCE_DIR} -DCMAKE_BUILD_TYPE=Release
               -DMURLO_WERROR=${MURLO_WERROR}
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${files})
  set(${var} ${files} PARENT_SCOPE)
endfunction()
