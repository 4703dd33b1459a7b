#include "writers/setup_page.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "localframe/site_frame.hpp"
#include "structure/elements.hpp"

namespace vorn {

namespace {

constexpr double kAxisLength = 0.8;   // Angstrom: longer than the atom spheres, so the arrows stand out

std::string json_string(std::string_view s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (c == '<') {
      out += "\\u003c";   // never closes the script element it stands in
      continue;
    }
    if (static_cast<unsigned char>(c) < 0x20) continue;
    out += c;
  }
  return out + "\"";
}

std::string json_number(double v) {
  if (!std::isfinite(v)) v = 0;   // a degenerate cell: the page still reads
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4f", v);
  return buf;
}

std::string json_point(const gemmi::Vec3& p) {
  std::string text(1, '[');
  text += json_number(p.x);
  text += ',';
  text += json_number(p.y);
  text += ',';
  text += json_number(p.z);
  text += ']';
  return text;
}

std::string element_symbol(int z) {
  std::string s(two_letter_symbol(z));
  s.erase(s.find_last_not_of(' ') + 1);
  return s.empty() ? "X" : s;
}

// The local axes as the refinement uses them: a left-handed (L) frame has
// its third axis, the one named by neither axis point, reversed.
gemmi::Mat33 drawn_axes(const Atom& a, const AtomSetup& s) {
  gemmi::Mat33 axes = frame_axes(Vec3{a.cartesian[0], a.cartesian[1], a.cartesian[2]}, s.frame);
  if (s.handedness == Handedness::left) {
    int third = 3 - (s.frame.letter[0] - 'X') - (s.frame.letter[1] - 'X');
    if (third < 0 || third > 2) third = 2;
    for (int r = 0; r < 3; ++r) axes.a[r][third] = -axes.a[r][third];
  }
  return axes;
}

// "X C(2)  Y C(3)  R": the frame as the XD atom table gives it.
std::string frame_text(const AtomSetup& s) {
  std::string t;
  for (int k = 0; k < 2; ++k) {
    if (k) t += "  ";
    t += s.frame.letter[k];
    t += ' ';
    t += s.frame.label[k].trimmed();
  }
  return t + (s.handedness == Handedness::left ? "  L" : "  R");
}

void write_data(const Model& model, const Neighbors& nb, const std::vector<DrawnDummy>& dummies,
                const std::vector<AtomSetup>& setup, const std::set<int>& warned, std::ostream& os) {
  const bool framed = static_cast<int>(setup.size()) >= model.natom;
  os << "{\"atoms\":[\n";
  for (int i = 0; i < model.natom; ++i) {
    const Atom& a = model.atoms[i];
    const gemmi::Vec3 p{a.cartesian[0], a.cartesian[1], a.cartesian[2]};
    os << (i > 0 ? ",\n" : "") << "{\"name\":" << json_string(a.label.trimmed())
       << ",\"element\":" << json_string(element_symbol(a.atomic_number)) << ",\"pos\":" << json_point(p) << ",\"bonds\":[";
    bool first = true;
    for (int j : nb.of[i].atom)
      if (j < model.natom) {
        os << (first ? "" : ",") << j;
        first = false;
      }
    os << "]";
    if (framed) {
      const AtomSetup& s = setup[static_cast<std::size_t>(i)];
      const gemmi::Mat33 axes = drawn_axes(a, s);
      os << ",\"axes\":[";
      for (int k = 0; k < 3; ++k) os << (k ? "," : "") << json_point(p + axes.column_copy(k) * kAxisLength);
      std::string warnings;
      if (warned.count(i) != 0) warnings = "warned, see vorn.out";
      if (s.zeroed_populations.any()) warnings += std::string(warnings.empty() ? "" : "; ") + "populations cut";
      os << "],\"frame\":" << json_string(frame_text(s)) << ",\"left\":" << (s.handedness == Handedness::left)
         << ",\"symmetry\":" << json_string(a.sitesym.trimmed())
         << ",\"site\":" << json_string(s.frame.site_group == "NO" ? "" : s.frame.site_group)
         << ",\"type\":" << json_string(s.bank_type) << ",\"untyped\":" << (s.databank_searched && !s.databank_found)
         << ",\"kappa\":" << s.kappa_set << ",\"constraint\":" << s.reference
         << ",\"warnings\":" << json_string(warnings);
    }
    os << "}";
  }
  os << "],\n\"dummies\":[";
  for (std::size_t d = 0; d < dummies.size(); ++d)
    os << (d ? "," : "") << "{\"name\":" << json_string(dummies[d].label) << ",\"pos\":" << json_point(dummies[d].pos)
       << "}";
  os << "]}";
}

// Base64 of the values quantised to signed bytes: a sixth of their text
// as decimals, and the page decodes it with the browser's own atob.
std::string packed_values(const std::vector<double>& values) {
  static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  bytes.reserve(values.size());
  for (double v : values) {
    const double q = std::isfinite(v) ? std::clamp(std::round(v / kDensityQuantum), -127.0, 127.0) : 0.0;
    bytes += static_cast<char>(static_cast<signed char>(q));
  }
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const auto byte = [&](std::size_t k) { return k < bytes.size() ? static_cast<unsigned char>(bytes[k]) : 0u; };
    const unsigned n = byte(i) << 16 | byte(i + 1) << 8 | byte(i + 2);
    out += kDigits[n >> 18 & 63];
    out += kDigits[n >> 12 & 63];
    out += i + 1 < bytes.size() ? kDigits[n >> 6 & 63] : '=';
    out += i + 2 < bytes.size() ? kDigits[n & 63] : '=';
  }
  return out;
}

