// Install.dll carries its own copy of the C++ runtime, and two of the
// runtime's conveniences cost far more there than they give a DLL that lets
// nothing escape its exports (every export catches everything and returns
// its failure value):
//
// - The default terminate handler prints the uncaught exception's type, which
//   links in the whole name demangler (about 45 KB) to write to a console a
//   setup program does not have.
// - The helpers the containers call to throw length_error, out_of_range and
//   the like live in one object that builds every standard exception, and
//   with them the reference-counted string of the old ABI and its
//   instantiations (about 80 KB), since those exceptions carry their message
//   in one.
//
// Defining them here keeps those objects out of the link. The exceptions
// thrown instead are still exceptions, caught and answered by the export
// frame as before; only their type and message differ. Code that comes to
// need another of the helpers pulls the runtime's object back in, and the
// link then fails on the helpers defined twice: add that one here.
#include <bits/functexcept.h>

#include <cstdlib>
#include <exception>
#include <new>

namespace {

class ContainerError : public std::exception {
 public:
  explicit ContainerError(const char* what) noexcept : what_(what) {}
  const char* what() const noexcept override { return what_; }

 private:
  const char* what_;
};

}  // namespace

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx

namespace std {

void __throw_bad_alloc() { throw bad_alloc(); }
void __throw_bad_array_new_length() { throw bad_array_new_length(); }
void __throw_length_error(const char* what) { throw ContainerError(what); }
void __throw_logic_error(const char* what) { throw ContainerError(what); }
void __throw_out_of_range_fmt(const char* format, ...) { throw ContainerError(format); }

}  // namespace std
