// The MATTS bank reader on an arbitrary file: the format test, the whole
// reading and the report against a small model whose elements the bank may
// or may not hold.
#include <cstdint>
#include <string>
#include <vector>

#include "databank/matts_bank.hpp"
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
  for (int i = 1; i <= 3; ++i) rs.atom(i).iz = elements[i - 1];
  RecordFile f;
  f.open_text(std::string(fuzz::as_text(data, size)));
  fuzz::guarded([&] {
    if (!is_matts_bank(f, size % 2 == 1)) return;
    const MattsBank bank = read_matts_bank(f);
    if (bank.entries.empty()) fuzz::fail("a bank was read without entries");
    for (const MattsEntry& e : bank.entries)
      if (e.atoms.empty() || e.id.empty()) fuzz::fail("an entry was read without atoms or ID");
    report_matts_bank(bank, rs.model, rs.log_sink());
  });
  return 0;
}
