// Included ahead of every C++ file of the host and its modules: the standard headers that Visual
// C++'s library includes from its own and that the host's sources rely on without including them,
// and a class template that Visual C++ makes known through a friend declaration (Planet.h).
#pragma once

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

template <class T>
class TileManager2;
