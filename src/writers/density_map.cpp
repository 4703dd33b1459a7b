#include "writers/density_map.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <gemmi/eig3.hpp>

#include "writers/contour_lines.hpp"

namespace vorn {

namespace {

constexpr double kScale = 60;        // px per Angstrom
constexpr double kBorder = 12;       // px around the map
constexpr double kHead = 44;         // px above it for the title and the key
constexpr double kNearPlane = 0.5;   // Angstrom: atoms closer are drawn

double dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Vec3 minus(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

Vec3 unit(const Vec3& a) {
  const double n = std::sqrt(dot(a, a));
  return n > 0 ? Vec3{a[0] / n, a[1] / n, a[2] / n} : Vec3{1, 0, 0};
}

std::string number(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", v);
  return std::string(buf) == "-0.0" ? "0.0" : buf;
}

std::string exact(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6f", v);
  return buf;
}

std::string text(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '<') out += "&lt;";
    else if (c == '>') out += "&gt;";
    else if (c == '&') out += "&amp;";
    else out += c;
  }
  return out;
}

}  // namespace

MapPlane plane_through(const std::vector<Vec3>& points, std::string title) {
  MapPlane p;
  p.title = std::move(title);
  for (const Vec3& x : points)
    for (std::size_t k = 0; k < 3; ++k) p.origin[k] += x[k] / static_cast<double>(points.size());
  gemmi::SMat33<double> spread{0, 0, 0, 0, 0, 0};
  for (const Vec3& x : points) {
    const Vec3 d = minus(x, p.origin);
    spread.u11 += d[0] * d[0];
    spread.u22 += d[1] * d[1];
    spread.u33 += d[2] * d[2];
    spread.u12 += d[0] * d[1];
    spread.u13 += d[0] * d[2];
    spread.u23 += d[1] * d[2];
  }
  double value[3];
  const gemmi::Mat33 vectors = gemmi::eigen_decomposition(spread, value);
  const int least = static_cast<int>(std::min_element(value, value + 3) - value);
  const gemmi::Vec3 n = vectors.column_copy(least);
  const Vec3 normal = unit({n.x, n.y, n.z});
  Vec3 towards = minus(points.front(), p.origin);
  const double along = dot(towards, normal);
  for (std::size_t k = 0; k < 3; ++k) towards[k] -= along * normal[k];
  p.u = unit(towards);
  p.v = cross(normal, p.u);
  p.u0 = p.v0 = 1e300;
  p.u1 = p.v1 = -1e300;
  for (const Vec3& x : points) {
    const Vec3 d = minus(x, p.origin);
    p.u0 = std::min(p.u0, dot(d, p.u)), p.u1 = std::max(p.u1, dot(d, p.u));
    p.v0 = std::min(p.v0, dot(d, p.v)), p.v1 = std::max(p.v1, dot(d, p.v));
  }
  p.u0 -= kMapMargin, p.v0 -= kMapMargin, p.u1 += kMapMargin, p.v1 += kMapMargin;
  return p;
}

DensityMap sample_map(const MapPlane& plane, const DeformationDensity& density, double step) {
  DensityMap m;
  m.plane = plane;
  m.step = step;
  m.columns = static_cast<int>(std::ceil((plane.u1 - plane.u0) / step)) + 1;
  m.rows = static_cast<int>(std::ceil((plane.v1 - plane.v0) / step)) + 1;
  for (int j = 0; j < m.rows; ++j)
    for (int i = 0; i < m.columns; ++i) {
      const double a = plane.u0 + i * step, b = plane.v0 + j * step;
      m.values.push_back(density.at({plane.origin[0] + a * plane.u[0] + b * plane.v[0],
                                     plane.origin[1] + a * plane.u[1] + b * plane.v[1],
                                     plane.origin[2] + a * plane.u[2] + b * plane.v[2]}));
    }
  return m;
}

