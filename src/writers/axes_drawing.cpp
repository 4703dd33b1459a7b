#include "writers/axes_drawing.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <numeric>
#include <set>
#include <unordered_map>

#include <gemmi/eig3.hpp>

#include "localframe/site_frame.hpp"
#include "structure/elements.hpp"
#include "writers/molecules.hpp"

namespace vorn {

namespace {

constexpr double kScale = 60;          // pixels per Angstrom
constexpr double kAxisLength = 0.7;    // Angstrom
constexpr double kMargin = 1.4;        // Angstrom around a molecule
constexpr double kPanelGap = 20;       // pixels between panels
constexpr double kMaxRowWidth = 1200;  // pixels before a new row of panels: a page or a screen wide
constexpr double kLegendHeight = 64;
constexpr double kCharWidth = 6.6;     // of the 11-pixel labels
constexpr double kLabelHeight = 11;

const char* const kAxisColour[3] = {"#d62728", "#2ca02c", "#1f77b4"};   // X, Y, Z
// An axis whose projection is shorter than this share of its length (within
// about 15 degrees of the line of sight) is drawn end-on.
constexpr double kEndOn = 0.26;
// Where an end-on axis is marked, beside the atom's lower right.
constexpr double kEndOnOffset[3][2] = {{-11, 11}, {0, 14}, {11, 11}};

std::string num(double v) {
  if (!std::isfinite(v)) v = 0;   // a degenerate cell: the drawing stays readable XML
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", std::fabs(v) < 0.05 ? 0.0 : v);
  return buf;
}

std::string num3(const gemmi::Vec3& v) {
  char buf[96];
  std::snprintf(buf, sizeof buf, "%.6f %.6f %.6f", v.x, v.y, v.z);
  return buf;
}

std::string escaped(std::string_view s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      default: out += c;
    }
  }
  return out;
}

struct ElementStyle {
  const char* fill;
  double radius;   // pixels
};

ElementStyle element_style(int z) {
  switch (z) {
    case 1: return {"#f4f4f4", 5};
    case 6: return {"#505050", 8};
    case 7: return {"#3050f8", 8};
    case 8: return {"#ff2010", 8};
    case 9: case 17: return {"#30c030", 9};
    case 15: return {"#ff8000", 10};
    case 16: return {"#e0c000", 10};
    case 35: return {"#a62929", 10};
    case 53: return {"#940094", 11};
    default: return {z == 0 ? "#c0c0c0" : "#c080c0", z > 18 ? 11.0 : 9.0};
  }
}

gemmi::Vec3 position(const Atom& a) { return {a.cartesian[0], a.cartesian[1], a.cartesian[2]}; }

// The view of a molecule: along the normal of its best plane, the longest
// extent across.
struct Projection {
  gemmi::Vec3 origin, u, v;
  double x0 = 0, y0 = 0;   // where the origin lands in the drawing
  std::array<double, 2> at(const gemmi::Vec3& p) const {
    const gemmi::Vec3 d = p - origin;
    return {x0 + kScale * d.dot(u), y0 - kScale * d.dot(v)};
  }
};

Projection best_plane_view(const std::vector<gemmi::Vec3>& points) {
  Projection p;
  for (const gemmi::Vec3& x : points) p.origin += x;
  p.origin /= static_cast<double>(points.size());
  gemmi::SMat33<double> cov{0, 0, 0, 0, 0, 0};
  for (const gemmi::Vec3& x : points) {
    const gemmi::Vec3 d = x - p.origin;
    cov.u11 += d.x * d.x;
    cov.u22 += d.y * d.y;
    cov.u33 += d.z * d.z;
    cov.u12 += d.x * d.y;
    cov.u13 += d.x * d.z;
    cov.u23 += d.y * d.z;
  }
  p.u = {1, 0, 0};
  p.v = {0, 1, 0};
  if (points.size() < 2) return p;
  double value[3];
  const gemmi::Mat33 vec = gemmi::eigen_decomposition(cov, value);
  std::array<int, 3> order{0, 1, 2};
  std::sort(order.begin(), order.end(), [&](int a, int b) { return value[a] > value[b]; });
  p.u = vec.column_copy(order[0]).normalized();
  p.v = vec.column_copy(order[1]).normalized();
  if (points.size() == 2 || value[order[1]] < 1e-8) {
    // A straight molecule: any direction across it.
    const gemmi::Vec3 helper = std::fabs(p.u.x) < 0.9 ? gemmi::Vec3(1, 0, 0) : gemmi::Vec3(0, 1, 0);
    p.v = (helper - p.u * helper.dot(p.u)).normalized();
  }
  return p;
}

