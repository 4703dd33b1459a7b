#include <memory>
#include <string>
#include <vector>

#include "driver/run.hpp"
#include "driver/run_state.hpp"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  auto rs = std::make_unique<vorn::RunState>();
  return vorn::run_program(*rs, args);
}
