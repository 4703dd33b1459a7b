#include "writers/molecules.hpp"

#include <algorithm>
#include <map>
#include <numeric>

namespace vorn {

std::vector<std::vector<int>> molecules(const Model& model, const Neighbors& nb) {
  std::vector<int> root(static_cast<std::size_t>(model.natom));
  std::iota(root.begin(), root.end(), 0);
  auto find = [&](int i) {
    while (root[static_cast<std::size_t>(i)] != i) i = root[static_cast<std::size_t>(i)];
    return i;
  };
  for (int i = 0; i < model.natom; ++i)
    for (int j : nb.of[i].atom)
      if (j < model.natom) root[static_cast<std::size_t>(find(std::max(i, j)))] = find(std::min(i, j));
  std::map<int, std::vector<int>> by_root;
  for (int i = 0; i < model.natom; ++i) by_root[find(i)].push_back(i);
  std::vector<std::vector<int>> out;
  for (auto& [r, atoms] : by_root) out.push_back(std::move(atoms));
  return out;
}

}  // namespace vorn
