// The virtual table of std::type_info that every type descriptor of this ABI points at, which
// Visual C++'s runtime library exports and msvcrt.dll (as Wine has it) does not. Type descriptors
// are compared by name by the exception and cast support; nothing calls through the table.
#include <cstdlib>

namespace {

void __cdecl TypeInfoDestructor() { std::abort(); }

}  // namespace

extern "C" void (*const typeInfoTable[1])() __asm__("??_7type_info@@6B@") = {TypeInfoDestructor};
