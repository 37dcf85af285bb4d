# The dynamic loader looks each symbol up library by library, in the order the program's own list
# of needed libraries sets, and libmpv brings in over 200 of them. A library named late is reached
# only after a miss in every one before it: at start, half the loader's time went to those misses.
# Naming first the libraries most symbols come from cuts that search by more than half (15 to
# 20 ms on a 2-core machine). Only libraries the program already loads are named, so nothing new is loaded,
# and a test checks that every symbol still comes from the library it came from before.
#
# Most looked-up first, as counted with LD_DEBUG=bindings over a start of the program.
set(VARNEL_LOADER_ORDER
  # Where two libraries give the same function (libm and libc frexp, BLAS and LAPACK xerbla_), the
  # one named first gives it to everyone, so they keep the order they had.
  libQt6DBus libQt6Widgets libQt6Gui libQt6Core libstdc++ libm libc
  libcrypto libepoxy libglib-2.0 libblas liblapack libavutil libasound libinstpatch-1.0 libsrt-gnutls
  libgio-2.0 libnettle libicuuc libgnutls libflite libmbedcrypto libgobject-2.0 librubberband
  libdb-5.3 libdbus-1 libcodec2 libunistring libX11 libpango-1.0 libsphinxbase libpulse libcairo
  libplacebo libreadline libharfbuzz libflite_cmu_us_slt libflite_cmu_us_rms libflite_cmu_us_awb
  libarchive liblcms2 libpng16 libvulkan libmujs libfluidsynth libpocketsphinx libhogweed
  libpipewire-0.3 libzvbi libmount libfreetype libsystemd libtinfo libxml2)

# The folders the loader searches by itself.
set(VARNEL_LOADER_FOLDERS)
foreach(folder /lib /usr/lib /lib/${CMAKE_LIBRARY_ARCHITECTURE} /usr/lib/${CMAKE_LIBRARY_ARCHITECTURE})
  if(IS_DIRECTORY ${folder})
    get_filename_component(folder "${folder}" REALPATH)
    list(APPEND VARNEL_LOADER_FOLDERS "${folder}")
  endif()
endforeach()

# `files` and the libraries they load, each as "name;path" pairs: name without its version, path as the
# loader finds it. Read with ldd, so a library another version of Debian names differently is
# simply not found, never swapped for another.
function(varnel_loaded_libraries out)
  set(found)
  foreach(file IN LISTS ARGN)
    get_filename_component(own "${file}" NAME)
    if(own MATCHES "^(lib[^ ]*)\\.so")
      list(APPEND found "${CMAKE_MATCH_1}" "${file}")
    endif()
    execute_process(COMMAND ldd ${file} OUTPUT_VARIABLE listing RESULT_VARIABLE failed ERROR_QUIET)
    if(failed)
      continue()
    endif()
    string(REPLACE "\n" ";" lines "${listing}")
    foreach(line IN LISTS lines)
      if(line MATCHES "^[ \t]*(lib[^ ]*)\\.so[^ ]* => (/[^ ]+) ")
        list(APPEND found "${CMAKE_MATCH_1}" "${CMAKE_MATCH_2}")
      endif()
    endforeach()
  endforeach()
  set(${out} "${found}" PARENT_SCOPE)
endfunction()

# The link options that put the libraries of VARNEL_LOADER_ORDER that `files` load at the head of
# a program's needed list, in `out`. A library found only through another library's own search path
# is left where it is: named by the program, the loader would not find it.
function(varnel_loader_head out)
  varnel_loaded_libraries(loaded ${ARGN})
  set(head)
  foreach(name IN LISTS VARNEL_LOADER_ORDER)
    list(FIND loaded "${name}" at)
    if(at EQUAL -1)
      continue()
    endif()
    math(EXPR at "${at} + 1")
    list(GET loaded ${at} path)
    get_filename_component(folder "${path}" DIRECTORY)
    get_filename_component(folder "${folder}" REALPATH)
    if(folder IN_LIST VARNEL_LOADER_FOLDERS)
      list(APPEND head "${path}")
    endif()
  endforeach()
  # Link options come before the objects, so these are the first needed libraries.
  set(${out} "LINKER:--push-state,--no-as-needed" ${head} "LINKER:--pop-state" PARENT_SCOPE)
endfunction()
