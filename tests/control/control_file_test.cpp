#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "control/control_file.hpp"
#include "layout/run_error.hpp"
#include "support/test_support.hpp"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// Reads the given control file in a scratch directory.
struct ControlRun {
  test::MemoryRun run;
  bool stopped = false;
  Switches switches;
  Switches& sw() { return switches; }
  std::string log() const { return run.log(); }
  std::string term() const { return run.term.str(); }

  explicit ControlRun(const std::string& text, bool write_file = true) {
    test::ScratchDir dir;
    if (write_file) dir.write("vorn.inp", text);
    const fs::path here = fs::current_path();
    fs::current_path(dir.path());
    try {
      run.as_driver([&] { switches = read_control_file(run.rs->log_sink()); });
    } catch (const RunError&) {
      stopped = true;
    }
    fs::current_path(here);
  }
};

std::string example_file() {
  std::ostringstream os;
  printhelp(os);
  return os.str();
}

TEST(ExampleControlFile, HasTheSixtyLines) {
  const std::string text = example_file();
  std::istringstream in(text);
  std::string l;
  int n = 0;
  std::string first, last, fifth;
  while (std::getline(in, l)) {
    ++n;
    if (n == 1) first = l;
    if (n == 5) fifth = l;
    last = l;
  }
  EXPECT_EQ(n, 60);
  EXPECT_EQ(first, " ");
  EXPECT_EQ(last, " ");
  EXPECT_EQ(fifth, "FORMAT  *shelx xd  ");
  EXPECT_NE(text.find("\nKEYGEN  *XYZUIJ *all ordered  *MULT *all ordered\n"), std::string::npos);
}

TEST(ReadControlFile, ExampleFileSetsItsSwitches) {
  ControlRun c(example_file());
  ASSERT_FALSE(c.stopped) << c.term();
  Switches& sw = c.sw();
  EXPECT_EQ(sw.format, InputFormat::shelx);
  EXPECT_TRUE(sw.has_cell);
  EXPECT_EQ(sw.args.inpfile, "paracetamol.res");
  EXPECT_FALSE(sw.rename.requested);
  EXPECT_FALSE(sw.convert_to_xd_only);
  EXPECT_EQ(sw.verbosity, 4);
  EXPECT_FLOAT_EQ(sw.tols.bond, 0.4);
  EXPECT_FLOAT_EQ(sw.tols.ring_planarity, 0.1);
  EXPECT_FLOAT_EQ(sw.tols.group_planarity, 0.1);
  EXPECT_EQ(sw.complete_fragment_cells, 1);
  EXPECT_FALSE(sw.disorder.extend_hydrogens);
  EXPECT_FALSE(sw.disorder.use_databank);
  // XYZUIJ all, MULT all: the starred words of the KEYGEN line.
  for (std::size_t k = 0; k < sw.lkeys.size(); ++k) EXPECT_EQ(sw.lkeys[k], k == 0 || k == 1 || k == 3 || k == 4) << k;
  EXPECT_TRUE(sw.simple_equivalence);
  EXPECT_TRUE(sw.chemical_constraints.hydrogens);
  EXPECT_TRUE(sw.chemical_constraints.other_atoms);
  EXPECT_TRUE(sw.extend_hydrogens);
  EXPECT_TRUE(sw.args.search_rings);
  EXPECT_EQ(sw.ring_options.min_size, 3);
  EXPECT_EQ(sw.ring_options.max_size, 8);
  EXPECT_TRUE(sw.ring_options.mirror_in_planar_ring);
  EXPECT_TRUE(sw.use_databank);
  EXPECT_EQ(sw.abank, "vorn.db");
  EXPECT_EQ(sw.args.rescale_method, 3);
}

