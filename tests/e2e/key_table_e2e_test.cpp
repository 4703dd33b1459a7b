// Every structure of tests/data run with every KEYGEN key on, and the
// written KEY table checked against the atom table beside it.  Each
// structure is one row; a check of the files of such a run goes into
// check_key_table (or a function of its own called from the test).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "layout/text_edit.hpp"
#include "support/test_support.hpp"

namespace vorn::test {
namespace {

struct StructureRun {
  std::string format;               // FORMAT word
  std::vector<std::string> files;   // under tests/data
  std::string extra;                // further control lines
};

bool is_structure(const std::filesystem::path& p) {
  return p.has_extension() && std::string(".res.ins.cif.tab.ang").find(p.extension().string()) != std::string::npos;
}

// The rows: every structure file of each folder but the one whose Q peaks
// stop the run (shelx_e2e_test), and the XD pair kept whole and in new frames.
std::vector<StructureRun> every_structure() {
  std::vector<StructureRun> rows;
  for (const std::string folder : {"shelx", "shelx_include", "cif", "aim2tab", "platon"}) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(test_data(folder)))
      if (is_structure(e.path()) && e.path().filename() != "2240189_EXPORTED_Qpeaks_before_HKLF.res")
        names.push_back(folder + "/" + e.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) rows.push_back({folder == "shelx_include" ? "shelx" : folder, {n}, ""});
  }
  for (const char* frames : {"", "FRAMES *new\n"})
    rows.push_back({"xd", {"xd/DL-serine_ReCrystal/xd.mas", "xd/DL-serine_ReCrystal/xd.res"}, frames});
  return rows;
}

std::vector<std::string> words_of(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

// Runs a row (with the include files beside its structure) with every key
// on and returns the master file.
std::string run_with_every_key(const ScratchDir& dir, const StructureRun& row) {
  std::string input;
  for (const std::string& f : row.files) {
    const std::filesystem::path p(test_data(f));
    for (const auto& e : std::filesystem::directory_iterator(p.parent_path()))
      if (e.path() == p || e.path().extension() == ".dfix") dir.copy_in(e.path().string(), e.path().filename().string());
    input += ' ';
    input += p.filename().string();
  }
  dir.write("vorn.inp", "FORMAT *" + row.format + "\nINPUT" + input +
                            "\nKEYGEN *XYZUIJ *all ordered *MULT *all ordered *kappas\n" + row.extra);
  EXPECT_EQ(run_vorn(dir).status, 0);
  return dir.read("xd_vorn.mas");
}

// No KEY line switches on a multipole above the LMX of the atom's line in
// the atom table.  Returns the number of atoms with LMX below 4 checked.
int check_key_table(const std::vector<std::string>& mas) {
  std::map<std::string, int> lmax;
  auto it = std::find_if(mas.begin(), mas.end(), [](const std::string& l) { return l.rfind("ATOM     ATOM0", 0) == 0; });
  for (; it != mas.end() && *it != "END ATOM"; ++it)
    if (const auto w = words_of(*it); w.size() > 10 && w[1] != "ATOM0" && it->rfind("DUM", 0) != 0)
      lmax[w[0]] = std::stoi(w[10]);
  int low = 0;
  it = std::find_if(mas.begin(), mas.end(), [](const std::string& l) { return l.rfind("KEY ", 0) == 0; });
  EXPECT_NE(it, mas.end());
  for (it += it != mas.end(); it < mas.end() && it->rfind("KAPPA", 0) != 0; ++it) {
    SCOPED_TRACE(*it);
    const auto found = lmax.find(std::string(rtrim(it->substr(0, 8))));
    // The multipole groups "10 ddd ddddd ddddddd ddddddddd" after column 46.
    const std::vector<std::string> w = words_of(it->substr(46));
    if (found == lmax.end() || w.size() != 5) {
      ADD_FAILURE() << "KEY line of no atom of the table, or without its five multipole groups";
      continue;
    }
    low += found->second < 4;
    for (int l = found->second + 1; l <= 4; ++l)
      EXPECT_EQ(w[static_cast<std::size_t>(l)].find('1'), std::string::npos) << "l = " << l << " above LMX";
  }
  return low;
}

TEST(KeyTable, NoStructureRefinesATermAboveTheAtomsLevel) {
  int low = 0;
  for (const StructureRun& row : every_structure()) {
    SCOPED_TRACE(row.files.back());
    ScratchDir dir;
    low += check_key_table(lines_of(run_with_every_key(dir, row)));
  }
  // The hydrogens (LMX 2) of the structures were checked.
  EXPECT_GT(low, 100);
}

}  // namespace
}  // namespace vorn::test
