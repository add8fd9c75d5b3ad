# Sanitizers for every target, named as -fsanitize takes them; the sanitize and fuzz presets set
# NUMBERLIST_SANITIZERS, and nothing else turns them on.
set(NUMBERLIST_SANITIZERS "" CACHE STRING "Sanitizers for every target, e.g. address,undefined")
if(NUMBERLIST_SANITIZERS)
  add_compile_options(-fsanitize=${NUMBERLIST_SANITIZERS} -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=${NUMBERLIST_SANITIZERS})
endif()