struct Box {
  double x0, y0, x1, y1;
  double overlap(const Box& o) const {
    const double w = std::min(x1, o.x1) - std::max(x0, o.x0), h = std::min(y1, o.y1) - std::max(y0, o.y0);
    return w > 0 && h > 0 ? w * h : 0;
  }
};

// What a panel already shows (atoms, arrow heads, labels), in cells of a
// grid so that placing a label looks only at its neighbourhood.
class TakenBoxes {
public:
  void add(const Box& b) {
    const std::size_t n = boxes_.size();
    boxes_.push_back(b);
    for_cells(b, [&](std::int64_t key) { cells_[key].push_back(n); });
  }
  double overlap(const Box& b) const {
    std::set<std::size_t> seen;
    double sum = 0;
    for_cells(b, [&](std::int64_t key) {
      const auto it = cells_.find(key);
      if (it == cells_.end()) return;
      for (std::size_t k : it->second)
        if (seen.insert(k).second) sum += b.overlap(boxes_[k]);
    });
    return sum;
  }

private:
  static constexpr double kCell = 48;
  template <class F>
  static void for_cells(const Box& b, F f) {
    // A box that is not finite (coordinates of a degenerate cell) or lies
    // beyond any drawing covers no cell.
    constexpr double kFar = 1e7;
    for (const double v : {b.x0, b.y0, b.x1, b.y1})
      if (!std::isfinite(v) || std::fabs(v) > kFar) return;
    const auto lo_x = static_cast<std::int64_t>(std::floor(b.x0 / kCell)), hi_x = static_cast<std::int64_t>(std::floor(b.x1 / kCell));
    const auto lo_y = static_cast<std::int64_t>(std::floor(b.y0 / kCell)), hi_y = static_cast<std::int64_t>(std::floor(b.y1 / kCell));
    for (std::int64_t i = lo_x; i <= hi_x; ++i)
      for (std::int64_t j = lo_y; j <= hi_y; ++j) f(i * 1000003 + j);
  }
  std::vector<Box> boxes_;
  std::unordered_map<std::int64_t, std::vector<std::size_t>> cells_;
};

// The place of a label beside its atom that covers the fewest other things.
Box place_label(double x, double y, double radius, std::size_t chars, const TakenBoxes& taken) {
  const double w = kCharWidth * static_cast<double>(chars), h = kLabelHeight;
  const double r = radius + 3;
  const std::array<std::array<double, 2>, 8> dirs{
      {{1, -1}, {1, 1}, {-1, -1}, {-1, 1}, {1, 0}, {-1, 0}, {0, -1}, {0, 1}}};
  Box best{};
  double best_cost = -1;
  // Beside the atom first; around crowded atoms (metal centres) further
  // out, where the label no longer covers its neighbours' labels.
  for (const double away : {0.0, 10.0, 22.0})
    for (const auto& d : dirs) {
      const double cx = x + d[0] * (r + away + w / 2), cy = y + d[1] * (r + away + h / 2);
      const Box b{cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2};
      const double cost = taken.overlap(b) + away;   // a free place near the atom wins
      if (best_cost < 0 || cost < best_cost) {
        best = b;
        best_cost = cost;
      }
      if (cost == 0) return best;
    }
  return best;
}

struct Panel {
  std::vector<int> atoms;
  std::set<int> dummies;   // numbers of the dummies its frames use
  Projection view;
  double width = 0, height = 0;
  double min_x = 0, min_y = 0;   // of the drawing before the offset
};