TEST(ReadControlFile, ExampleFileEcho) {
  ControlRun c(example_file());
  ASSERT_FALSE(c.stopped);
  const std::string rule = " " + std::string(71, '-');
  const std::string expected =
      "\n" + rule + "\n\n VORN options : \n\n"
      " Verbosity level =  4\n"
      " Input file format = SHELX    file(s) = paracetamol.res\n"
      " Search for complete fragments within  -1 ...  +1 unit cells\n"
      " Threshold / Tolerance parameters : \n"
      "   bond criterion (tol1) : d(i-j) < covR(i) + covR(j) +  0.400 Angstroms\n"
      "   ring  planarity criterion (tol2) : sigpln <   0.100 Angstroms\n"
      "   group planarity criterion (tol3) : sigpln <   0.100 Angstroms\n"
      " Treatment of disorder :\n"
      "   do NOT apply Extend_H option\n"
      "   do NOT apply DB\n"
      " Instructions for KEY table generation:\n"
      "   XYZUIJ=.T. all=.T. ordered=.F.\n"
      "     MULT=.T. all=.T. ordered=.F. kappas=.F.\n"
      " Read pseudoatom parameters from databank file :\n"
      "   vorn.db\n"
      " Use simple model for determination of chemical equivalency\n"
      " Use chemical/kappa constraints for H-atoms\n"
      " Use chemical/kappa constraints for non-H atoms\n"
      " Find rings with   3 -   8 atoms\n"
      " Treatment of atoms that belong to 1 planar ring :\n"
      "   always m-symmetry : X - towards center, Y - neighbor in the ring\n"
      " Extend H-atoms to standard/neutron distances and create files : \n"
      "   'reset.bond' with RESET BOND instructions\n"
      "   'const.bond' with CONSTRAINTS instructions\n"
      " Scale total population using sigmaPv method\n"
      "\n" + rule + "\n"
      "\n Atomic covalent radii (Angstroms) : \n\n"
      "   H  0.40   He 0.93   Li 1.28   Be 0.96   B  0.82   C  0.77   N  0.75\n"
      "   O  0.73   F  0.72   Ne 0.71   Na 1.66   Mg 1.41   Al 1.21   Si 1.11\n"
      "   P  1.06   S  1.02   Cl 0.99   Ar 0.98   K  2.03   Ca 1.76   Sc 1.70\n"
      "   Ti 1.60   V  1.53   Cr 1.39   Mn 1.61   Fe 1.52   Co 1.50   Ni 1.24\n"
      "   Cu 1.32   Zn 1.22   Ga 1.22   Ge 1.22   As 1.20   Se 1.16   Br 1.14\n"
      "   Kr 1.89   Rb 2.20   Sr 1.95   Y  1.90   Zr 1.75   Nb 1.64   Mo 1.54\n"
      "   Tc 1.47   Ru 1.46   Rh 1.42   Pd 1.39   Ag 1.45   Cd 1.44   In 1.42\n"
      "   Sn 1.39   Sb 1.40   Te 1.36   I  1.33   Xe 1.31\n"
      "\n" + rule + "\n";
  EXPECT_EQ(c.log(), expected);
  EXPECT_EQ(c.term(), "");
}

TEST(ReadControlFile, MissingFileAndMissingFormatStop) {
  ControlRun none("", false);
  EXPECT_TRUE(none.stopped);
  EXPECT_EQ(none.term(), "\n ERROR *** ReadInp *** Unable to open VORN input file vorn.inp\n\n");
  // xd named without a star leaves the format unset.
  ControlRun unstarred("FORMAT shelx xd\nINPUT a.res\n");
  EXPECT_TRUE(unstarred.stopped);
  EXPECT_NE(unstarred.term().find(" ERROR *** ReadInp *** Unknown input file format"), std::string::npos);
}

