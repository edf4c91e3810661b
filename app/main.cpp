// TALVEC: the main program.
#include <cstdio>
#include <cstdlib>

#include "app/program.h"

int main(int argc, char* argv[]) {
  const int code = talvec::RunProgram(argc, argv);
  // Everything has stopped and the database is closed by now; the process
  // ends without tearing down the browser engine piece by piece.
  std::fflush(nullptr);
  std::_Exit(code);
}