void write_legend(std::ostream& os, const std::set<int>& elements, double width) {
  os << "<g class=\"legend\">\n";
  os << "<text x=\"10\" y=\"18\" font-size=\"14\" font-weight=\"bold\">VORN: local axes of every atom</text>\n";
  double x = 10;
  const double y = 42;
  for (int k = 0; k < 3; ++k) {
    os << "<line x1=\"" << num(x) << "\" y1=\"" << num(y) << "\" x2=\"" << num(x + 24) << "\" y2=\"" << num(y)
       << "\" stroke=\"" << kAxisColour[k] << "\" stroke-width=\"2.5\" marker-end=\"url(#arrow" << k << ")\"/>\n";
    os << "<text x=\"" << num(x + 30) << "\" y=\"" << num(y + 4) << "\">" << char('X' + k) << "</text>\n";
    x += 56;
  }
  for (int z : elements) {
    const ElementStyle s = element_style(z);
    std::string symbol(two_letter_symbol(z));
    symbol.erase(symbol.find_last_not_of(' ') + 1);
    os << "<circle cx=\"" << num(x + 6) << "\" cy=\"" << num(y) << "\" r=\"6\" fill=\"" << s.fill
       << "\" stroke=\"#333\"/><text x=\"" << num(x + 16) << "\" y=\"" << num(y + 4) << "\">" << escaped(symbol)
       << "</text>\n";
    x += 22 + kCharWidth * static_cast<double>(symbol.size()) + 10;
  }
  os << "<path d=\"M" << num(x) << ' ' << num(y - 5) << " l10 10 m0 -10 l-10 10\" stroke=\"#888\"/><text x=\""
     << num(x + 16) << "\" y=\"" << num(y + 4) << "\">dummy atom</text>\n";
  x += 100;
  os << "<circle cx=\"" << num(x + 6) << "\" cy=\"" << num(y) << "\" r=\"7\" fill=\"none\" stroke=\"#e6a000\" "
     << "stroke-width=\"3\"/><text x=\"" << num(x + 18) << "\" y=\"" << num(y + 4)
     << "\">special position</text>\n";
  x += 130;
  os << "<circle cx=\"" << num(x + 6) << "\" cy=\"" << num(y) << "\" r=\"7\" fill=\"none\" stroke=\"#ff00aa\" "
     << "stroke-width=\"2\" stroke-dasharray=\"3 2\"/><text x=\"" << num(x + 18) << "\" y=\"" << num(y + 4)
     << "\">warning, see vorn.out</text>\n";
  x += 160;
  os << "<circle cx=\"" << num(x + 6) << "\" cy=\"" << num(y) << "\" r=\"4.5\" fill=\"none\" stroke=\"#333\"/><circle cx=\""
     << num(x + 6) << "\" cy=\"" << num(y) << "\" r=\"1.6\" fill=\"#333\"/><circle cx=\"" << num(x + 20) << "\" cy=\""
     << num(y) << "\" r=\"4.5\" fill=\"none\" stroke=\"#333\"/><path d=\"M" << num(x + 17) << ' ' << num(y - 3)
     << " l6 6 m0 -6 l-6 6\" stroke=\"#333\"/><text x=\"" << num(x + 30) << "\" y=\"" << num(y + 4)
     << "\">axis towards / away from the viewer</text>\n";
  os << "<line x1=\"0\" y1=\"" << num(kLegendHeight - 6) << "\" x2=\"" << num(width) << "\" y2=\""
     << num(kLegendHeight - 6) << "\" stroke=\"#ccc\"/>\n</g>\n";
}

}  // namespace

