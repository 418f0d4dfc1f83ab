// What an exception that nobody catches does in the two programs: the process aborts, as the C++
// library's own handler would after printing its report. That report (the exception's demangled
// type name on stderr, which a windowed program does not have) pulls the C++ demangler and the
// printf machinery into the executable, about 50 KiB of each program; this definition takes its
// place at link time. It is linked into setup.exe and uninstall.exe only (see zordelo_program);
// the tests keep the library's report.
#include <cstdlib>

namespace __gnu_cxx {

void __verbose_terminate_handler() { std::abort(); }

}  // namespace __gnu_cxx
