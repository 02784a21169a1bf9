// The storage of the standard stream objects (std::cout and the others) and of their buffers, which
// std::ios_base::Init constructs in place. GCC's library gives each its storage as a plain character
// array under the object's name, which works where a variable's symbol does not say its type; a
// Visual C++ ABI symbol does, so here the arrays take the objects' decorated names.
#include <ext/stdio_filebuf.h>
#include <ext/stdio_sync_filebuf.h>
#include <istream>
#include <ostream>

#define KESTRANE_STORAGE(type, line, symbol) alignas(type) char storage##line[sizeof(type)] __asm__(symbol)

using CharFile = __gnu_cxx::stdio_filebuf<char>;
using CharSync = __gnu_cxx::stdio_sync_filebuf<char>;
using WideFile = __gnu_cxx::stdio_filebuf<wchar_t>;
using WideSync = __gnu_cxx::stdio_sync_filebuf<wchar_t>;

KESTRANE_STORAGE(CharFile, 1, "?buf_cout@__gnu_internal@@3V?$stdio_filebuf@DU?$char_traits@D@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(CharFile, 2, "?buf_cin@__gnu_internal@@3V?$stdio_filebuf@DU?$char_traits@D@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(CharFile, 3, "?buf_cerr@__gnu_internal@@3V?$stdio_filebuf@DU?$char_traits@D@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(CharSync, 4,
                 "?buf_cout_sync@__gnu_internal@@3V?$stdio_sync_filebuf@DU?$char_traits@D@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(CharSync, 5,
                 "?buf_cin_sync@__gnu_internal@@3V?$stdio_sync_filebuf@DU?$char_traits@D@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(CharSync, 6,
                 "?buf_cerr_sync@__gnu_internal@@3V?$stdio_sync_filebuf@DU?$char_traits@D@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(WideFile, 7, "?buf_wcout@__gnu_internal@@3V?$stdio_filebuf@_WU?$char_traits@_W@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(WideFile, 8, "?buf_wcin@__gnu_internal@@3V?$stdio_filebuf@_WU?$char_traits@_W@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(WideFile, 9, "?buf_wcerr@__gnu_internal@@3V?$stdio_filebuf@_WU?$char_traits@_W@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(WideSync, 10,
                 "?buf_wcout_sync@__gnu_internal@@3V?$stdio_sync_filebuf@_WU?$char_traits@_W@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(WideSync, 11,
                 "?buf_wcin_sync@__gnu_internal@@3V?$stdio_sync_filebuf@_WU?$char_traits@_W@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(WideSync, 12,
                 "?buf_wcerr_sync@__gnu_internal@@3V?$stdio_sync_filebuf@_WU?$char_traits@_W@std@@@__gnu_cxx@@A");
KESTRANE_STORAGE(std::ostream, 13, "?cout@std@@3V?$basic_ostream@DU?$char_traits@D@std@@@1@A");
KESTRANE_STORAGE(std::istream, 14, "?cin@std@@3V?$basic_istream@DU?$char_traits@D@std@@@1@A");
KESTRANE_STORAGE(std::ostream, 15, "?cerr@std@@3V?$basic_ostream@DU?$char_traits@D@std@@@1@A");
KESTRANE_STORAGE(std::ostream, 16, "?clog@std@@3V?$basic_ostream@DU?$char_traits@D@std@@@1@A");
KESTRANE_STORAGE(std::wostream, 17, "?wcout@std@@3V?$basic_ostream@_WU?$char_traits@_W@std@@@1@A");
KESTRANE_STORAGE(std::wistream, 18, "?wcin@std@@3V?$basic_istream@_WU?$char_traits@_W@std@@@1@A");
KESTRANE_STORAGE(std::wostream, 19, "?wcerr@std@@3V?$basic_ostream@_WU?$char_traits@_W@std@@@1@A");
KESTRANE_STORAGE(std::wostream, 20, "?wclog@std@@3V?$basic_ostream@_WU?$char_traits@_W@std@@@1@A");