void write_axes_drawing(const Model& model, const Neighbors& neighbours, const std::vector<DrawnDummy>& dummies,
                        const std::vector<AtomSetup>& setup, const std::set<int>& warned_atoms, std::ostream& os) {
  // The dummy number (from 1) of an axis point, 0 for an atom or none.
  auto dummy_of = [&](int point) { return point >= model.natom ? point - model.natom + 1 : 0; };
  auto frame_of = [&](int i) -> const Frame& { return setup[static_cast<std::size_t>(i)].frame; };
  const bool framed = static_cast<int>(setup.size()) >= model.natom;

  // Panels: one per molecule, sized to its atoms, its dummies and its axes.
  std::vector<Panel> panels;
  for (std::vector<int>& atoms : molecules(model, neighbours)) {
    Panel p;
    p.atoms = std::move(atoms);
    std::vector<gemmi::Vec3> points;
    for (int i : p.atoms) points.push_back(position(model.atoms[i]));
    p.view = best_plane_view(points);
    if (framed)
      for (int i : p.atoms)
        for (int point : frame_of(i).point)
          if (const int d = dummy_of(point); d >= 1 && d <= static_cast<int>(dummies.size())) p.dummies.insert(d);
    for (int d : p.dummies) points.push_back(dummies[static_cast<std::size_t>(d - 1)].pos);
    double x0 = 1e30, y0 = 1e30, x1 = -1e30, y1 = -1e30;
    for (const gemmi::Vec3& x : points) {
      const auto s = p.view.at(x);
      x0 = std::min(x0, s[0]);
      y0 = std::min(y0, s[1]);
      x1 = std::max(x1, s[0]);
      y1 = std::max(y1, s[1]);
    }
    p.min_x = x0 - kMargin * kScale;
    p.min_y = y0 - kMargin * kScale - 16;   // room for the panel's title
    p.width = x1 - x0 + 2 * kMargin * kScale;
    p.height = y1 - y0 + 2 * kMargin * kScale + 16;
    panels.push_back(std::move(p));
  }

  // Panels in rows, left to right.
  // The drawing is at least as wide as its legend.
  std::set<int> elements;
  for (int i = 0; i < model.natom; ++i) elements.insert(model.atoms[i].atomic_number);
  double legend_width = 10 + 3 * 56 + 100 + 130 + 160 + 230;
  for (int z : elements) legend_width += 32 + kCharWidth * static_cast<double>(two_letter_symbol(z).find_last_not_of(' ') + 1);
  double x = kPanelGap, y = kLegendHeight + kPanelGap, row_height = 0, width = std::max(640.0, legend_width);
  for (Panel& p : panels) {
    if (x > kPanelGap && x + p.width > kMaxRowWidth) {
      x = kPanelGap;
      y += row_height + kPanelGap;
      row_height = 0;
    }
    p.view.x0 = x - p.min_x;
    p.view.y0 = y - p.min_y;
    p.min_x = x;
    p.min_y = y;
    x += p.width + kPanelGap;
    row_height = std::max(row_height, p.height);
    width = std::max(width, x);
  }
  const double height = y + row_height + kPanelGap;

  os << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  os << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << num(width) << "\" height=\"" << num(height)
     << "\" viewBox=\"0 0 " << num(width) << ' ' << num(height)
     << "\" font-family=\"DejaVu Sans, Arial, sans-serif\" font-size=\"11\">\n";
  os << "<title>VORN local axes</title>\n<defs>\n";
  for (int k = 0; k < 3; ++k)
    os << "<marker id=\"arrow" << k << "\" viewBox=\"0 0 10 10\" refX=\"9\" refY=\"5\" markerWidth=\"5\" "
       << "markerHeight=\"5\" orient=\"auto\"><path d=\"M0 0 L10 5 L0 10 z\" fill=\"" << kAxisColour[k]
       << "\"/></marker>\n";
  os << "</defs>\n<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
  write_legend(os, elements, width);

  int number = 0;
  for (const Panel& p : panels) {
    const Projection& v = p.view;
    os << "<g class=\"panel\" data-fragment=\"" << ++number << "\" data-origin=\"" << num3(v.origin)
       << "\" data-u=\"" << num3(v.u) << "\" data-v=\"" << num3(v.v) << "\" data-scale=\"" << num(kScale)
       << "\" data-offset=\"" << num(v.x0) << ' ' << num(v.y0) << "\">\n";
    os << "<rect x=\"" << num(p.min_x) << "\" y=\"" << num(p.min_y) << "\" width=\"" << num(p.width)
       << "\" height=\"" << num(p.height) << "\" fill=\"none\" stroke=\"#ddd\"/>\n";
    os << "<text x=\"" << num(p.min_x + 6) << "\" y=\"" << num(p.min_y + 14) << "\" fill=\"#555\">Molecule "
       << number << " (" << p.atoms.size() << " atom" << (p.atoms.size() == 1 ? "" : "s") << ")</text>\n";

    TakenBoxes taken;
    const std::set<int> members(p.atoms.begin(), p.atoms.end());
    os << "<g class=\"bonds\" stroke=\"#777\" stroke-width=\"2.5\">\n";
    for (int i : p.atoms)
      for (int j : neighbours.of[i].atom)
        if (j > i && members.count(j)) {
          const auto a = v.at(position(model.atoms[i])), b = v.at(position(model.atoms[j]));
          os << "<line x1=\"" << num(a[0]) << "\" y1=\"" << num(a[1]) << "\" x2=\"" << num(b[0]) << "\" y2=\""
             << num(b[1]) << "\"/>\n";
        }
    os << "</g>\n<g class=\"atoms\" stroke=\"#333\">\n";
    for (int i : p.atoms) {
      const Atom& a = model.atoms[i];
      const ElementStyle s = element_style(a.atomic_number);
      const auto c = v.at(position(a));
      taken.add({c[0] - s.radius, c[1] - s.radius, c[0] + s.radius, c[1] + s.radius});
      os << "<circle class=\"atom\" data-atom=\"" << escaped(a.label.trimmed()) << "\" cx=\"" << num(c[0])
         << "\" cy=\"" << num(c[1]) << "\" r=\"" << num(s.radius) << "\" fill=\"" << s.fill << "\"/>\n";
      if (framed && frame_of(i).site_group != "NO")
        os << "<circle class=\"special\" cx=\"" << num(c[0]) << "\" cy=\"" << num(c[1]) << "\" r=\""
           << num(s.radius + 4) << "\" fill=\"none\" stroke=\"#e6a000\" stroke-width=\"3\"/>\n";
      if (framed && (setup[static_cast<std::size_t>(i)].zeroed_populations.any() || warned_atoms.count(i) != 0))
        os << "<circle class=\"warned\" cx=\"" << num(c[0]) << "\" cy=\"" << num(c[1]) << "\" r=\""
           << num(s.radius + 7) << "\" fill=\"none\" stroke=\"#ff00aa\" stroke-width=\"2\" "
           << "stroke-dasharray=\"3 2\"/>\n";
    }
    os << "</g>\n<g class=\"dummies\" stroke=\"#888\">\n";
    for (int d : p.dummies) {
      const DrawnDummy& dm = dummies[static_cast<std::size_t>(d - 1)];
      const auto c = v.at(dm.pos);
      os << "<path class=\"dummy\" data-dummy=\"" << escaped(dm.label) << "\" d=\"M" << num(c[0] - 5) << ' '
         << num(c[1] - 5) << " l10 10 m0 -10 l-10 10\"/>\n";
      const Box b = place_label(c[0], c[1], 5, dm.label.size(), taken);
      taken.add(b);
      os << "<text x=\"" << num(b.x0) << "\" y=\"" << num(b.y1 - 2) << "\" fill=\"#888\" stroke=\"none\">"
         << escaped(dm.label) << "</text>\n";
    }
    os << "</g>\n";
    if (framed) {
      for (int i : p.atoms) {
        const Atom& a = model.atoms[i];
        const Frame& f = frame_of(i);
        const Vec3 at{a.cartesian[0], a.cartesian[1], a.cartesian[2]};
        const gemmi::Mat33 axes = frame_axes(at, f);
        const auto o = v.at(position(a));
        os << "<g class=\"frame\" data-atom=\"" << escaped(a.label.trimmed()) << "\" data-sitesym=\""
           << escaped(a.sitesym.trimmed()) << "\">\n";
        for (int k = 0; k < 3; ++k) {
          const gemmi::Vec3 axis = axes.column_copy(k);
          const auto e = v.at(position(a) + axis * kAxisLength);
          taken.add({e[0] - 3, e[1] - 3, e[0] + 3, e[1] + 3});
          // An axis along the line of sight has no arrow to draw: a dot
          // when it points towards the viewer, a cross when away, beside
          // the atom (its circle would hide a mark at its centre).
          if (std::hypot(axis.dot(v.u), axis.dot(v.v)) < kEndOn) {
            const bool toward = axis.dot(v.u.cross(v.v)) > 0;
            const double mx = o[0] + kEndOnOffset[k][0], my = o[1] + kEndOnOffset[k][1];
            taken.add({mx - 5, my - 5, mx + 5, my + 5});
            os << "<circle class=\"axis-" << char('x' + k) << " end-on\" data-toward=\"" << (toward ? 1 : 0)
               << "\" cx=\"" << num(mx) << "\" cy=\"" << num(my) << "\" r=\"4.5\" fill=\"white\" stroke=\""
               << kAxisColour[k] << "\" stroke-width=\"1.5\"/>";
            if (toward)
              os << "<circle cx=\"" << num(mx) << "\" cy=\"" << num(my) << "\" r=\"1.6\" fill=\"" << kAxisColour[k] << "\"/>";
            else
              os << "<path d=\"M" << num(mx - 3) << ' ' << num(my - 3) << " l6 6 m0 -6 l-6 6\" stroke=\"" << kAxisColour[k]
                 << "\" stroke-width=\"1.5\"/>";
            os << "\n";
            continue;
          }
          os << "<line class=\"axis-" << char('x' + k) << "\" x1=\"" << num(o[0]) << "\" y1=\"" << num(o[1])
             << "\" x2=\"" << num(e[0]) << "\" y2=\"" << num(e[1]) << "\" stroke=\"" << kAxisColour[k]
             << "\" stroke-width=\"2\" marker-end=\"url(#arrow" << k << ")\"/>\n";
        }
        os << "</g>\n";
      }
    }
    os << "<g class=\"labels\">\n";
    for (int i : p.atoms) {
      const Atom& a = model.atoms[i];
      const auto c = v.at(position(a));
      const std::size_t chars = a.label.trimmed().size() + (framed ? 1 + a.sitesym.trimmed().size() : 0);
      const Box b = place_label(c[0], c[1], element_style(a.atomic_number).radius, chars, taken);
      taken.add(b);
      os << "<text x=\"" << num(b.x0) << "\" y=\"" << num(b.y1 - 2) << "\">" << escaped(a.label.trimmed());
      if (framed) os << " <tspan fill=\"#777\">" << escaped(a.sitesym.trimmed()) << "</tspan>";
      os << "</text>\n";
    }
    os << "</g>\n</g>\n";
  }
  os << "</svg>\n";
}

}  // namespace vorn