void write_density(const std::vector<DensityGrid>& density, std::ostream& os) {
  os << "{\"quantum\":" << kDensityQuantum << ",\"blocks\":[\n";
  for (std::size_t b = 0; b < density.size(); ++b) {
    const DensityGrid& g = density[b];
    os << (b ? ",\n" : "") << "{\"origin\":" << json_point({g.origin[0], g.origin[1], g.origin[2]})
       << ",\"step\":" << json_number(g.step) << ",\"points\":[" << g.points[0] << ',' << g.points[1] << ','
       << g.points[2] << "]," << kDensityValues << packed_values(g.values) << "\"}";
  }
  os << "]}";
}

// The page's own code: the viewer, the table and what links them.  The
// test hooks are the `vorn` object (viewer, select, atoms).
constexpr const char* kPageScript = R"js(
(function () {
  const data = JSON.parse(document.getElementById('vorn-data').textContent);
  const atoms = data.atoms;
  const axisColour = ['#e00000', '#00b000', '#0040ff'];
  const kappaColours = ['#1f77b4', '#ff7f0e', '#2ca02c', '#d62728', '#9467bd', '#8c564b', '#e377c2',
                        '#7f7f7f', '#bcbd22', '#17becf'];
  const table = document.getElementById('atoms');
  const rows = [];
  const vorn = { atoms: atoms, rows: rows, selected: -1, viewer: null, select: function () {},
                 surfaces: function () { return 0; } };
  window.vorn = vorn;
  atoms.forEach(function (a, i) {
    const tr = document.createElement('tr');
    const cells = [a.name, a.frame || '', a.symmetry || '', a.untyped ? 'untyped' : (a.type || ''),
                   a.kappa || '', a.constraint >= 0 ? atoms[a.constraint].name : '', a.warnings || ''];
    cells.forEach(function (c) { const td = document.createElement('td'); td.textContent = c; tr.appendChild(td); });
    if (a.warnings) tr.classList.add('warned');
    if (a.untyped) tr.classList.add('untyped');
    if (a.site) tr.classList.add('special');
    tr.addEventListener('click', function () { vorn.select(i); });
    table.appendChild(tr);
    rows.push(tr);
  });
  if (typeof $3Dmol === 'undefined') {
    document.getElementById('viewer').textContent =
      'The 3D view is missing: the viewer library was not found when this page was written (see vorn.out).';
    vorn.select = function (i) { rows.forEach(function (r, k) { r.classList.toggle('selected', k === i); }); };
    return;
  }
  const viewer = $3Dmol.createViewer(document.getElementById('viewer'), { backgroundColor: 'white', antialias: false });
  vorn.viewer = viewer;
  const model = viewer.addModel();
  model.addAtoms(atoms.map(function (a, i) {
    return { elem: a.element, x: a.pos[0], y: a.pos[1], z: a.pos[2], serial: i, atom: a.name,
             bonds: a.bonds.slice(), bondOrder: a.bonds.map(function () { return 1; }) };
  }));
  function v(p) { return { x: p[0], y: p[1], z: p[2] }; }
  let kappaShown = false;
  function style() {
    // Grey bonds: halves in the colours of oxygen and nitrogen would read
    // as X and Z arrows.
    model.setStyle({}, { stick: { radius: 0.1, color: '#a0a0a0' }, sphere: { scale: 0.18, colorscheme: 'Jmol' } });
    if (kappaShown)
      atoms.forEach(function (a, i) {
        const c = kappaColours[(a.kappa - 1) % kappaColours.length];
        model.setStyle({ serial: i }, { stick: { radius: 0.1, color: '#a0a0a0' }, sphere: { scale: 0.18, color: c } });
      });
  }
  style();
  // One shape per colour (a shape has one colour and one style): a shape
  // per arrow makes a large structure slow to open.
  const axesShapes = axisColour.map(function (c) { return viewer.addShape({ color: c }); });
  const special = viewer.addShape({ color: '#e6a000', wireframe: true });
  const warned = viewer.addShape({ color: '#ff00aa', wireframe: true });
  const untyped = viewer.addShape({ color: '#00a0c0', opacity: 0.25 });
  const dummyShape = viewer.addShape({ color: '#909090' });
  atoms.forEach(function (a) {
    if (a.axes)
      a.axes.forEach(function (tip, k) {
        axesShapes[k].addArrow({ start: v(a.pos), end: v(tip), radius: 0.035, radiusRatio: 2.4, mid: 0.72 });
      });
    if (a.site) special.addSphere({ center: v(a.pos), radius: 0.5 });
    if (a.warnings) warned.addSphere({ center: v(a.pos), radius: 0.6 });
    if (a.untyped) untyped.addSphere({ center: v(a.pos), radius: 0.55 });
  });
  data.dummies.forEach(function (d) { dummyShape.addSphere({ center: v(d.pos), radius: 0.12 }); });
  let constraintShape = null;
  function showConstraints(on) {
    if (constraintShape) viewer.removeShape(constraintShape);
    constraintShape = null;
    if (!on) return;
    constraintShape = viewer.addShape({ color: '#8040c0' });
    atoms.forEach(function (a) {
      if (a.constraint >= 0)
        constraintShape.addCylinder({ start: v(a.pos), end: v(atoms[a.constraint].pos), radius: 0.02,
                                      dashed: true });
    });
  }
  // Labels are page text laid over the view and moved with it: a label
  // drawn by the viewer costs a texture each.
  const layer = document.getElementById('label-layer');
  const labelled = atoms.map(function (a) {
    return { pos: v(a.pos), text: a.name + (a.symmetry ? ' ' + a.symmetry : '') + (a.left ? ' (L)' : ''),
             left: a.left };
  }).concat(data.dummies.map(function (d) { return { pos: v(d.pos), text: d.name, dummy: true }; }));
  const labelDivs = labelled.map(function (l) {
    const div = document.createElement('div');
    div.className = 'label' + (l.left ? ' mirror' : '') + (l.dummy ? ' dummy' : '');
    div.textContent = l.text;
    layer.appendChild(div);
    return div;
  });
  function placeLabels() {
    if (layer.hidden) return;
    const box = layer.getBoundingClientRect();
    const at = viewer.modelToScreen(labelled.map(function (l) { return l.pos; }));
    at.forEach(function (p, k) {
      labelDivs[k].style.transform = 'translate(' + (p.x - box.left + 6) + 'px,' + (p.y - box.top - 6) + 'px)';
    });
  }
  function showLabels(on) { layer.hidden = !on; placeLabels(); }
  viewer.setViewChangeCallback(placeLabels);
  let marker = null;
  function select(i) {
    if (marker) viewer.removeShape(marker);
    marker = viewer.addSphere({ center: v(atoms[i].pos), radius: 0.45, color: '#ffd000', opacity: 0.55 });
    rows.forEach(function (r, k) { r.classList.toggle('selected', k === i); });
    vorn.selected = i;
    viewer.center({ serial: i });
    viewer.render();
    placeLabels();
  }
  vorn.select = select;
  model.setClickable({}, true, function (atom) { select(atom.serial); rows[atom.serial].scrollIntoView({ block: 'nearest' }); });
  document.getElementById('labels').addEventListener('change', function (e) { showLabels(e.target.checked); });
  document.getElementById('kappa').addEventListener('change', function (e) { kappaShown = e.target.checked; style(); viewer.render(); });
  document.getElementById('constraints').addEventListener('change', function (e) { showConstraints(e.target.checked); viewer.render(); });
  showConstraints(true);
  // The deformation density: one volume per grid block, an isosurface of
  // each sign per block at the level of the page's control.
  const density = JSON.parse(document.getElementById('vorn-density').textContent);
  const volumes = density.blocks.map(function (b) {
    const volume = new $3Dmol.VolumeData('', 'none');
    volume.size = { x: b.points[0], y: b.points[1], z: b.points[2] };
    volume.unit = { x: b.step, y: b.step, z: b.step };
    volume.origin = { x: b.origin[0], y: b.origin[1], z: b.origin[2] };
    const bytes = atob(b.values);
    const data = new Float32Array(bytes.length);
    volume.low = 0;
    volume.high = 0;
    for (let k = 0; k < bytes.length; ++k) {
      data[k] = ((bytes.charCodeAt(k) << 24) >> 24) * density.quantum;
      volume.low = Math.min(volume.low, data[k]);
      volume.high = Math.max(volume.high, data[k]);
    }
    volume.data = data;
    return volume;
  });
  let surfaces = [];
  function showDensity() {
    surfaces.forEach(function (s) { viewer.removeShape(s); });
    surfaces = [];
    const box = document.getElementById('density');
    if (!box || !box.checked) return;
    const level = Math.abs(parseFloat(document.getElementById('density-level').value)) || 0.1;
    // A block the level does not reach has no surface: marching through it
    // would cost the opening of the page for nothing.
    volumes.forEach(function (volume) {
      if (volume.high >= level)
        surfaces.push(viewer.addIsosurface(volume, { isoval: level, color: '#0030c0', opacity: 0.55 }));
      if (volume.low <= -level)
        surfaces.push(viewer.addIsosurface(volume, { isoval: -level, color: '#d00000', opacity: 0.55 }));
    });
  }
  vorn.surfaces = function () { return surfaces.length; };
  if (volumes.length) {
    document.getElementById('density').addEventListener('change', function () { showDensity(); viewer.render(); });
    document.getElementById('density-level').addEventListener('change', function () { showDensity(); viewer.render(); });
  }
  // Framed on the molecules and their axes: the surfaces come after.
  viewer.zoomTo();
  showDensity();
  viewer.render();
  showLabels(true);
})();
)js";

