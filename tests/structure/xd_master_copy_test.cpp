#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "control/run_error.hpp"
#include "structure/readers/xd_master_copy.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::MemoryRun;
using test::ScratchDir;
using test::test_data;

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  std::string s;
  while (std::getline(in, s)) out.push_back(s);
  return out;
}

std::string read_file(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

// Runs the three copy steps as the per-atom loop does, with marker lines
// standing for what the loop writes in between.
std::string copy_all(MemoryRun& run, const std::string& master) {
  ScratchDir here;   // the master file name is a 60-character field: keep it short
  here.copy_in(master, "old.mas");
  run.rs->sw.xdold = here.file("old.mas");
  run.rs->io.mas.open_memory("xd_vorn.mas");
  xdcopy_head(*run.rs);
  run.rs->io.mas.os() << "<atoms>\n";
  xdcopy_controls(*run.rs);
  run.rs->io.mas.os() << "<keys>\n";
  xdcopy_trailer(*run.rs);
  return run.rs->io.mas.text();
}

// What the three copy steps must give for a well-formed old master file:
// its lines up to the atom table header, those between END ATOM and the KEY
// table, and those from EXTCN on, each without trailing blanks.
std::vector<std::string> expected_copy(const std::string& path) {
  std::vector<std::string> old = lines_of(read_file(path));
  for (std::string& s : old) s.erase(s.find_last_not_of(' ') + 1);
  std::size_t atom = 0, end = 0, key = 0, extcn = 0;
  for (std::size_t k = 0; k < old.size(); ++k) {
    if (!atom && old[k].rfind("ATOM     ATOM0", 0) == 0) atom = k;
    if (atom && !end && old[k] == "END ATOM") end = k;
    if (end && !key && old[k].rfind("KEY     XYZ", 0) == 0) key = k;
    if (key && !extcn && old[k] == "EXTCN   0000000") extcn = k;
  }
  EXPECT_TRUE(atom && end && key && extcn) << path;
  std::vector<std::string> expect(old.begin(), old.begin() + static_cast<long>(atom));
  expect.push_back("<atoms>");
  expect.insert(expect.end(), old.begin() + static_cast<long>(end) + 1, old.begin() + static_cast<long>(key));
  expect.push_back("<keys>");
  expect.insert(expect.end(), old.begin() + static_cast<long>(extcn), old.end());
  return expect;
}

TEST(XdMasterCopy, SerineMasterKeepsHeadControlsAndTrailer) {
  MemoryRun run;
  const std::string path = test_data("xd/DL-serine_ReCrystal/xd.mas");
  const std::vector<std::string> out = lines_of(copy_all(run, path));
  EXPECT_EQ(out, expected_copy(path));

  // Spot checks of what a crystallographer needs to find again.
  ASSERT_GT(out.size(), 9u);
  EXPECT_EQ(out[4], "CELL      4.7790    9.1950   10.7760   90.0000  106.8700   90.0000");
  EXPECT_EQ(out[8], "SYMM     -X,1/2+Y,1/2-Z");
  const std::string text = run.rs->io.mas.text();
  EXPECT_NE(text.find("\nEND SCAT\n"), std::string::npos);
  EXPECT_NE(text.find("<atoms>\n!-----"), std::string::npos);
  EXPECT_NE(text.find("\nKEEP     kappa 1 2 3 4 5 6 7 8 9 10 11 12 13 14\n"), std::string::npos);
  EXPECT_NE(text.find("<keys>\nEXTCN   0000000\nOVTHP   0\nSCALE   1\nEND KEY\n"), std::string::npos);
  EXPECT_EQ(text.find("O(001)  C(001)"), std::string::npos);   // old atom table dropped
  EXPECT_EQ(text.find("KAPPA   000000"), std::string::npos);    // old KEY table dropped
  EXPECT_EQ(out.back(), "!" + std::string(78, '!'));
  EXPECT_FALSE(run.rs->io.xdold.is_open());
}

TEST(XdMasterCopy, OlderSerineCopyLosesItsTrailingBlanks) {
  // save_1.mas has blanks after several lines (KEEP kappa ... 14 among them).
  MemoryRun run;
  const std::string path = test_data("xd/DL-serine_ReCrystal/save_1.mas");
  const std::string text = copy_all(run, path);
  EXPECT_EQ(lines_of(text), expected_copy(path));
  EXPECT_NE(text.find("\nKEEP     kappa 1 2 3 4 5 6 7 8 9 10 11 12 13 14\n"), std::string::npos);
  EXPECT_NE(read_file(path).find("KEEP     kappa 1 2 3 4 5 6 7 8 9 10 11 12 13 14 \n"), std::string::npos);
}

TEST(XdMasterCopy, LineRules) {
  ScratchDir dir;
  const std::string long_line = "!" + std::string(230, 'x') + "END";
  dir.write("old.mas",
            "TITLE t   \n"
            "\n"
            + long_line + "\n"
            "ATOMS are next\n"        // any line beginning ATOM ends the head
            "C(1) ...\n"
            "end atom\n"              // matched in upper case
            "key  not the table\n"    // KEY is matched in exact case
            "Keep kappa 1\n"
            "KEY     XYZ\n"
            "C(1)  111\n"
            "extcn   0000000   \n"
            "ovthp   0\n"
            "End key\n");
  MemoryRun run;
  const std::vector<std::string> out = lines_of(copy_all(run, dir.file("old.mas")));
  const std::vector<std::string> expect = {"TITLE t",
                                           std::string(200, ' '),   // blank record stays 200 blanks
                                           long_line,               // longer records are not cut
                                           "<atoms>",
                                           "key  not the table",
                                           "Keep kappa 1",
                                           "<keys>",
                                           "EXTCN   0000000",        // the EXTCN line in upper case
                                           "ovthp   0",              // later lines as read
                                           "End key"};
  EXPECT_EQ(out, expect);
}

// A master file lacking a section stops before anything is copied, with a
// message naming the section.
TEST(XdMasterCopy, MissingSectionStopsBeforeCopying) {
  struct Case {
    std::string text, message;
  } cases[] = {
      {"TITLE t\nCELL 1 1 1 90 90 90\n", "has no ATOM table"},
      {"TITLE t\nATOM     ATOM0\nC(1)\nKEY     XYZ\nEXTCN   0\n", "has no end of the ATOM table"},
      {"TITLE t\nATOM     ATOM0\nC(1)\nEND ATOM\nKEEP\nEXTCN   0\n", "has no KEY table"},
      {"TITLE t\nATOM     ATOM0\nEND ATOM\nKEY     XYZ\nEND KEY\n", "has no EXTCN line"},
      // EXTCN before KEY is out of order: the copy passes cannot go back.
      {"TITLE t\nATOM     ATOM0\nEND ATOM\nEXTCN   0\nKEY     XYZ\n", "has no EXTCN line"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    dir.write("old.mas", c.text);
    MemoryRun run;
    run.rs->sw.xdold = dir.file("old.mas");
    run.rs->io.mas.open_memory("xd_vorn.mas");
    EXPECT_THROW(run.as_driver([&] { xdcopy_head(*run.rs); }), RunError) << c.message;
    EXPECT_NE(run.log().find(" ERROR *** LocalDef *** Old XD master file " + dir.file("old.mas") + " " + c.message),
              std::string::npos)
        << run.log();
    EXPECT_EQ(run.rs->io.mas.text(), "") << c.message;
  }
}

TEST(XdMasterCopy, MissingFileAndCopyWithoutHeadStop) {
  MemoryRun run;
  run.rs->sw.xdold = "no-such-master.mas";
  run.rs->io.mas.open_memory("xd_vorn.mas");
  EXPECT_THROW(run.as_driver([&] { xdcopy_head(*run.rs); }), RunError);
  EXPECT_NE(run.log().find("Error opening XD master file no-such-master.mas"), std::string::npos);
  MemoryRun run2;
  run2.rs->io.mas.open_memory("xd_vorn.mas");
  EXPECT_THROW(xdcopy_controls(*run2.rs), RunError);
  EXPECT_THROW(xdcopy_trailer(*run2.rs), RunError);
}

}  // namespace
}  // namespace vorn
