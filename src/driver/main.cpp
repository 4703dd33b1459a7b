#include <memory>
#include <string>
#include <vector>

#include "driver/run.hpp"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  auto files = std::make_unique<vorn::RunFiles>();
  return vorn::run_program(args, *files);
}
