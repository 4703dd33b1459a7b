"""Structure factors of a SHELX structure, with no thermal motion and no
anomalous dispersion, for every reflection of an HKLF 4 file: from the
form-factor table read by cctbx's own reader, and from cctbx's independent
atoms (Waasmaier-Kirfel).  Per reflection: h k l, both F (re im) and, with
a fourth argument, the sum over the atoms and symmetry copies of
|f(table) - f(Waasmaier-Kirfel)| (else 0).

    /usr/bin/python3 cctbx_structure_factors.py structure.res vorn.tsc data.hkl [spread]
"""
import sys

from cctbx import xray
from smtbx.structure_factors import direct

res, tsc, hkl = sys.argv[1:4]
xs = xray.structure.from_shelx(filename=res)
scatterers = xs.scatterers()
for i in range(scatterers.size()):
    s = scatterers[i]
    s.flags.set_use_u_aniso(False)
    s.flags.set_use_u_iso(True)
    s.u_iso = 0
    s.flags.set_use_fp_fdp(False)
    scatterers[i] = s
registry = xs.scattering_type_registry(table="wk1995")
table = {}
with open(tsc) as f:
    for line in f:
        if line[:1] in "-0123456789":
            w = line.split()
            table[tuple(int(x) for x in w[:3])] = [complex(*map(float, v.split(","))) for v in w[3:]]
from_table = direct.f_calc_modulus_squared(xs, table_file_name=tsc)
independent = direct.f_calc_modulus_squared(xs)
rotations = [op.r() for op in xs.space_group().all_ops()]
with open(hkl) as f:
    for line in f:
        if not line.strip():
            break
        h = tuple(int(line[4 * i:4 * i + 4]) for i in range(3))
        if h == (0, 0, 0):
            break
        from_table.linearise(h)
        independent.linearise(h)
        stol = (xs.unit_cell().d_star_sq(h) ** 0.5) / 2
        spread = 0
        for r in rotations if len(sys.argv) > 4 else []:
            hr = tuple(int(x) for x in (r * h))
            for j, sc in enumerate(scatterers):
                spread += sc.occupancy * abs(table[hr][j] - registry.gaussian(sc.scattering_type).at_stol(stol))
        print(*h, from_table.f_calc.real, from_table.f_calc.imag, independent.f_calc.real, independent.f_calc.imag,
              spread)
