// Every allocation of a test program that links support/CountingNew.cpp, and of the modules it
// loads, goes through a counting operator new.
#pragma once

namespace support {

// The allocations made so far, by any thread.
long Allocations();

}  // namespace support
