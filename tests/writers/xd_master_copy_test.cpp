#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "layout/run_error.hpp"
#include "layout/record_file.hpp"
#include "writers/xd_master_copy.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

using test::lines_of;
using test::read_file;

using test::ScratchDir;
using test::test_data;



std::vector<std::string> records_of(const std::string& path) {
  RecordFile f;
  EXPECT_TRUE(f.open(path)) << path;
  std::vector<std::string> records;
  for (std::string r; f.next(r, 0);) records.push_back(r);
  return records;
}

// The three sections as the new master file holds them, with marker lines
// standing for what the per-atom loop writes in between.
std::string copy_all(const std::string& master) {
  const OldMasterSections s = split_old_master(records_of(master), "old.mas");
  std::string out;
  for (const std::string& l : s.head) out += l + "\n";
  out += "<atoms>\n";
  for (const std::string& l : s.controls) out += l + "\n";
  out += "<keys>\n";
  for (const std::string& l : s.trailer) out += l + "\n";
  return out;
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
  const std::string path = test_data("xd/DL-serine_ReCrystal/xd.mas");
  const std::vector<std::string> out = lines_of(copy_all(path));
  EXPECT_EQ(out, expected_copy(path));

  // Spot checks of what a crystallographer needs to find again.
  ASSERT_GT(out.size(), 9u);
  EXPECT_EQ(out[4], "CELL      4.7790    9.1950   10.7760   90.0000  106.8700   90.0000");
  EXPECT_EQ(out[8], "SYMM     -X,1/2+Y,1/2-Z");
  const std::string text = copy_all(path);
  EXPECT_NE(text.find("\nEND SCAT\n"), std::string::npos);
  EXPECT_NE(text.find("<atoms>\n!-----"), std::string::npos);
  EXPECT_NE(text.find("\nKEEP     kappa 1 2 3 4 5 6 7 8 9 10 11 12 13 14\n"), std::string::npos);
  EXPECT_NE(text.find("<keys>\nEXTCN   0000000\nOVTHP   0\nSCALE   1\nEND KEY\n"), std::string::npos);
  EXPECT_EQ(text.find("O(001)  C(001)"), std::string::npos);   // old atom table dropped
  EXPECT_EQ(text.find("KAPPA   000000"), std::string::npos);    // old KEY table dropped
  EXPECT_EQ(out.back(), "!" + std::string(78, '!'));
}

TEST(XdMasterCopy, OlderSerineCopyLosesItsTrailingBlanks) {
  // save_1.mas has blanks after several lines (KEEP kappa ... 14 among them).
  const std::string path = test_data("xd/DL-serine_ReCrystal/save_1.mas");
  const std::string text = copy_all(path);
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
  const std::vector<std::string> out = lines_of(copy_all(dir.file("old.mas")));
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
    const std::string report =
        test::error_report([&] { split_old_master(records_of(dir.file("old.mas")), "old.mas"); });
    EXPECT_NE(report.find(" ERROR *** LocalDef *** Old XD master file old.mas " + c.message), std::string::npos)
        << report;
  }
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

// The old KEEP kappa instruction, continued or not, gives way to one for the
// sets of the new file; other lines stay.
TEST(XdMasterCopy, KeepKappaListsTheNewSets) {
  struct Case {
    std::vector<std::string> controls;
    int nkset;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {{"!GROUP2", "KEEP     kappa 1 2 3 4 5 6 7 8 9 10 11 12 13 14", "KEEP     charge group1"},
       3,
       {"!GROUP2", "KEEP  kappa    1   2   3", "KEEP     charge group1"}},
      {{"keep kappa 1 2 \\", "  3 4 \\", "  5", "WEIGHT -2."}, 2, {"KEEP  kappa    1   2", "WEIGHT -2."}},
      {{"KEEP charge group1", "!KEEP kappa 1 2"}, 2, {"KEEP charge group1", "!KEEP kappa 1 2"}},
  };
  for (const Case& c : cases) EXPECT_EQ(with_kappa_sets(c.controls, c.nkset), c.expected);
}

// Scattering-table rows without dispersion terms get those of the
// wavelength; rows with their own, and lines outside the table, stay.
TEST(XdMasterCopy, EmptyDispersionColumnsAreFilledForTheWavelength) {
  const std::string pops = "    2  -2   0   0  -4   0   0   0   0   0   0   0   0   0   0   0   0   0";
  const std::vector<std::string> head{
      "WAVE     0.71073",
      "SCAT CORE SPHV DEFV   1S  2S  3S  4S  2P  3P  4P  3D  4D  4F  5S  5P  6S  6P  5D  7S  6D  5F  DELF'   DELF''  NSCTL",
      "O    CHFW CHFW CSZD" + pops + "  0.0000  0.0000  0.580",
      "CL   CHFW CHFW CSZD" + pops + "  0.0000  0.0000  0.958",
      "N    CHFW CHFW CSZD" + pops + "  0.0060  0.0030  0.936",
      "END SCAT",
      "C    CHFW CHFW CSZD" + pops + "  0.0000  0.0000  0.665"};
  const std::vector<std::string> out = with_dispersion(head, 0.71073);
  ASSERT_EQ(out.size(), head.size());
  EXPECT_EQ(out[2], "O    CHFW CHFW CSZD" + pops + "  0.0109  0.0061  0.580");
  EXPECT_EQ(out[3], "CL   CHFW CHFW CSZD" + pops + "  0.1495  0.1591  0.958");
  for (std::size_t k : {0, 1, 4, 5, 6}) EXPECT_EQ(out[k], head[k]);
}

}  // namespace
}  // namespace vorn