TEST(ReadControlFile, NumbersThatDoNotReadStop) {
  for (const char* bad : {"VERBOSE four", "VERBOSE 4.5", "TOLS bond 0.4", "NCELLS", "RINGS 3",
                          "RADII H 0.1 C", "RADII H 0.1 0.2", "INPUT a.res *rename 1.5"}) {
    ControlRun c(std::string("FORMAT *shelx\n") + bad + "\n");
    EXPECT_TRUE(c.stopped) << bad;
    EXPECT_NE(c.term().find(" ERROR *** ReadInp *** Error while reading file vorn.inp"), std::string::npos)
        << bad;
  }
}

TEST(ReadControlFile, XdInputTakesMasterAndParameterFileInOriginalCase) {
  ControlRun c("format *XD\ninput  Master.MAS   Param.Inp\n");
  ASSERT_FALSE(c.stopped) << c.term();
  EXPECT_EQ(c.sw().format, InputFormat::xd);
  EXPECT_EQ(c.sw().xdold, "Master.MAS");
  EXPECT_EQ(c.sw().args.inpfile, "Param.Inp");
  EXPECT_NE(c.log().find(" Input file format = XD    file(s) = Master.MAS Param.Inp\n"), std::string::npos);
  // INPUT before FORMAT takes one name only.
  ControlRun early("INPUT  Master.MAS   Param.Inp\nFORMAT *xd\n");
  ASSERT_FALSE(early.stopped);
  EXPECT_EQ(early.sw().args.inpfile, "Master.MAS");
  EXPECT_EQ(early.sw().xdold, "");
}

// FRAMES: the starred word decides; the log says what becomes of an XD
// model (a databank's populations always take new frames).
TEST(ReadControlFile, FramesKeepOrNew) {
  for (const auto& [lines, renew, echo] : std::vector<std::tuple<std::string, bool, std::string>>{
           {"", false, "kept with its local frames"}, {"FRAMES *keep new\n", false, "kept with its local frames"},
           {"FRAMES keep *new\n", true, "new local frames, populations turned into them"},
           {"FRAMES new\nDATABANK d.db\n", false, "new local frames for the databank populations"}}) {
    ControlRun r("FORMAT *xd\nINPUT m.mas p.inp\n" + lines);
    EXPECT_EQ(r.sw().new_frames, renew) << lines;
    EXPECT_NE(r.log().find("\n Multipole model of the XD files : " + echo + "\n"), std::string::npos) << lines;
  }
  EXPECT_EQ(ControlRun("FORMAT *shelx\nINPUT s.res\nFRAMES *new\n").log().find("Multipole model"), std::string::npos);
}

// PICTURES: a starred word switches the page on, an unstarred one off (a
// later line wins); the log says so; *toxd writes no page.
TEST(ReadControlFile, PicturesPage) {
  for (const auto& [lines, page] : std::vector<std::tuple<std::string, bool>>{
           {"", false},
           {"PICTURES *page\n", true},
           {"PICTURES page\n", false},
           {"PICTURES *page\nPICTURES page\n", false},
           {"INPUT s.res *toxd\nPICTURES *page\n", false}}) {
    ControlRun r("FORMAT *shelx\nINPUT s.res\n" + lines);
    EXPECT_EQ(r.sw().setup_page, page) << lines;
    EXPECT_EQ(r.log().find(" Pictures : 3D page vorn.html\n") != std::string::npos, page) << lines;
  }
}

TEST(ReadControlFile, FileNamesLongerThanEightCharactersAreKeptWhole) {
  ControlRun c("FORMAT *shelx\nINPUT  /data/Structure_Final_2024.res\n");
  ASSERT_FALSE(c.stopped);
  EXPECT_EQ(c.sw().args.inpfile, "/data/Structure_Final_2024.res");
}

TEST(ReadControlFile, ContinuedInputLineSeesOnlyItsLastRecord) {
  ControlRun c("FORMAT *shelx\nINPUT first.res \\\n second.res third.res\n");
  ASSERT_FALSE(c.stopped);
  EXPECT_EQ(c.sw().args.inpfile, "third.res");
}

