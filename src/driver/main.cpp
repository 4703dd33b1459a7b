#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/run.hpp"

int main(int argc, char** argv) {
  // A write beyond the file-size limit must fail like one on a full disk,
  // which the run reports naming the file, rather than kill the process
  // without a word and leave its private directory behind.
  ::signal(SIGXFSZ, SIG_IGN);
  const std::vector<std::string> args(argv + 1, argv + argc);
  auto files = std::make_unique<vorn::RunFiles>();
  return vorn::run_program(args, *files);
}
