# The web build (Emscripten): FreeType compiled for wasm (scripts/web builds it from
# Debian's source package, so glyphs match the native build), the font table in place
# of fontconfig, and the canvas host in place of SDL.
set(KX_FONT_DIR /usr/share/fonts/truetype/liberation2 CACHE PATH "Where the font table's files are")
find_package(freetype CONFIG REQUIRED)
target_link_libraries(platform PUBLIC freetype)
target_compile_definitions(platform PRIVATE KX_FONT_TABLE KX_FONT_DIR="${KX_FONT_DIR}")

# Programs: WaitMessage gives the browser its turn through Asyncify; the page brings
# the fonts the table names (only those the runtime uses) and keeps KX507.SCR in
# IndexedDB. Tests link without these and run under node.
set(KX_WEB_FONTS LiberationSans-Regular.ttf LiberationSans-Bold.ttf LiberationMono-Regular.ttf)
set(KX_WEB_LINK_OPTIONS
  -sASYNCIFY=1 -sASYNCIFY_STACK_SIZE=65536
  -sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1 -sFORCE_FILESYSTEM=1
  -sENVIRONMENT=web -sMODULARIZE=0 -sINVOKE_RUN=0
  "SHELL:-s EXPORTED_RUNTIME_METHODS=[FS,IDBFS,callMain,UTF8ToString]"
  -lidbfs.js)
foreach(font ${KX_WEB_FONTS})
  list(APPEND KX_WEB_LINK_OPTIONS "SHELL:--preload-file ${KX_FONT_DIR}/${font}@${KX_FONT_DIR}/${font}")
endforeach()
target_link_options(platform_entry INTERFACE ${KX_WEB_LINK_OPTIONS})