TEST(ReadControlFile, CartesianFormatsClearTheFractionalSwitch) {
  ControlRun aim("FORMAT xd *aim2tab\nINPUT t.out\n");
  EXPECT_EQ(aim.sw().format, InputFormat::aim2tab);
  EXPECT_FALSE(aim.sw().has_cell);
  ControlRun pl("FORMAT *xd *platon\nINPUT t.cor\n");
  EXPECT_EQ(pl.sw().format, InputFormat::platon);
  EXPECT_FALSE(pl.sw().has_cell);
  EXPECT_NE(pl.log().find(" Input file format = PLATON    file(s) = t.cor\n"), std::string::npos);
}

TEST(ReadControlFile, RenameAndItsMode) {
  ControlRun c("FORMAT *shelx\nINPUT s.res *rename 7\n");
  ASSERT_FALSE(c.stopped);
  EXPECT_TRUE(c.sw().rename.requested);
  EXPECT_TRUE(c.sw().rename.count_per_type);   // values other than 0 and 1 become 1
  EXPECT_NE(c.term().find("inum = 1"), std::string::npos);
  EXPECT_NE(c.log().find(" Change SHELX atom names ( irs=1 : counting atoms types ) \n"), std::string::npos);
  ControlRun zero("FORMAT *shelx\nINPUT s.res *rename 0\n");
  EXPECT_FALSE(zero.sw().rename.count_per_type);
  EXPECT_NE(zero.log().find("( irs=0 : straightforward counting ) "), std::string::npos);
  // RENAME counts only among the last two keywords.
  ControlRun far("FORMAT *shelx\nINPUT s.res *rename 0 a b\n");
  EXPECT_FALSE(far.sw().rename.requested);
}

TEST(ReadControlFile, ToxdEchoesTheConversionAndSwitchesTheRestOff) {
  ControlRun c("FORMAT *shelx\nINPUT s.res *toxd\nEXTEND_H\nDATABANK x.db\nRINGS 3 8\nNCELLS -3\n");
  ASSERT_FALSE(c.stopped);
  EXPECT_TRUE(c.sw().convert_to_xd_only);
  EXPECT_FALSE(c.sw().extend_hydrogens);
  EXPECT_FALSE(c.sw().use_databank);
  EXPECT_FALSE(c.sw().args.search_rings);
  EXPECT_EQ(c.sw().complete_fragment_cells, -3);   // not normalised: the search stays off
  const std::string tail = " SIMPLE CONVERSION OF SHELX FILE TO XD FILES WAS REQUESTED\n"
                           " ALL OTHER OPTIONS WILL BE IGNORED !!!!!!\n\n " + std::string(71, '-') + "\n";
  ASSERT_GE(c.log().size(), tail.size());
  EXPECT_EQ(c.log().substr(c.log().size() - tail.size()), tail);
  EXPECT_EQ(c.log().find("Threshold"), std::string::npos);
}

TEST(ReadControlFile, NegativeCellCountSearchesBothWays) {
  ControlRun c("FORMAT *shelx\nINPUT s.res\nNCELLS -3\n");
  EXPECT_EQ(c.sw().complete_fragment_cells, 3);
  EXPECT_NE(c.log().find(" Search for complete fragments within  -3 ...  +3 unit cells\n"), std::string::npos);
  ControlRun off("FORMAT *shelx\nINPUT s.res\nNCELLS -1\n");
  EXPECT_EQ(off.sw().complete_fragment_cells, -1);
  EXPECT_NE(off.log().find(" Do not search for complete fragments\n"), std::string::npos);
}

TEST(ReadControlFile, ScaleTakesOnlyExactStarredWords) {
  for (const char* word : {"*fract", "*fraction"}) {
    ControlRun fract("FORMAT *shelx\nINPUT s.res\nDATABANK d.db\nSCALE sigma diff " + std::string(word) + "\n");
    EXPECT_EQ(fract.sw().args.rescale_method, 2);
    EXPECT_NE(fract.log().find(" Scale total population using fraction method\n"), std::string::npos);
  }
  ControlRun frac("FORMAT *shelx\nINPUT s.res\nDATABANK d.db\nSCALE *sigma *frac\n");
  EXPECT_EQ(frac.sw().args.rescale_method, 2);
  EXPECT_NE(frac.log().find(" Scale total population using fraction method\n"), std::string::npos);
}

