#!/usr/bin/env python3
"""Writes a MATTS-format bank of invented entries for timing the typing.

    make_bench_matts_bank.py FILE [ENTRIES]

The bank has ENTRIES (default 651) atom types of H, C, N, O, S, P, F, Cl
and Br made up from a fixed pseudo-random sequence: central atoms with one
to four neighbours, named first and second neighbours, planarity and ring
conditions, every kind of axis point, and parameters that mean nothing.
No entry comes from any published bank.  Most entries fit no atom of the
benchmark structure; the last ones are general enough to fit its C, H and
N atoms, so that the typing walks long candidate lists before it finds.
"""
import random
import sys

ELEMENTS = ["H", "C", "C", "C", "N", "N", "O", "O", "S", "P", "F", "Cl", "Br"]
VALENCE = {"H": 1, "C": 4, "N": 3, "O": 2, "S": 2, "P": 4, "F": 1, "Cl": 1, "Br": 1}
SYMMETRY = ["m", "mm2", "3m", "cyl", "no"]


def descriptor(label, connected, planar, ring):
    return (f"{label} CONNECTED_TO {','.join(connected)} PLANARITY {planar} "
            f"PLANAR_RING_WITH_PLANAR_ATOMS {ring} IN_3_MEMBER_RING - IN_4_MEMBER_RING -")


def parameters(rng, symmetry):
    terms = {"m": [(1, 1), (2, 0), (2, 2), (3, 1), (3, 3), (4, 0)],
             "mm2": [(1, 0), (2, 0), (2, 2), (3, 0), (3, 2), (4, 0)],
             "3m": [(1, 0), (2, 0), (3, 0), (3, 3), (4, 0)],
             "cyl": [(1, 0), (2, 0)],
             "no": [(1, 1), (1, -1), (1, 0), (2, -2), (3, -3), (4, 4)]}[symmetry]
    groups = [f"PLMS {l} {m} {rng.uniform(-0.3, 0.3):.4f}" for l, m in terms]
    lines = ["  ".join(groups[i:i + 4]) for i in range(0, len(groups), 4)]
    return lines


def random_entry(rng, number):
    centre = rng.choice(ELEMENTS)
    n = rng.randint(1, max(1, VALENCE[centre]))
    atoms = {f"{centre}1": []}
    extra = {f"{centre}1": []}
    names = [f"{centre}1"]
    for k in range(n):
        el = rng.choice(["C", "C", "H", "N", "O", "X"])
        if k < 2 and el not in ("H", "X"):
            label = f"{el}{len(names) + 1}"
            names.append(label)
            atoms[label] = [f"{centre}1"]
            extra[label] = rng.choice([["*"], ["X", "X"], ["H", "H", "H"], ["X", "X", "X"], ["!H"]])
            atoms[f"{centre}1"].append(label)
        else:
            extra[f"{centre}1"].append(el if el != "H" or k % 2 else "!H")
    ring = rng.choice(["-", "-", "*", "6A", "+"])
    lines = ["ENTRY", "  ID", f"B{number:03d}{centre}", "  COMMENT", f"invented benchmark type {number}",
             "  NOI", str(rng.randint(2, 500)), "  ATOM DESCRIPTORS"]
    for i, label in enumerate(names):
        connected = atoms[label] + extra[label]
        lines.append(descriptor(label, connected, rng.choice("+-*"), ring if i == 0 else "*"))
    if len(names) >= 3:
        frame = f"X {names[1]} Y {names[2]} R"
    elif len(names) == 2:
        frame = f"Z {names[1]} X any_orthogonal R"
    else:
        frame = "X any_orthogonal Y any_orthogonal R"
    symmetry = rng.choice(SYMMETRY)
    lines += ["  LOCAL COORDINATE SYSTEM", frame, "  SYMMETRY", symmetry, "  MULTIPOLE MODEL PARAMETERS",
              f"PVAL {rng.uniform(0.8, 7.5):.3f}({rng.randint(10, 90)}) KAPPA {rng.uniform(0.95, 1.1):.4f} "
              f"KPRIM {rng.uniform(0.8, 1.3):.3f}"]
    lines += parameters(rng, symmetry)
    return lines


def general_entries(start):
    """Entries that fit the benchmark's atoms: C with four or three
    neighbours, H on C, N with one neighbour."""
    out = []
    entry_kinds = [("C", "C1 CONNECTED_TO X,X,X,X PLANARITY * PLANAR_RING_WITH_PLANAR_ATOMS * IN_3_MEMBER_RING * IN_4_MEMBER_RING *", "3m"),
             ("C", "C1 CONNECTED_TO X,* PLANARITY * PLANAR_RING_WITH_PLANAR_ATOMS * IN_3_MEMBER_RING * IN_4_MEMBER_RING *", "m"),
             ("H", "H1 CONNECTED_TO X PLANARITY * PLANAR_RING_WITH_PLANAR_ATOMS * IN_3_MEMBER_RING * IN_4_MEMBER_RING *", "cyl"),
             ("N", "N1 CONNECTED_TO X PLANARITY * PLANAR_RING_WITH_PLANAR_ATOMS * IN_3_MEMBER_RING * IN_4_MEMBER_RING *", "cyl")]
    for k, (el, line, sym) in enumerate(entry_kinds):
        out.append(["ENTRY", "  ID", f"G{start + k:03d}{el}", "  COMMENT", "invented general type", "  NOI", "9",
                    "  ATOM DESCRIPTORS", line, "  LOCAL COORDINATE SYSTEM", "X any_orthogonal Y any_orthogonal R",
                    "  SYMMETRY", sym, "  MULTIPOLE MODEL PARAMETERS", "PVAL 4.000(50) KAPPA 1.0000 KPRIM 1.000",
                    "PLMS 2 0 0.0100"])
    return out


def main():
    path = sys.argv[1]
    count = int(sys.argv[2]) if len(sys.argv) > 2 else 651
    rng = random.Random(651)
    general = general_entries(count - 4)
    entries = [random_entry(rng, i + 1) for i in range(count - len(general))] + general
    with open(path, "w") as f:
        f.write("# Invented bank for timing; no entry comes from a published bank.\n\nSETTINGS\n"
                "covalent bond threshold 0.4\nring planarity threshold 0.1\n"
                "atom in ring planarity threshold 0.1\natom in planar ring max number of neighbours 3\n\n")
        for e in entries:
            f.write("\n".join(e) + "\n\n")


if __name__ == "__main__":
    main()
