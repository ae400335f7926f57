// WriteStandardScript.cpp — a build tool: writes the standard script to a file, as a fresh application
// folder gets it, for the package's /usr/share/varnholt/Varnholt.PS.
#include <iostream>

#include "core/uStandardScript.h"
#include "platform/Files.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: " << argv[0] << " OUTPUT\n";
    return 2;
  }
  const varnholt::platform::TStatus written =
      varnholt::platform::WriteTextLines(argv[1], varnholt::StandardScript());
  if (!written) std::cerr << "Cannot write " << argv[1] << ": " << written.Message() << '\n';
  return written ? 0 : 1;
}