TEST(ReadControlFile, ChemconAloneSwitchesBothOff) {
  ControlRun c("FORMAT *shelx\nINPUT s.res\nCHEMCON\n");
  EXPECT_FALSE(c.sw().chemical_constraints.hydrogens);
  EXPECT_FALSE(c.sw().chemical_constraints.other_atoms);
  EXPECT_NE(c.log().find(" Do NOT use chemical/kappa constraints for H-atoms\n"
                         " Do NOT use chemical/kappa constraints for non-H atoms\n"),
            std::string::npos);
  ControlRun other("FORMAT *shelx\nINPUT s.res\nCHEMCON hydrogen *other\n");
  EXPECT_FALSE(other.sw().chemical_constraints.hydrogens);
  EXPECT_TRUE(other.sw().chemical_constraints.other_atoms);
}

TEST(ReadControlFile, KeygenPositionsAndNormalisation) {
  ControlRun c("FORMAT *shelx\nINPUT s.res\nKEYGEN *XYZUIJ *all *ordered MULT *all *ordered *kappas\n");
  const auto& k = c.sw().lkeys;
  EXPECT_TRUE(k[kXyzUij]);
  EXPECT_FALSE(k[kXyzAll]);       // ordered wins
  EXPECT_TRUE(k[kXyzOrdered]);
  EXPECT_FALSE(k[kMult]);         // MULT off clears its three
  EXPECT_FALSE(k[kMultAll]);
  EXPECT_FALSE(k[kMultOrdered]);
  EXPECT_FALSE(k[kKappas]);
  EXPECT_NE(c.log().find("   XYZUIJ=.T. all=.F. ordered=.T.\n     MULT=.F. all=.F. ordered=.F. kappas=.F.\n"),
            std::string::npos);
  // Only positions count, not the words.
  ControlRun pos("FORMAT *shelx\nINPUT s.res\nKEYGEN a b c *d *e f *g *h *i\n");
  const auto& p = pos.sw().lkeys;
  EXPECT_TRUE(p[kMult]);
  EXPECT_TRUE(p[kMultAll]);
  EXPECT_FALSE(p[kMultOrdered]);
  EXPECT_TRUE(p[kKappas]);
  EXPECT_FALSE(p[kXyzUij]);
}

TEST(ReadControlFile, DisorderWarningForDatabankWithoutExtension) {
  ControlRun c("FORMAT *shelx\nINPUT s.res\nDISORD extendH *db\nDATABANK d.db\n");
  EXPECT_FALSE(c.sw().disorder.extend_hydrogens);
  EXPECT_TRUE(c.sw().disorder.use_databank);
  EXPECT_NE(c.log().find("   do NOT apply Extend_H option\n   apply DB\n"
                         "   WARNING!!! Applying DB to disordered H-atoms\n"
                         "              w/o extending distances is CRAZY !!!\n"),
            std::string::npos);
  ControlRun both("FORMAT *shelx\nINPUT s.res\nDISORD *extendH *db\nDATABANK d.db\n");
  EXPECT_EQ(both.log().find("WARNING"), std::string::npos);
}

TEST(ReadControlFile, DatabankNameFromTheLineOrTheEnvironment) {
  ControlRun named("FORMAT *shelx\nINPUT s.res\ndatabank /opt/DB/Dova_2011.DB\n");
  EXPECT_EQ(named.sw().abank, "/opt/DB/Dova_2011.DB");
  ::setenv("VORN_DB", "/env/bank.db", 1);
  ControlRun env("FORMAT *shelx\nINPUT s.res\nDATABANK\n");
  ::unsetenv("VORN_DB");
  EXPECT_TRUE(env.sw().use_databank);
  EXPECT_EQ(env.sw().abank, "/env/bank.db");
  ControlRun unset("FORMAT *shelx\nINPUT s.res\nDATABANK\n");
  EXPECT_TRUE(unset.sw().abank.blank());
}

