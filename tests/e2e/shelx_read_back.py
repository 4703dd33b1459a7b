"""Reads a SHELX file with cctbx's reader and prints what it read: one line
per atom (label, anisotropic or not, fractional coordinates) and, for each
pair of labels given on standard input, their distance in Angstrom by
cctbx's cell metric.  Exits with 77 when cctbx is not installed."""
import sys

try:
    from cctbx import xray
except ImportError:
    sys.exit(77)

structure = xray.structure.from_shelx(filename=sys.argv[1], strictly_shelxl=False)
cell = structure.unit_cell()
sites = {}
for s in structure.scatterers():
    sites[s.label] = s.site
    print("ATOM %s %d %.6f %.6f %.6f" % (s.label, 1 if s.flags.use_u_aniso() else 0, *s.site))
for line in sys.stdin:
    a, b = line.split()
    print("DIST %s %s %.5f" % (a, b, cell.distance(sites[a], sites[b])))
