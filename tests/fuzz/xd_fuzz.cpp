// The XD reader on an arbitrary master/parameter pair.  The input holds the
// master file, a line "@@@@" and the parameter file; without that line the
// same text serves as both.
#include <cstdint>
#include <string_view>

#include "fuzz_support.hpp"
#include "structure/readers/readers.hpp"

using namespace vorn;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text = fuzz::as_text(data, size);
  constexpr std::string_view kSplit = "\n@@@@\n";
  const std::size_t cut = text.find(kSplit);
  if (cut == std::string_view::npos) {
    fuzz::write_file("xd.mas", text);
    fuzz::write_file("xd.inp", text);
  } else {
    fuzz::write_file("xd.mas", text.substr(0, cut + 1));
    fuzz::write_file("xd.inp", text.substr(cut + kSplit.size()));
  }
  fuzz::Run run;
  fuzz::guarded([&] {
    const Model md = read_xd("xd.inp", FileName("xd.mas"), run.rs->log_sink());
    if (md.natom < 0 || md.natom > static_cast<int>(md.atoms.size())) fuzz::fail("atom count outside the table");
  });
  return 0;
}