TEST(ReadControlFile, RadiiChangeTheTableAndAreLogged) {
  ControlRun c("FORMAT *shelx\nINPUT s.res\nRADII  CL 1.1  h 0.35 Q 9.0 C1 2.0\n");
  ASSERT_FALSE(c.stopped) << c.term();
  EXPECT_FLOAT_EQ(c.sw().covrad[16], 1.1);
  EXPECT_FLOAT_EQ(c.sw().covrad[0], 0.35);
  EXPECT_FLOAT_EQ(c.sw().covrad[5], 0.77);   // C1 is no symbol
  EXPECT_NE(c.log().find(" Changing covalent radius of Cl to    1.100 Angstroms\n"), std::string::npos);
  EXPECT_NE(c.log().find(" Changing covalent radius of H  to    0.350 Angstroms\n"), std::string::npos);
  EXPECT_NE(c.log().find("   H  0.35   He 0.93"), std::string::npos);
  EXPECT_NE(c.log().find("   S  1.02   Cl 1.10"), std::string::npos);
}

TEST(ReadControlFile, UnknownKeywordsAndFragmentLinesArePassedOver) {
  ControlRun c("FORMAT *shelx\nINPUT s.res\nNFRAG 2\nFRAG 1 1 -25 \\\n 2 26 -50\nCHFRAG 0. 0.\nWHATEVER 1 2\n");
  EXPECT_FALSE(c.stopped);
  EXPECT_EQ(c.sw().verbosity, 1);
}

TEST(ReadControlFile, KeywordsIgnoreCaseAndCompareTheirFirstEightCharacters) {
  ControlRun c("format *Shelx\ninput s.res\nExtend_Hydrogen\nsimple\nverbose 3\nSIMPLEST\n");
  ASSERT_FALSE(c.stopped) << c.term();
  EXPECT_TRUE(c.sw().extend_hydrogens);
  EXPECT_TRUE(c.sw().simple_equivalence);
  EXPECT_EQ(c.sw().verbosity, 3);
  // EXTEND is not EXTEND_H, and a renaming request without a number keeps
  // the default mode.
  ControlRun d("FORMAT *shelx\nINPUT s.res *RENAME\nEXTEND\n");
  EXPECT_FALSE(d.sw().extend_hydrogens);
  EXPECT_TRUE(d.sw().rename.requested);
  EXPECT_FALSE(d.sw().rename.count_per_type);
  EXPECT_NE(d.term().find("inum = 0"), std::string::npos);
}

TEST(WriteTolerances, ToleranceBlockColumns) {
  const Tols tols{0.25, 1.5, 12.345};
  std::ostringstream os;
  write_tolerances(tols, os);
  EXPECT_EQ(os.str(),
            " Threshold / Tolerance parameters : \n"
            "   bond criterion (tol1) : d(i-j) < covR(i) + covR(j) +  0.250 Angstroms\n"
            "   ring  planarity criterion (tol2) : sigpln <   1.500 Angstroms\n"
            "   group planarity criterion (tol3) : sigpln <  12.345 Angstroms\n");
}

