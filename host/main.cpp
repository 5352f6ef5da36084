// The workstation host: loads the libraries and drives them from the
// command line, as the workstation's host programs would.
#include <cstdio>
#include <cstring>
#include <string>

#include "orvik32/orvik32.h"

namespace {

int Usage() {
  std::puts("usage: kelt_host demo");
  return 2;
}

int Demo() {
  std::puts("kelt_host: sample data");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  if (std::strcmp(argv[1], "demo") == 0) return Demo();
  return Usage();
}
