// vorn.svg on real runs: well-formed XML, one arrow triple per atom of the
// atom table, each arrow along the projection of that atom's axis as the
// written xd_vorn.mas defines it (from the Cartesian coordinates of
// vorn.ang), and a rendering in a real browser that is not blank.
#include <gtest/gtest.h>

#include <gemmi/math.hpp>

#include <cstdlib>
#include <map>
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

void check_drawing(const std::string& res, const std::string& extra) {
  SCOPED_TRACE(res);
  ScratchDir dir;
  dir.copy_in(test_data("shelx/" + res), "s.res");
  dir.write("vorn.inp", "FORMAT *shelx\nINPUT s.res\n" + extra);
  ASSERT_EQ(run_vorn(dir).status, 0);
  const std::string svg = dir.read("vorn.svg");
  std::string why;
  EXPECT_TRUE(well_formed(svg, why)) << why;

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
  struct Axes { gemmi::Vec3 e[3]; };
  std::map<std::string, Axes> frames;
  int table_atoms = 0;
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
    f.e[a] = e1;
    f.e[b] = e2;
    f.e[3 - a - b] = (b - a + 3) % 3 == 1 ? e1.cross(e2) : e2.cross(e1);
    frames[label] = f;
  }
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

}  // namespace
}  // namespace vorn::test
