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
  std::string format;                 // FORMAT word
  std::vector<std::string> files;     // under tests/data, copied in under their own names
  std::string extra;                  // further control lines
};

// The rows: every structure file of each folder, and the XD pair.
bool is_structure_file(const std::filesystem::path& p) {
  const std::string ext = p.extension().string();
  return ext == ".res" || ext == ".ins" || ext == ".cif" || ext == ".tab" || ext == ".ang";
}

std::vector<StructureRun> every_structure() {
  const struct {
    const char* folder;
    const char* format;
  } folders[] = {{"shelx", "shelx"}, {"shelx_include", "shelx"}, {"cif", "cif"}, {"aim2tab", "aim2tab"},
                 {"platon", "platon"}};
  std::vector<StructureRun> rows;
  for (const auto& f : folders) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(test_data(f.folder)))
      if (is_structure_file(e.path()) && e.path().filename() != "2240189_EXPORTED_Qpeaks_before_HKLF.res")
        names.push_back(std::string(f.folder) + "/" + e.path().filename().string());
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) rows.push_back({f.format, {n}, ""});
  }
  rows.push_back({"xd", {"xd/DL-serine_ReCrystal/xd.mas", "xd/DL-serine_ReCrystal/xd.res"}, ""});
  return rows;
}

std::vector<std::string> words_of(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> w;
  for (std::string s; in >> s;) w.push_back(s);
  return w;
}

// Runs the structure (with the include files of its folder) with every key
// on and returns the master file.
std::string run_with_every_key(const ScratchDir& dir, const StructureRun& row) {
  std::string input;
  for (const std::string& f : row.files) {
    const std::filesystem::path p(test_data(f));
    dir.copy_in(p.string(), p.filename().string());
    for (const auto& e : std::filesystem::directory_iterator(p.parent_path()))
      if (e.path().extension() != ".mas" && !is_structure_file(e.path()) && e.path().filename() != "SOURCES.tsv")
        dir.copy_in(e.path().string(), e.path().filename().string());
    input += " " + p.filename().string();
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
  const auto table = std::find_if(mas.begin(), mas.end(), [](const std::string& l) { return l.rfind("ATOM     ATOM0", 0) == 0; });
  for (auto it = table; it != mas.end() && *it != "END ATOM"; ++it) {
    const std::vector<std::string> w = words_of(*it);
    if (it != table && w.size() > 10 && it->rfind("DUM", 0) != 0) lmax[w[0]] = std::stoi(w[10]);
  }
  int low = 0;
  const auto keys = std::find_if(mas.begin(), mas.end(), [](const std::string& l) { return l.rfind("KEY ", 0) == 0; });
  EXPECT_NE(keys, mas.end());
  for (auto it = keys + (keys != mas.end() ? 1 : 0); it < mas.end() && it->rfind("KAPPA", 0) != 0; ++it) {
    const std::string label(rtrim(it->substr(0, 8)));
    SCOPED_TRACE(*it);
    const auto found = lmax.find(label);
    EXPECT_NE(found, lmax.end()) << "KEY line of an atom the atom table does not list";
    if (found == lmax.end()) continue;
    low += found->second < 4;
    // The multipole part: "10 ddd ddddd ddddddd ddddddddd" after the 38
    // columns of positions and displacements.
    const std::vector<std::string> w = words_of(it->substr(8 + 38));
    if (w.size() != 5) {
      ADD_FAILURE() << "KEY line without its five multipole groups";
      continue;
    }
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
