#include "driver/density_pictures.hpp"

#include <algorithm>

#include "formfactors/transferred_atoms.hpp"
#include "layout/run_error.hpp"
#include "layout/text_edit.hpp"
#include "writers/molecules.hpp"

namespace vorn {

namespace {

Vec3 place(const Atom& a) { return {a.cartesian[0], a.cartesian[1], a.cartesian[2]}; }

std::string upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

}  // namespace

std::vector<std::array<int, 3>> map_plane_atoms(const Model& model, const Switches& sw) {
  std::vector<std::array<int, 3>> planes;
  for (const MapPlaneNames& line : sw.map_planes) {
    std::array<int, 3> atoms{-1, -1, -1};
    for (std::size_t k = 0; k < 3; ++k) {
      const std::string name = upper(line.atoms[k]);
      for (int i = 0; i < model.natom && atoms[k] < 0; ++i)
        if (upper(std::string(model.atoms[i].label.trimmed())) == name || upper(model.atoms[i].name_in_file) == name)
          atoms[k] = i;
      if (atoms[k] < 0)
        fail("ReadInp", "MAP names " + line.atoms[k] + ", which is no atom of the structure (" + line.where + ")");
    }
    if (atoms[0] == atoms[1] || atoms[1] == atoms[2] || atoms[0] == atoms[2])
      fail("ReadInp", "MAP names one atom twice: three different atoms span its plane (" + line.where + ")");
    planes.push_back(atoms);
  }
  return planes;
}

std::optional<DeformationDensity> model_density(const Model& model, const Switches& sw,
                                                const std::vector<AtomSetup>& setup, const KeptPopulations* parameters) {
  if (!parameters || (!sw.use_databank && sw.format != InputFormat::xd)) return std::nullopt;
  ModelParameters p;
  p.populations = &parameters->populations;
  p.kappas = &parameters->kappas;
  p.carried_only = true;
  std::vector<double> occupancy;
  for (std::size_t i = 0; i < setup.size(); ++i) {
    const bool carried = sw.use_databank ? setup[i].databank_found : true;
    p.transferred.push_back(carried);
    if (carried) occupancy.push_back(model.atoms[i].occ);
  }
  const std::vector<PseudoAtom> atoms = transferred_atoms(model, setup, p);
  if (atoms.empty()) return std::nullopt;
  // The whole table and the maps' margins around it.
  DensityBox region{place(model.atoms[0]), place(model.atoms[0])};
  for (int i = 0; i < std::max(model.natom, model.entries); ++i)
    for (std::size_t k = 0; k < 3; ++k) {
      region.lo[k] = std::min(region.lo[k], place(model.atoms[i])[k]);
      region.hi[k] = std::max(region.hi[k], place(model.atoms[i])[k]);
    }
  for (std::size_t k = 0; k < 3; ++k) region.lo[k] -= kMapMargin + 0.5, region.hi[k] += kMapMargin + 0.5;
  return DeformationDensity(atoms, occupancy, density_crystal(model, !is_cartesian(sw.format)), region);
}

std::vector<DensityGrid> molecule_density_grids(const Model& model, const Neighbors& nb,
                                                const DeformationDensity& density) {
  std::vector<DensityGrid> grids;
  for (const std::vector<int>& molecule : molecules(model, nb)) {
    std::vector<Vec3> places;
    for (int i : molecule) places.push_back(place(model.atoms[i]));
    for (DensityGrid& g : grid_blocks(places, kPageGridMargin, kPageGridStep, kPageBlockPoints)) {
      sample_density(density, g);
      grids.push_back(std::move(g));
    }
  }
  return grids;
}

std::vector<MapPlane> map_planes(const Model& model, const Rings& rings, const std::vector<std::array<int, 3>>& named) {
  std::vector<MapPlane> planes;
  auto add = [&](const std::vector<int>& atoms) {
    std::vector<Vec3> points;
    std::string title;
    for (int i : atoms) {
      points.push_back(place(model.atoms[i]));
      if (!title.empty()) title += ' ';
      title += model.atoms[i].label.trimmed();
    }
    planes.push_back(plane_through(points, title));
  };
  for (const Ring& r : rings.list)
    if (r.planar) add(r.members);
  for (const std::array<int, 3>& t : named) add({t[0], t[1], t[2]});
  return planes;
}

std::vector<MapAtom> map_atoms(const Model& model) {
  std::vector<MapAtom> atoms;
  for (int i = 0; i < std::max(model.natom, model.entries); ++i)
    atoms.push_back({std::string(model.atoms[i].label.trimmed()), place(model.atoms[i])});
  return atoms;
}

std::vector<std::array<int, 2>> map_bonds(const Model& model, const Neighbors& nb) {
  std::vector<std::array<int, 2>> bonds;
  for (int i = 0; i < model.natom; ++i)
    for (int j : nb.of[i].atom)
      if (j > i && j < std::max(model.natom, model.entries)) bonds.push_back({i, j});
  return bonds;
}

}  // namespace vorn