void write_density_map(const DensityMap& map, const std::vector<MapAtom>& atoms,
                       const std::vector<std::array<int, 2>>& bonds, std::ostream& os) {
  const MapPlane& p = map.plane;
  // Wide enough for the key above the map.
  const double width = std::max(kScale * (p.u1 - p.u0) + 2 * kBorder, 520.0);
  const double height = kScale * (p.v1 - p.v0) + 2 * kBorder + kHead;
  // Where the plane's origin lands: u to the right, v upwards.
  const double x0 = kBorder - kScale * p.u0, y0 = kHead + kBorder + kScale * p.v1;
  os << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" << number(width) << "\" height=\"" << number(height)
     << "\" viewBox=\"0 0 " << number(width) << ' ' << number(height) << "\">\n"
     << "<title>Static deformation density in the plane of " << text(p.title) << "</title>\n"
     << "<style>path{fill:none;stroke-width:1}.pos{stroke:#0030c0}.neg{stroke:#d00000;stroke-dasharray:5 3}"
        ".zero{stroke:#000;stroke-dasharray:1 2}line{stroke:#404040;stroke-width:2}circle{fill:#404040}"
        "text{font:12px DejaVu Sans,Arial,sans-serif}</style>\n"
     << "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n"
     << "<text x=\"" << number(kBorder) << "\" y=\"18\">Static deformation density, plane of " << text(p.title)
     << "</text>\n<text x=\"" << number(kBorder) << "\" y=\"36\" style=\"font-size:11px\">contours every "
     << kContourStep << " e/A^3 to +-" << kContourStep * kContourLevels
     << ": positive solid blue, negative dashed red, zero dotted</text>\n"
     << "<rect x=\"" << number(kBorder) << "\" y=\"" << number(kHead + kBorder) << "\" width=\""
     << number(kScale * (p.u1 - p.u0)) << "\" height=\"" << number(height - kHead - 2 * kBorder)
     << "\" fill=\"none\" stroke=\"#a0a0a0\"/>\n"
     << "<g id=\"map\" data-origin=\"" << exact(p.origin[0]) << ' ' << exact(p.origin[1]) << ' ' << exact(p.origin[2])
     << "\" data-u=\"" << exact(p.u[0]) << ' ' << exact(p.u[1]) << ' ' << exact(p.u[2]) << "\" data-v=\""
     << exact(p.v[0]) << ' ' << exact(p.v[1]) << ' ' << exact(p.v[2]) << "\" data-scale=\"" << kScale
     << "\" data-offset=\"" << exact(x0) << ' ' << exact(y0) << "\" data-grid=\"" << exact(p.u0) << ' '
     << exact(p.v0) << ' ' << exact(map.step) << "\">\n";
  for (int k = -kContourLevels; k <= kContourLevels; ++k) {
    const double level = k * kContourStep;
    const std::vector<ContourLine> lines = contour_lines(map.values, map.columns, map.rows, level);
    if (lines.empty()) continue;
    os << "<path class=\"" << (k > 0 ? "pos" : k < 0 ? "neg" : "zero") << "\" data-level=\"" << exact(level)
       << "\" d=\"";
    bool first_line = true;
    for (const ContourLine& line : lines) {
      os << (first_line ? "" : " ");
      first_line = false;
      for (std::size_t n = 0; n < line.points.size(); ++n) {
        const double a = p.u0 + line.points[n][0] * map.step, b = p.v0 + line.points[n][1] * map.step;
        os << (n == 0 ? "M" : "L") << number(x0 + kScale * a) << ',' << number(y0 - kScale * b);
      }
      if (line.closed) os << 'Z';
    }
    os << "\"/>\n";
  }
  // The atoms of the plane, with their bonds.
  const Vec3 normal = cross(p.u, p.v);
  std::vector<char> shown(atoms.size(), 0);
  std::vector<std::array<double, 2>> at(atoms.size());
  for (std::size_t i = 0; i < atoms.size(); ++i) {
    const Vec3 d = minus(atoms[i].position, p.origin);
    const double a = dot(d, p.u), b = dot(d, p.v);
    shown[i] = std::fabs(dot(d, normal)) <= kNearPlane && a >= p.u0 && a <= p.u1 && b >= p.v0 && b <= p.v1;
    at[i] = {x0 + kScale * a, y0 - kScale * b};
  }
  for (const std::array<int, 2>& bond : bonds) {
    const auto i = static_cast<std::size_t>(bond[0]), j = static_cast<std::size_t>(bond[1]);
    if (shown[i] && shown[j])
      os << "<line x1=\"" << number(at[i][0]) << "\" y1=\"" << number(at[i][1]) << "\" x2=\"" << number(at[j][0])
         << "\" y2=\"" << number(at[j][1]) << "\"/>\n";
  }
  for (std::size_t i = 0; i < atoms.size(); ++i)
    if (shown[i])
      os << "<circle cx=\"" << number(at[i][0]) << "\" cy=\"" << number(at[i][1]) << "\" r=\"3\"/><text x=\""
         << number(at[i][0] + 5) << "\" y=\"" << number(at[i][1] - 5) << "\">" << text(atoms[i].label) << "</text>\n";
  os << "</g>\n</svg>\n";
}

}  // namespace vorn
