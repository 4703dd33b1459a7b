// The MATTS bank reader on an arbitrary file: the format test, the whole
// reading, the report and the typing of a small molecule (C-H, C-Br, a
// second C) whose elements the bank may or may not hold.
#include <cstdint>
#include <string>
#include <vector>

#include "databank/matts_bank.hpp"
#include "databank/matts_typing.hpp"
#include "fuzz_support.hpp"

using namespace vorn;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::enter_scratch();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Run run;
  test::TestRun& rs = *run.rs;
  rs.model.natom = 3;
  const int elements[] = {1, 6, 35};
  const double x[] = {0.1, 0.2, 0.4};
  rs.model.cell = {10, 10, 10, 90, 90, 90};
  rs.model.symm.ops.assign(1, SymOp{});
  for (int i = 0; i < 3; ++i) {
    rs.atom(i).atomic_number = elements[i];
    rs.atom(i).fractional[0] = x[i];
    rs.atom(i).fractional[1] = rs.atom(i).fractional[2] = 0.5;
  }
  RecordFile f;
  f.open_text(std::string(fuzz::as_text(data, size)));
  fuzz::guarded([&] {
    if (!is_matts_bank(f, size % 2 == 1)) return;
    const MattsBank bank = read_matts_bank(f);
    if (bank.entries.empty()) fuzz::fail("a bank was read without entries");
    for (const MattsEntry& e : bank.entries)
      if (e.atoms.empty() || e.id.empty()) fuzz::fail("an entry was read without atoms or ID");
    report_matts_bank(bank, rs.model, rs.log_sink());
    const MattsTyping typing = type_atoms(bank, rs.model, true);
    for (const MattsType& t : typing.types)
      if (t.entry >= static_cast<int>(bank.entries.size()) || (t.entry >= 0 && t.maps.empty()))
        fuzz::fail("an atom was typed without an entry or a map");
  });
  return 0;
}