constexpr const char* kPageHead = R"html(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<title>VORN: local frames</title>
<style>
body { margin: 0; font: 13px DejaVu Sans, Arial, sans-serif; display: flex; height: 100vh; }
#left { flex: 1 1 60%; display: flex; flex-direction: column; min-width: 300px; }
#viewer { flex: 1; position: relative; }
#label-layer { position: absolute; left: 0; right: 0; bottom: 0; top: 0; pointer-events: none; overflow: hidden; }
.label { position: absolute; left: 0; top: 0; font-size: 11px; white-space: nowrap; }
.label.mirror { color: #8040c0; }
.label.dummy { color: #707070; }
#controls { padding: 6px; border-bottom: 1px solid #ccc; }
#controls span { margin-right: 12px; }
#side { flex: 1 1 40%; overflow: auto; border-left: 1px solid #ccc; }
table { border-collapse: collapse; width: 100%; }
th, td { padding: 2px 6px; text-align: left; white-space: nowrap; border-bottom: 1px solid #eee; }
th { position: sticky; top: 0; background: #f4f4f4; }
tr { cursor: pointer; }
tr.special td:first-child { box-shadow: inset 4px 0 #e6a000; }
tr.warned td:last-child { color: #c00080; }
tr.untyped td:nth-child(4) { color: #0080a0; font-style: italic; }
tr.selected { background: #ffe680; }
.key { display: inline-block; width: 12px; height: 12px; vertical-align: middle; margin: 0 3px; }
</style>
</head>
<body>
<div id="left">
<div id="controls">
<span><span class="key" style="background:#e00000"></span>X <span class="key" style="background:#00b000"></span>Y
<span class="key" style="background:#0040ff"></span>Z</span>
<span><span class="key" style="border:2px solid #e6a000;border-radius:7px"></span>special position</span>
<span><span class="key" style="border:2px dashed #ff00aa;border-radius:7px"></span>warning</span>
<span><span class="key" style="background:#00a0c0;opacity:.4;border-radius:7px"></span>untyped</span>
<label><input type="checkbox" id="labels" checked> labels</label>
<label><input type="checkbox" id="kappa"> kappa sets</label>
<label><input type="checkbox" id="constraints" checked> constraints</label>
)html";

// Shown only when the page carries the deformation density.
constexpr const char* kDensityControls = R"html(<span><label><input type="checkbox" id="density" checked> deformation density</label>
<span class="key" style="background:#0030c0;opacity:.6"></span>+ <span class="key" style="background:#d00000;opacity:.6"></span>-
<input type="number" id="density-level" value="0.1" min="0.02" max="0.6" step="0.05" style="width:4em"> e/A<sup>3</sup></span>
)html";

constexpr const char* kPageBody = R"html(</div>
<div id="view-box" style="flex:1;position:relative"><div id="viewer" style="position:absolute;inset:0"></div><div id="label-layer"></div></div>
</div>
<div id="side">
<table>
<thead><tr><th>Atom</th><th>Frame</th><th>Symmetry</th><th>Bank type</th><th>Kappa</th><th>Constrained to</th><th>Warnings</th></tr></thead>
<tbody id="atoms"></tbody>
</table>
</div>
)html";

}  // namespace

void write_setup_page(const Model& model, const Neighbors& neighbours, const std::vector<DrawnDummy>& dummies,
                      const std::vector<AtomSetup>& setup, const std::set<int>& warned_atoms,
                      const std::optional<std::string>& library, const std::vector<DensityGrid>& density,
                      std::ostream& os) {
  os << kPageHead;
  if (!density.empty()) os << kDensityControls;
  os << kPageBody;
  os << "<script type=\"application/json\" id=\"vorn-data\">\n";
  write_data(model, neighbours, dummies, setup, warned_atoms, os);
  os << "\n</script>\n<script type=\"application/json\" id=\"vorn-density\">\n";
  write_density(density, os);
  os << "\n</script>\n" << kLibraryBegin << "\n";
  if (library) os << "<script>\n" << *library << "\n</script>\n";
  os << kLibraryEnd << "\n<script>" << kPageScript << "</script>\n</body>\n</html>\n";
}

}  // namespace vorn
