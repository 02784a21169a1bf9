// What Visual C++'s runtime library gives the code it compiles and msvcrt.dll does not: the handler
// that ends the program when a noexcept function lets an exception out, and the count of exceptions
// in flight, which GCC's library keeps in its own exception runtime, absent here.
#include <cstdlib>
#include <exception>

extern "C" void __cdecl __std_terminate() { std::abort(); }

namespace std {

// Nothing of the host asks during unwinding; none is reported as in flight.
bool uncaught_exception() noexcept { return false; }
int uncaught_exceptions() noexcept { return 0; }

}  // namespace std
