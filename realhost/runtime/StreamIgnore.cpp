// std::basic_istream::ignore(streamsize) of char and wchar_t: GCC's library defines these two
// specializations among the compatibility code it keeps for old programs, which is not built here.
#include <istream>

namespace std {

template <>
basic_istream<char> &basic_istream<char>::ignore(streamsize count) {
  return ignore(count, traits_type::eof());
}

template <>
basic_istream<wchar_t> &basic_istream<wchar_t>::ignore(streamsize count) {
  return ignore(count, traits_type::eof());
}

}  // namespace std
