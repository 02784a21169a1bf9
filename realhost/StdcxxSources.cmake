# The part of GCC 12's libstdc++ that the host and its modules use, from the prepared copy in
# ${gcc}, each file in the language version GCC's own build gives its folder.
set(lib ${gcc}/libstdc++-v3)
set(stdcxxSources "")
function(stdcxx_files standard)
  foreach(file IN LISTS ARGN)
    list(APPEND stdcxxSources ${lib}/${file})
    set_source_files_properties(${lib}/${file} PROPERTIES COMPILE_OPTIONS "${standard}")
  endforeach()
  set(stdcxxSources ${stdcxxSources} PARENT_SCOPE)
endfunction()

set(files codecvt ios_init ios_locale list list-aux list-aux-2 list_associated list_associated-2 locale
          locale_facets stdexcept tree istream istream-string streambuf)
list(TRANSFORM files PREPEND src/c++98/)
list(TRANSFORM files APPEND .cc)
set(members codecvt_members collate_members messages_members monetary_members numeric_members time_members c_locale)
list(TRANSFORM members PREPEND config/locale/generic/)
list(TRANSFORM members APPEND .cc)
stdcxx_files(-std=gnu++98 ${files} ${members} config/io/basic_file_stdio.cc)
stdcxx_files("-std=gnu++11;-fchar8_t" src/c++98/locale_init.cc src/c++98/localename.cc src/c++11/codecvt.cc
             src/c++11/limits.cc)

set(files chrono condition_variable ctype ext11-inst fstream-inst functexcept functional hash_c++0x
          hashtable_c++0x ios-inst ios iostream-inst istream-inst mutex ostream-inst placeholders shared_ptr
          snprintf_lite sstream-inst streambuf-inst string-inst string-io-inst system_error thread wstring-inst
          wstring-io-inst locale-inst wlocale-inst cow-stdexcept cxx11-ios_failure)
list(TRANSFORM files PREPEND src/c++11/)
list(TRANSFORM files APPEND .cc)
stdcxx_files(-std=gnu++11 ${files} config/os/mingw32-w64/ctype_configure_char.cc
             config/locale/generic/ctype_members.cc)

set(files fs_dir fs_ops fs_path string-inst ostream-inst)
list(TRANSFORM files PREPEND src/c++17/)
list(TRANSFORM files APPEND .cc)
set(support eh_exception bad_alloc bad_cast bad_typeid bad_array_length bad_array_new hash_bytes)
list(TRANSFORM support PREPEND libsupc++/)
list(TRANSFORM support APPEND .cc)
stdcxx_files(-std=gnu++17 ${files} ${support})
