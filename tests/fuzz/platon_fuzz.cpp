// The PLATON reader on arbitrary text.
#include <cstdint>

#include "fuzz_support.hpp"
#include "structure/readers/readers.hpp"

using namespace vorn;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::write_file("in.platon", fuzz::as_text(data, size));
  fuzz::Run run;
  fuzz::guarded([&] {
    const Model md = read_platon("in.platon", run.rs->log_sink());
    if (md.natom < 0 || md.natom > static_cast<int>(md.atoms.size())) fuzz::fail("atom count outside the table");
  });
  return 0;
}