TEST(ReadControlFile, SlipsAreWarnedAbout) {
  const std::string head = "FORMAT *shelx\nINPUT s.res\n";
  const struct {
    const char* lines;
    const char* warning;
  } cases[] = {
      {"NCELL 1\n", " WARNING: NCELL is not a keyword of vorn.inp (NCELLS?); the line is ignored\n"},
      {"EXTEND-H\n", " WARNING: EXTEND-H is not a keyword of vorn.inp (EXTEND_H?); the line is ignored\n"},
      {"COLOUR red\n", " WARNING: COLOUR is not a keyword of vorn.inp; the line is ignored\n"},
      {"SCALE *sigmas\n", " WARNING: *SIGMAS is none of the choices of SCALE: SIGMA DIFF FRAC FRACT FRACTION;"},
      {"KEYGEN XYZUIJ *all MULT *all\n", " WARNING: *ALL stands in place 4 of the KEYGEN line"},
      {"KEYGEN XYZUIJ *all MULT *all\n", " WARNING: KEYGEN stars all or ordered of XYZUIJ but not XYZUIJ itself"},
      {"KEYGEN *XYZUIJ all ordered *MULT\n", " WARNING: KEYGEN switches XYZUIJ on for no atom"},
      {"KEYGEN *XYZUIJ all ordered *MULT\n", " WARNING: KEYGEN switches MULT on for no atom"},
  };
  for (const auto& c : cases) {
    ControlRun r(head + c.lines);
    EXPECT_NE(r.term().find(c.warning), std::string::npos) << c.lines << r.term();
    EXPECT_NE(r.log().find(c.warning), std::string::npos) << c.lines;
  }
  ControlRun clean(head + "NCELLS 1\nEXTEND_H\nKEYGEN *XYZUIJ *all ordered *MULT *all ordered *kappas\nSCALE *frac\n");
  EXPECT_EQ(clean.run.rs->log_sink().warnings, 0) << clean.term();
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

TEST(ReadControlFile, FormFactorsLineNamesAReflectionFileOrASphere) {
  struct Case {
    const char* lines;
    bool stops;
    const char* file;
    double stol;
    const char* text;   // in the log, or in the message of the stop
  };
  const Case cases[] = {
      {"FORMAT *shelx\nINPUT s.res\nFORMFACTORS Data/Ala.hkl\n", false, "Data/Ala.hkl", 0,
       " Form factors of the model in vorn.tsc for the reflections of : Data/Ala.hkl\n"},
      {"FORMAT *cif\nINPUT s.cif\nformfactors *stol 0.8\n", false, "", 0.8,
       " Form factors of the model in vorn.tsc for every reflection up to stol = 0.800 1/Angstrom\n"},
      {"FORMAT *shelx\nINPUT s.res\nFORMFACTORS *stol 0\n", true, "", 0, "above 0 and at most 2"},
      {"FORMAT *shelx\nINPUT s.res\nFORMFACTORS *stol 2.5\n", true, "", 0, "above 0 and at most 2"},
      {"FORMAT *shelx\nINPUT s.res\nFORMFACTORS *stol\n", true, "", 0, "above 0 and at most 2"},
      {"FORMAT *shelx\nINPUT s.res\nFORMFACTORS\n", true, "", 0, "names no reflection file"},
      {"FORMAT *platon\nINPUT s.dat\nFORMFACTORS *stol 0.5\n", true, "", 0, "AIM2TAB and PLATON input lack"},
      {"FORMAT *shelx\nINPUT s.res *toxd\nFORMFACTORS a.hkl\n", false, "", 0, "ALL OTHER OPTIONS WILL BE IGNORED"},
  };
  for (const Case& c : cases) {
    ControlRun run(c.lines);
    EXPECT_EQ(run.stopped, c.stops) << c.lines << run.term();
    EXPECT_NE((run.log() + run.term()).find(c.text), std::string::npos) << c.lines << run.log();
    if (c.stops) continue;
    EXPECT_EQ(run.sw().formfactors.requested, c.stol > 0 || *c.file) << c.lines;
    EXPECT_EQ(run.sw().formfactors.hkl_file.trimmed(), c.file) << c.lines;
    EXPECT_EQ(run.sw().formfactors.stol, c.stol) << c.lines;
  }
}

}  // namespace
}  // namespace vorn
