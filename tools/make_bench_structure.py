#!/usr/bin/env python3
"""Writes a large molecular crystal for timing VORN: a SHELX file and its
control file.

    make_bench_structure.py N DIR [DATABANK]

The structure is a P1 supercell holding, on a grid of sites, ethane and
acetonitrile molecules and up to a hundred benzene rings (one flat layer,
every other site, so the ring search has work).  A few molecules are
centred on the cell edge x = 0, so half of each lies at x near 1 and the
complete-fragment search (NCELLS 1) adds a copy of every atom of them.
N counts every atom of the run, symmetry copies included; the file holds
N minus the copies.  Benzene carbons get one midpoint dummy each, so at most 600
dummy atoms are made (the limit is 999).

DIR receives bench.res and vorn.inp (RINGS 3 8, NCELLS 1, EXTEND_H,
DATABANK, KEYGEN all, one neutral fragment).  The layout is deterministic:
the same N always gives the same file.
"""
import math
import os
import sys

SX, SY, SZ = 5.2, 5.2, 4.0          # site spacing (Angstrom)

ETHANE = [("C", (-0.765, 0.0, 0.0)), ("C", (0.765, 0.0, 0.0))]
for sgn in (-1, 1):
    for k in range(3):
        phi = 2 * math.pi * k / 3 + (0 if sgn < 0 else math.pi / 3)
        ETHANE.append(("H", (sgn * 1.125, 1.02 * math.cos(phi), 1.02 * math.sin(phi))))

ACETONITRILE = [("C", (-1.20, 0.0, 0.0)), ("C", (0.26, 0.0, 0.0)), ("N", (1.42, 0.0, 0.0))]
for k in range(3):
    phi = 2 * math.pi * k / 3
    ACETONITRILE.append(("H", (-1.56, 1.03 * math.cos(phi), 1.03 * math.sin(phi))))

BENZENE = []
for k in range(6):
    phi = math.pi * k / 3
    BENZENE.append(("C", (1.39 * math.cos(phi), 1.39 * math.sin(phi), 0.0)))
for k in range(6):
    phi = math.pi * k / 3
    BENZENE.append(("H", (2.47 * math.cos(phi), 2.47 * math.sin(phi), 0.0)))

SFAC = {"C": 1, "H": 2, "N": 3}


def layout(total):
    """Molecules as (kind, centre in Angstrom, crosses the x edge)."""
    nbenz = min(100, total // 200)
    ncross = max(1, total // 1000)
    m = 2
    while True:
        # Sites: layer k = 0 holds benzene on even (i + j) only.
        if (m ** 3 - (m * m) // 2 - ncross) * 7 >= total * 1.05:
            break
        m += 1
    mols = []
    count = 0
    crossing = 0
    empty = set()
    for k in range(m):
        for j in range(m):
            for i in range(m):
                if (i, j, k) in empty:
                    continue
                # Checkerboard in layer 0, and with an odd m the last row and
                # column stay empty too (they meet the first across the cell).
                if k == 0 and ((i + j) % 2 == 1 or (m % 2 == 1 and (i == m - 1 or j == m - 1))):
                    continue
                centre = [(i + 0.5) * SX, (j + 0.5) * SY, (k + 0.5) * SZ]
                if k == 0 and nbenz > 0:
                    kind = BENZENE
                    nbenz -= 1
                    cross = False
                else:
                    kind = ETHANE if (i + 2 * j + 3 * k) % 3 else ACETONITRILE
                    cross = (i == 0 and k > 0 and crossing < ncross and j % 3 == 1)
                n_here = len(kind) * (2 if cross else 1)
                if count + n_here > total:
                    continue
                if cross:
                    # Centred on x = 0; the site at the far end of the row
                    # (x near 1) stays empty to leave room for the wrapped half.
                    centre[0] = 0.0
                    empty.add((m - 1, j, k))
                    crossing += 1
                mols.append((kind, centre, cross))
                count += n_here
    return m, mols, count


def write(total, out_dir, databank):
    m, mols, count = layout(total)
    a, b, c = m * SX, m * SY, m * SZ
    atoms = []
    seq = {"C": 0, "H": 0, "N": 0}
    for kind, centre, _ in mols:
        for el, (x, y, z) in kind:
            seq[el] += 1
            fx = ((centre[0] + x) / a) % 1.0
            fy = (centre[1] + y) / b
            fz = (centre[2] + z) / c
            atoms.append((f"{el}{seq[el]}", SFAC[el], fx, fy, fz, 0.02 if el == "H" else 0.012))
    natom = len(atoms)
    os.makedirs(out_dir, exist_ok=True)
    with open(os.path.join(out_dir, "bench.res"), "w") as f:
        f.write(f"TITL bench_{total}\n")
        f.write(f"CELL 0.71073 {a:.4f} {b:.4f} {c:.4f} 90.000 90.000 90.000\n")
        f.write("ZERR 1 0.0010 0.0010 0.0010 0.010 0.010 0.010\n")
        f.write("LATT -1\n")
        f.write("SFAC C H N\n")
        f.write("UNIT 1 1 1\n")
        f.write("FVAR 1.00000\n")
        for label, sfac, fx, fy, fz, u in atoms:
            f.write(f"{label:<6} {sfac} {fx:10.6f} {fy:10.6f} {fz:10.6f}  11.00000  {u:.5f}\n")
        f.write("HKLF 4\nEND\n")
    with open(os.path.join(out_dir, "vorn.inp"), "w") as f:
        f.write(f"! generated benchmark structure: {natom} atoms, {count} with copies\n")
        f.write("FORMAT  *shelx\nINPUT   bench.res\nVERBOSE  1\nNCELLS  1\n")
        f.write("KEYGEN  *XYZUIJ *all ordered *MULT *all ordered\n")
        f.write("CHEMCON  *hydrogen  *other\nEXTEND_H\nRINGS  3  8\n")
        f.write(f"DATABANK {databank}\nSCALE *sigma diff frac\n")
        f.write(f"NFRAG 1\nFRAG 1 1 -{natom}\nCHFRAG 0.\n")
    return natom, count


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    total = int(sys.argv[1])
    databank = sys.argv[3] if len(sys.argv) > 3 else "vorn.db"
    natom, count = write(total, sys.argv[2], databank)
    print(f"{natom} atoms in the file, {count} with the copies")


if __name__ == "__main__":
    main()
