// The SHELX reader on arbitrary .res text, with and without the renaming
// of atoms (chosen by the length of the input, so that every input tries
// one of the two and the corpus keeps both).
#include <cstdint>

#include "fuzz_support.hpp"
#include "structure/readers/readers.hpp"

using namespace vorn;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::write_file("in.res", fuzz::as_text(data, size));
  fuzz::Run run;
  RunState& rs = *run.rs;
  if (size % 3 == 1) {
    rs.sw.rename.irename = 1;
    rs.sw.rename.irs = static_cast<int>(size % 2);
  }
  fuzz::guarded([&] {
    readshelx(rs, "in.res");
    if (rs.natom() < 0 || rs.natom() > kMaxAtoms) fuzz::fail("atom count outside the table");
  });
  return 0;
}
