#include "writers/contour_lines.hpp"

#include <cstddef>

namespace vorn {

namespace {

// The grid edges: the row edges (i,j)-(i+1,j) first, then the column edges
// (i,j)-(i,j+1).  Every crossing lies on one edge, and two cells share it.
class Edges {
public:
  Edges(const std::vector<double>& values, int columns, int rows, double level)
      : values_(values), columns_(columns), rows_(rows), level_(level) {}
  int along_row(int i, int j) const { return j * (columns_ - 1) + i; }
  int along_column(int i, int j) const { return rows_ * (columns_ - 1) + j * columns_ + i; }
  int count() const { return rows_ * (columns_ - 1) + (rows_ - 1) * columns_; }
  bool above(int i, int j) const { return value(i, j) >= level_; }
  double value(int i, int j) const { return values_[static_cast<std::size_t>(j * columns_ + i)]; }
  std::array<double, 2> crossing(int edge) const {
    const int row_edges = rows_ * (columns_ - 1);
    int i, j, di = 0, dj = 0;
    if (edge < row_edges) {
      i = edge % (columns_ - 1), j = edge / (columns_ - 1), di = 1;
    } else {
      i = (edge - row_edges) % columns_, j = (edge - row_edges) / columns_, dj = 1;
    }
    const double a = value(i, j), b = value(i + di, j + dj);
    const double t = a == b ? 0.5 : (level_ - a) / (b - a);
    return {i + t * di, j + t * dj};
  }

private:
  const std::vector<double>& values_;
  int columns_, rows_;
  double level_;
};

}  // namespace

std::vector<ContourLine> contour_lines(const std::vector<double>& values, int columns, int rows, double level) {
  std::vector<ContourLine> lines;
  if (columns < 2 || rows < 2) return lines;
  const Edges edges(values, columns, rows, level);
  // Segments of every cell, each between two crossed edges.
  std::vector<std::array<int, 2>> segments;
  for (int j = 0; j + 1 < rows; ++j)
    for (int i = 0; i + 1 < columns; ++i) {
      // Corners counter-clockwise from (i,j); edge k runs from corner k to k+1.
      const bool up[4] = {edges.above(i, j), edges.above(i + 1, j), edges.above(i + 1, j + 1), edges.above(i, j + 1)};
      const int side[4] = {edges.along_row(i, j), edges.along_column(i + 1, j), edges.along_row(i, j + 1),
                           edges.along_column(i, j)};
      int crossed[4], n = 0;
      for (int k = 0; k < 4; ++k)
        if (up[k] != up[(k + 1) % 4]) crossed[n++] = k;
      if (n == 2) {
        segments.push_back({side[crossed[0]], side[crossed[1]]});
      } else if (n == 4) {
        const double mean =
            (edges.value(i, j) + edges.value(i + 1, j) + edges.value(i + 1, j + 1) + edges.value(i, j + 1)) / 4;
        if ((mean >= level) == up[0]) {
          // The centre joins corners 0 and 2: corners 1 and 3 are cut off.
          segments.push_back({side[0], side[1]});
          segments.push_back({side[2], side[3]});
        } else {
          segments.push_back({side[3], side[0]});
          segments.push_back({side[1], side[2]});
        }
      }
    }
  // Chain the segments through their shared edges: open lines from the
  // border first (an edge with one segment), then the closed loops.
  std::vector<std::array<int, 2>> at_edge(static_cast<std::size_t>(edges.count()), {-1, -1});
  for (std::size_t s = 0; s < segments.size(); ++s)
    for (int e : segments[s]) {
      std::array<int, 2>& slot = at_edge[static_cast<std::size_t>(e)];
      (slot[0] < 0 ? slot[0] : slot[1]) = static_cast<int>(s);
    }
  std::vector<char> used(segments.size(), 0);
  auto walk = [&](int s, int start) {
    ContourLine line;
    line.points.push_back(edges.crossing(start));
    int edge = start;
    while (s >= 0 && !used[static_cast<std::size_t>(s)]) {
      used[static_cast<std::size_t>(s)] = 1;
      const std::array<int, 2>& seg = segments[static_cast<std::size_t>(s)];
      edge = seg[0] == edge ? seg[1] : seg[0];
      line.points.push_back(edges.crossing(edge));
      const std::array<int, 2>& next = at_edge[static_cast<std::size_t>(edge)];
      s = next[0] == s ? next[1] : next[0];
    }
    line.closed = edge == start && line.points.size() > 2;
    lines.push_back(std::move(line));
  };
  for (int e = 0; e < edges.count(); ++e) {
    const std::array<int, 2>& slot = at_edge[static_cast<std::size_t>(e)];
    if (slot[0] >= 0 && slot[1] < 0 && !used[static_cast<std::size_t>(slot[0])]) walk(slot[0], e);
  }
  for (std::size_t s = 0; s < segments.size(); ++s)
    if (!used[s]) walk(static_cast<int>(s), segments[s][0]);
  return lines;
}

}  // namespace vorn
