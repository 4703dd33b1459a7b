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
  ShelxLabels naming = ShelxLabels::as_named;
  if (size % 3 == 1) naming = size % 2 != 0 ? ShelxLabels::numbered_by_type : ShelxLabels::numbered_in_file;
  fuzz::guarded([&] {
    const Model md = read_shelx("in.res", naming, run.rs->log_sink());
    if (md.natom < 0 || md.natom > static_cast<int>(md.atoms.size())) fuzz::fail("atom count outside the table");
  });
  return 0;
}
