// vorn.svg on real runs: well-formed XML, one arrow triple per atom of the
// atom table, each arrow along the projection of that atom's axis as the
// written xd_vorn.mas defines it (from the Cartesian coordinates of
// vorn.ang), and a rendering in a real browser that is not blank.
#include <gtest/gtest.h>

#include <gemmi/math.hpp>

#include <cstdlib>
#include <array>
#include <map>
#include <set>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>

#include "layout/text_edit.hpp"
#include "support/test_support.hpp"

namespace vorn::test {
namespace {

// Tags nest and close, and every attribute value is quoted.
bool well_formed(const std::string& xml, std::string& why) {
  static const std::regex tag(R"(<(/?)([A-Za-z][\w:-]*)((?:\s+[\w:-]+="[^"<]*")*)\s*(/?)>)");
  std::vector<std::string> open;
  std::size_t pos = xml.find("?>");
  if (xml.rfind("<?xml", 0) != 0 || pos == std::string::npos) return why = "no XML declaration", false;
  pos += 2;
  while ((pos = xml.find('<', pos)) != std::string::npos) {
    std::smatch m;
    const std::string rest = xml.substr(pos, xml.find('>', pos) - pos + 1);
    if (!std::regex_match(rest, m, tag)) return why = "bad tag " + rest, false;
    if (m[1] == "/") {
      if (open.empty() || open.back() != m[2]) return why = "unbalanced " + rest, false;
      open.pop_back();
    } else if (m[4] != "/") {
      open.push_back(m[2]);
    }
    pos += rest.size();
  }
  if (!open.empty()) return why = "unclosed " + open.back(), false;
  return true;
}

std::string attribute(const std::string& element, const std::string& name) {
  const std::regex re(" " + name + R"re(="([^"]*)")re");
  std::smatch m;
  return std::regex_search(element, m, re) ? m[1].str() : std::string();
}

gemmi::Vec3 vec(const std::string& text) {
  std::istringstream in(text);
  gemmi::Vec3 v;
  in >> v.x >> v.y >> v.z;
  return v;
}

struct Axes {
  gemmi::Vec3 origin;
  gemmi::Vec3 e[3];
};

// Every atom's axes as the written xd_vorn.mas defines them, from the
// Cartesian coordinates of vorn.ang; `table_atoms` counts the atom table.
std::map<std::string, Axes> written_frames(const ScratchDir& dir, int& table_atoms) {
  // Cartesian positions: atoms and dummies (Li(d) in vorn.ang).
  std::map<std::string, gemmi::Vec3> at;
  for (const std::string& l : lines_of(dir.read("vorn.ang"))) {
    std::istringstream in(l);
    std::string word, label;
    gemmi::Vec3 p;
    if (in >> word >> label >> p.x >> p.y >> p.z && word == "ATOM") {
      if (label.rfind("Li(", 0) == 0) label = "DUM" + label.substr(3, label.size() - 4);
      at[label] = p;
    }
  }
  // The frames of the atom table.
  std::map<std::string, Axes> frames;
  const std::vector<std::string> mas = lines_of(dir.read("xd_vorn.mas"));
  auto it = std::find_if(mas.begin(), mas.end(), [](const std::string& l) { return l.rfind("ATOM     ATOM0", 0) == 0; });
  for (++it; it != mas.end() && *it != "END ATOM"; ++it) {
    if (it->rfind("DUM", 0) == 0) continue;
    ++table_atoms;
    const std::string label(rtrim(it->substr(0, 8))), p1(rtrim(it->substr(9, 8))), p2(rtrim(it->substr(31, 8)));
    const gemmi::Vec3 o = at.at(label);
    const gemmi::Vec3 e1 = (at.at(p1) - o).normalized();
    gemmi::Vec3 e2 = at.at(p2) - o;
    e2 = (e2 - e1 * e2.dot(e1)).normalized();
    const int a = (*it)[19] - 'X', b = (*it)[40] - 'X';
    Axes f;
    f.origin = o;
    f.e[a] = e1;
    f.e[b] = e2;
    f.e[3 - a - b] = (b - a + 3) % 3 == 1 ? e1.cross(e2) : e2.cross(e1);
    frames[label] = f;
  }
  return frames;
}

void check_drawing(const std::string& res, const std::string& extra) {
  SCOPED_TRACE(res);
  ScratchDir dir;
  dir.copy_in(test_data("shelx/" + res), "s.res");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT s.res\n" + extra);
  ASSERT_EQ(run_vorn(dir).status, 0);
  const std::string svg = dir.read("vorn.svg");
  std::string why;
  EXPECT_TRUE(well_formed(svg, why)) << why;

  int table_atoms = 0;
  const std::map<std::string, Axes> frames = written_frames(dir, table_atoms);
  ASSERT_GT(frames.size(), 3u);

  // Each panel's projection, then every arrow of its frames.
  static const std::regex panel_re(R"(<g class="panel"[^>]*>)"), frame_re(R"re(<g class="frame" data-atom="([^"]*)")re"),
      line_re(R"re(<line class="axis-([xyz])"[^>]*>)re"),
      end_on_re(R"re(<circle class="axis-([xyz]) end-on" data-toward="([01])")re");
  int triples = 0;
  for (std::sregex_iterator p(svg.begin(), svg.end(), panel_re), end; p != end; ++p) {
    const std::string head = p->str();
    const gemmi::Vec3 u = vec(attribute(head, "data-u")), v = vec(attribute(head, "data-v"));
    const std::size_t from = static_cast<std::size_t>(p->position()), to = svg.find("<g class=\"panel\"", from + 1);
    const std::string body = svg.substr(from, to == std::string::npos ? std::string::npos : to - from);
    // Rows of panels end by 1,200 px; only a panel alone in its row is wider.
    const std::string frame_box = body.substr(body.find("<rect"), body.find('>', body.find("<rect")));
    const double left = std::stod(attribute(frame_box, "x")), right = left + std::stod(attribute(frame_box, "width"));
    if (left > 20.5) {
      EXPECT_LE(right, 1200.0) << head;
    }
    for (std::sregex_iterator f(body.begin(), body.end(), frame_re); f != end; ++f) {
      const std::string label = (*f)[1];
      const std::string group = body.substr(static_cast<std::size_t>(f->position()), body.find("</g>", static_cast<std::size_t>(f->position())) - static_cast<std::size_t>(f->position()));
      int arrows = 0;
      for (std::sregex_iterator l(group.begin(), group.end(), line_re); l != end; ++l, ++arrows) {
        const std::string line = l->str();
        const int k = (*l)[1].str()[0] - 'x';
        const double dx = std::stod(attribute(line, "x2")) - std::stod(attribute(line, "x1"));
        const double dy = std::stod(attribute(line, "y2")) - std::stod(attribute(line, "y1"));
        if (!frames.count(label)) continue;
        const gemmi::Vec3 e = frames.at(label).e[k];
        const double px = e.dot(u), py = -e.dot(v);   // the drawing's y runs down
        if (std::hypot(px, py) < 0.2 || std::hypot(dx, dy) < 8) continue;   // seen end-on
        EXPECT_GT((dx * px + dy * py) / (std::hypot(dx, dy) * std::hypot(px, py)), 0.999) << label << " axis " << k;
      }
      // An axis along the line of sight: a dot towards the viewer, a cross away.
      for (std::sregex_iterator l(group.begin(), group.end(), end_on_re); l != end; ++l, ++arrows) {
        if (!frames.count(label)) continue;
        const gemmi::Vec3 e = frames.at(label).e[(*l)[1].str()[0] - 'x'];
        EXPECT_LT(std::hypot(e.dot(u), e.dot(v)), 0.3) << label;
        EXPECT_EQ((*l)[2] == "1", e.dot(u.cross(v)) > 0) << label;
      }
      EXPECT_EQ(arrows, 3) << label;
      ++triples;
    }
  }
  EXPECT_EQ(triples, table_atoms);
}

TEST(AxesDrawing, OneArrowTriplePerAtomAlongItsWrittenAxes) {
  check_drawing("paracetamol_P21n.res", "RINGS 3 8 *special\n");
  check_drawing("urea_P-421m_special_positions.res", "NCELLS 1\n");
  check_drawing("thpp_P21n_disorder_cctbx.ins", "");
  check_drawing("C2c_AlGa_fluoroalkoxy_MOESM1367.res", "");   // ten molecules: rows of panels
}

// The drawing of the bundled example, rendered by headless Chromium when
// the machine has it (make check installs it): some of the page is drawn,
// in the three axis colours.
TEST(AxesDrawing, RendersInABrowser) {
  const char* browser = std::getenv("VORN_CHROMIUM");
  const std::string chromium = browser ? browser : "/usr/bin/chromium";
  if (std::system(("test -x " + chromium).c_str()) != 0) GTEST_SKIP() << "no Chromium at " << chromium;
  ScratchDir dir;
  for (const char* f : {"vorn.inp", "paracetamol.res", "vorn.db"})
    dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/" + f, f);
  ASSERT_EQ(run_vorn(dir).status, 0);
  const std::string png = dir.file("shot.png");
  const std::string cmd = chromium + " --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=900,700 "
                          "--screenshot=" + png + " file://" + dir.file("vorn.svg") + " > /dev/null 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  int w = 0, h = 0, n = 0;
  unsigned char* pixels = stbi_load(png.c_str(), &w, &h, &n, 3);
  ASSERT_NE(pixels, nullptr);
  long drawn = 0, red = 0, green = 0, blue = 0;
  for (long k = 0; k < long(w) * h; ++k) {
    const int r = pixels[3 * k], g = pixels[3 * k + 1], b = pixels[3 * k + 2];
    drawn += r + g + b < 600;
    red += r > 180 && g < 90 && b < 90;
    green += g > 130 && r < 90 && b < 90;
    blue += b > 150 && r < 80 && g < 150;
  }
  stbi_image_free(pixels);
  EXPECT_GT(drawn, long(w) * h / 100);
  EXPECT_GT(red, 20);
  EXPECT_GT(green, 20);
  EXPECT_GT(blue, 20);
}

// A density map (the thiophene ring of the nitrothiophene aldehyde, the
// bundled bank's model) in headless Chromium: the positive contours are
// drawn blue, the negative ones red.
TEST(DensityMap, RendersInABrowser) {
  const char* browser = std::getenv("VORN_CHROMIUM");
  const std::string chromium = browser ? browser : "/usr/bin/chromium";
  if (std::system(("test -x " + chromium).c_str()) != 0) GTEST_SKIP() << "no Chromium at " << chromium;
  ScratchDir dir;
  dir.copy_in(test_data("shelx/nitrothiophene_carbaldehyde_Pna21.res"), "s.res");
  dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT s.res\nRINGS 3 8\nDATABANK vorn.db\nCHFRAG 0.\nPICTURES *maps\n");
  ASSERT_EQ(run_vorn(dir).status, 0);
  const std::string png = dir.file("map.png");
  ASSERT_EQ(std::system((chromium + " --headless --no-sandbox --disable-gpu --hide-scrollbars --window-size=500,560 "
                         "--screenshot=" + png + " file://" + dir.file("vorn_map_1.svg") + " > /dev/null 2>&1").c_str()), 0);
  int w = 0, h = 0, n = 0;
  unsigned char* pixels = stbi_load(png.c_str(), &w, &h, &n, 3);
  ASSERT_NE(pixels, nullptr);
  long red = 0, blue = 0;
  for (long k = 0; k < long(w) * h; ++k) {
    const int r = pixels[3 * k], g = pixels[3 * k + 1], b = pixels[3 * k + 2];
    red += r > 150 && g < 100 && b < 100;
    blue += b > 120 && r < 90 && g < 120;
  }
  stbi_image_free(pixels);
  EXPECT_GT(red, 50);
  EXPECT_GT(blue, 50);
}

// vorn.html in headless Chromium, driven by tests/e2e/page_driver.mjs (node):
// the page loads from disk with no console error and no network request, a
// drag turns the molecule, a click on a table row centres and highlights
// its atom, and the arrow heads show the colours of the axes that the test
// computes from xd_vorn.mas where the viewer projects them.
TEST(SetupPage, LoadsTurnsSelectsAndColoursTheAxes) {
  const char* browser = std::getenv("VORN_CHROMIUM");
  const std::string chromium = browser ? browser : "/usr/bin/chromium";
  if (std::system(("test -x " + chromium).c_str()) != 0) GTEST_SKIP() << "no Chromium at " << chromium;
  if (std::system("node --experimental-websocket -e \"typeof WebSocket === 'function' || process.exit(1)\" "
                  "> /dev/null 2>&1") != 0)
    GTEST_SKIP() << "no node with a WebSocket client to drive Chromium";
  ScratchDir dir;
  dir.copy_in(test_data("shelx/paracetamol_P21n.res"), "s.res");
  dir.copy_in(std::string(VORN_SOURCE_DIR) + "/examples/vorn.db", "vorn.db");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT s.res\nDATABANK vorn.db\nPICTURES *page\n");
  ASSERT_EQ(run_vorn(dir).status, 0);
  const std::string page = dir.read("vorn.html");
  if (dir.read("vorn.out").find("written without its 3D view") != std::string::npos)
    GTEST_SKIP() << "vorn.html was written without the viewer library (tools/install-deps.sh installs it)";

  // Points to project: each atom, then each axis 0.8 A long (the page's
  // length) at 86 % of its length, inside the arrow head.
  int table_atoms = 0;
  const std::map<std::string, Axes> frames = written_frames(dir, table_atoms);
  std::vector<gemmi::Vec3> points;
  for (const auto& [label, f] : frames) points.push_back(f.origin);
  for (const auto& [label, f] : frames)
    for (const gemmi::Vec3& e : f.e) points.push_back(f.origin + e * (0.8 * 0.86));
  std::string list;
  for (const gemmi::Vec3& p : points)
    list += (list.empty() ? "[[" : ",[") + std::to_string(p.x) + "," + std::to_string(p.y) + "," + std::to_string(p.z) + "]";
  dir.write("points.json", list + "]");
  const int row = 5;
  ASSERT_EQ(std::system(("node --experimental-websocket " + std::string(VORN_SOURCE_DIR) + "/tests/e2e/page_driver.mjs " +
                         chromium + " " + dir.file("vorn.html") + " " + dir.file("points.json") + " " + std::to_string(row) +
                         " " + dir.path() + " > " + dir.file("report.txt") + " 2>&1").c_str()), 0)
      << dir.read("report.txt");

  std::vector<std::array<double, 2>> at;
  std::string selected_rows;
  std::array<double, 4> viewer{};
  std::array<double, 2> selected_at{};
  int surfaces = 0;
  for (const std::string& l : lines_of(dir.read("report.txt"))) {
    std::istringstream in(l);
    std::string word;
    in >> word;
    EXPECT_TRUE(word != "error" && word != "request") << l;
    if (word == "point") at.push_back({}), in >> at.back()[0] >> at.back()[1];
    if (word == "viewer") in >> viewer[0] >> viewer[1] >> viewer[2] >> viewer[3];
    if (word == "selected_at") in >> selected_at[0] >> selected_at[1];
    if (word == "selected_rows") selected_rows = l;
    if (word == "surfaces") in >> surfaces;
  }
  // The bank's model: two isosurfaces (+ and -) per grid block of the
  // deformation density, drawn at load with no console error.
  EXPECT_GT(surfaces, 1);
  ASSERT_EQ(at.size(), points.size());
  std::map<std::string, std::vector<unsigned char>> shots;
  int w = 0, h = 0, channels = 0;
  for (const char* name : {"before.png", "after.png", "clicked.png"})
    if (unsigned char* p = stbi_load(dir.file(name).c_str(), &w, &h, &channels, 3))
      shots[name].assign(p, p + 3L * w * h), stbi_image_free(p);
  ASSERT_EQ(shots.size(), 3u);
  auto pixel = [&](const char* shot, double x, double y) {
    const auto& rgb = shots[shot];
    const long i = 3 * (std::lround(y) * w + std::lround(x));
    return std::array<int, 3>{rgb[i], rgb[i + 1], rgb[i + 2]};
  };

  // The arrow heads: a head is checked where its axis lies nearly across
  // the view (one along the line of sight may be behind its atom), no atom
  // lies within 20 px (oxygen and nitrogen share the colours of X and Z)
  // and no other head within 6 px.  It must show its own colour about it
  // (two in three: a bond or atom nearer the viewer may hide one), and
  // never another axis's colour at its centre.
  const std::size_t n = frames.size();
  auto colour_of = [](std::array<int, 3> c) {   // shaded: one channel twice the others
    for (int k = 0; k < 3; ++k)
      if (c[k] > 40 && c[k] > 2 * c[(k + 1) % 3] && c[k] > 2 * c[(k + 2) % 3]) return k;
    return -1;
  };
  auto across = [&](std::size_t t) { return std::hypot(at[t][0] - at[(t - n) / 3][0], at[t][1] - at[(t - n) / 3][1]); };
  double longest = 0;
  for (std::size_t t = n; t < at.size(); ++t) longest = std::max(longest, across(t));
  int checked = 0, right = 0, wrong = 0;
  for (std::size_t t = n; t < at.size(); ++t) {
    auto near = [&](std::size_t from, std::size_t to, double r) {
      for (std::size_t j = from; j < to; ++j)
        if (j != t && std::hypot(at[j][0] - at[t][0], at[j][1] - at[t][1]) < r) return true;
      return false;
    };
    if (across(t) < 0.7 * longest || near(0, n, 20) || near(n, at.size(), 6)) continue;
    const int axis = int((t - n) % 3), centre = colour_of(pixel("before.png", at[t][0], at[t][1]));
    bool seen = false;
    for (int d = 0; d < 9; ++d) seen |= colour_of(pixel("before.png", at[t][0] + d % 3 - 1, at[t][1] + d / 3 - 1)) == axis;
    ++checked;
    right += seen;
    wrong += centre >= 0 && centre != axis;
  }
  EXPECT_GT(checked, 10);
  EXPECT_GE(right, checked * 2 / 3) << right << " of " << checked;
  EXPECT_EQ(wrong, 0);

  // The drag changed the picture where the molecule is.
  double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
  for (std::size_t i = 0; i < n; ++i)
    x0 = std::min(x0, at[i][0]), y0 = std::min(y0, at[i][1]), x1 = std::max(x1, at[i][0]), y1 = std::max(y1, at[i][1]);
  long changed = 0;
  for (double y = y0; y <= y1; ++y)
    for (double x = x0; x <= x1; ++x) changed += pixel("before.png", x, y) != pixel("after.png", x, y);
  EXPECT_GT(changed, long((x1 - x0) * (y1 - y0) / 20));

  // The clicked row alone is selected; its atom is at the centre of the
  // view under the yellow highlight.
  EXPECT_EQ(selected_rows, "selected_rows " + std::to_string(row));
  EXPECT_NEAR(selected_at[0], viewer[0] + viewer[2] / 2, 2);
  EXPECT_NEAR(selected_at[1], viewer[1] + viewer[3] / 2, 2);
  const auto c = pixel("clicked.png", selected_at[0], selected_at[1] - 12);
  EXPECT_TRUE(c[0] > 150 && c[1] > 120 && c[2] < 120) << c[0] << ' ' << c[1] << ' ' << c[2];
}

}  // namespace
}  // namespace vorn::test
