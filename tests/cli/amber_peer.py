#!/usr/bin/python3
"""Compares a system file that topgen -amber wrote with ParmEd's reading of
the same parameter files: every bond, angle, torsion and improper term of the
molecule's bond graph, its Lennard-Jones parameters and its 1-4 pairs.

usage: amber_peer.py <system file> <parm file> [frcmod ...]
Prints one line per difference and a summary; exit status 1 on a difference.
"""
import itertools
import math
import sys

import parmed

KCAL = 4.184
GAS = 0.00831451
TOL = 6e-5  # values are written with 4 decimals


def sections(path):
    """The lines of every begin{...} ... end{...} section, commented or not."""
    out, cur = {}, None
    for raw in open(path):
        line = raw.rstrip("\n")
        bare = line.lstrip("#").strip()
        if bare.startswith("begin{"):
            cur = bare[6:bare.index("}")]
            out[cur] = []
        elif bare.startswith("end{"):
            cur = None
        elif cur is not None:
            out[cur].append(line)
    return out


def main():
    sysfile, parm, frcmods = sys.argv[1], sys.argv[2], sys.argv[3:]
    ps = parmed.amber.AmberParameterSet(parm, *frcmods)
    sec = sections(sysfile)
    bad = []

    def near(what, got, want):
        if abs(got - want) > TOL + 1e-9 * abs(want):
            bad.append(f"{what}: topgen {got}, ParmEd {want}")

    # atoms and their types (derived type name without its number)
    types = {}
    for line in sec["configuration"]:
        w = line.split()
        types[int(w[-1])] = w[0].rsplit("_", 1)[0]
    T = lambda i: types[i]

    # bonds: every bond of the molecule is listed, with parameters or NOT DEFINED
    adj = {i: set() for i in types}
    written_bonds = {}
    for line in sec["bonds"]:
        w = line.lstrip("#").split()
        i, j = int(w[1]), int(w[2])
        adj[i].add(j)
        adj[j].add(i)
        written_bonds[frozenset((i, j))] = None if "NOT DEFINED" in line else (float(w[3]), float(w[4]))
    def harmonic(kind, atoms, got, table, names):
        """A bond or angle line against ParmEd's entry: k x 2 x 4.184 and the reference."""
        want = table.get(tuple(T(a) for a in atoms))
        what = f"{kind} {'-'.join(map(str, atoms))} ({'-'.join(T(a) for a in atoms)})"
        if want is None or got is None:
            if (want is None) != (got is None):
                bad.append(f"{what}: topgen {'NOT DEFINED' if got is None else 'defined'}, ParmEd {want}")
            return
        near(what + " k", got[0], 2 * KCAL * want.k)
        near(what + " " + names[1], got[1], getattr(want, names[1]))

    for pair, got in written_bonds.items():
        harmonic("bond", sorted(pair), got, ps.bond_types, ("k", "req"))

    # angles
    written = {}
    for line in sec["angle"]:
        w = line.split()
        key = (int(w[0]), int(w[1]), int(w[2]))
        written[key] = None if "NOT DEFINED" in line else (float(w[3]), float(w[4]))
    expected = set()
    for j in adj:
        for i, k in itertools.combinations(sorted(adj[j]), 2):
            expected.add((i, j, k))
    if set(written) != expected:
        bad.append(f"angles: topgen lists {sorted(set(written) ^ expected)} differently")
    for atoms, got in written.items():
        harmonic("angle", atoms, got, ps.angle_types, ("k", "theteq"))

    # torsions and impropers
    torsions, impropers, undefined = {}, [], set()
    part = None
    for line in sec["dihedrals"]:
        if line.startswith("#...proper"):
            part = "proper"
            continue
        if line.startswith("#...improper"):
            part = "improper"
            continue
        w = line.lstrip("#").split()
        atoms = tuple(int(x) for x in w[1:5])
        if part == "improper":
            if line.startswith("#"):
                bad.append(f"improper {atoms}: written as not defined (AMBER has no such term)")
            else:
                impropers.append((atoms, tuple(float(x) for x in w[5:8])))
            continue
        key = min(atoms, atoms[::-1])
        if line.startswith("#"):
            undefined.add(key)
        else:
            torsions.setdefault(key, []).append(tuple(float(x) for x in w[5:8]))
    paths = set()
    for b in adj:
        for c in adj[b]:
            for a in adj[b] - {c}:
                for d in adj[c] - {b, a}:
                    paths.add(min((a, b, c, d), (d, c, b, a)))
    if set(torsions) | undefined != paths:
        bad.append(f"torsions: topgen lists {sorted((set(torsions) | undefined) ^ paths)} differently")
    for key in paths:
        a, b, c, d = key
        want = ps.dihedral_types.get((T(a), T(b), T(c), T(d))) or ps.dihedral_types.get(("X", T(b), T(c), "X"))
        what = f"torsion {key} ({T(a)}-{T(b)}-{T(c)}-{T(d)})"
        got = torsions.get(key)
        if want is None or got is None:
            if (want is None) != (got is None):
                bad.append(f"{what}: topgen {got}, ParmEd {want}")
            continue
        want_terms = sorted((KCAL * t.phi_k, float(t.per), t.phase) for t in want)
        got = sorted(got, key=lambda t: (t[1], t[0]))
        want_terms.sort(key=lambda t: (t[1], t[0]))
        if len(got) != len(want_terms):
            bad.append(f"{what}: topgen {got}, ParmEd {want_terms}")
            continue
        for g, e in zip(got, want_terms):
            for n, (x, y) in enumerate(zip(g, e)):
                near(f"{what} term value {n + 1}", x, y)

    # impropers: one per centre of three neighbours that has an entry, the
    # entry with the fewest X (ParmEd keys hold the centre third)
    got_by_centre = {}
    for atoms, vals in impropers:
        c = atoms[2]
        if c in got_by_centre:
            bad.append(f"improper centre {c}: more than one line")
        got_by_centre[c] = (atoms, vals)
        if set(atoms[:2] + atoms[3:]) != adj[c]:
            bad.append(f"improper {atoms}: the others are not the neighbours of {c}")
    for c in adj:
        if len(adj[c]) != 3:
            if c in got_by_centre:
                bad.append(f"improper centre {c} has {len(adj[c])} neighbours")
            continue
        outer = sorted(T(n) for n in adj[c])
        best, cands = 4, []
        for key, t in ps.improper_periodic_types.items():
            if key[2] != T(c):
                continue
            labels = [key[0], key[1], key[3]]
            for perm in itertools.permutations(outer):
                if all(l in ("X", o) for l, o in zip(labels, perm)):
                    nx = labels.count("X")
                    if nx < best:
                        best, cands = nx, []
                    if nx == best:
                        cands.append((KCAL * t.phi_k, float(t.per), t.phase))
                    break
        got = got_by_centre.get(c)
        if not cands or got is None:
            if bool(cands) != (got is not None):
                bad.append(f"improper centre {c} ({T(c)}: {outer}): topgen {got}, ParmEd {cands}")
            continue
        if not any(all(abs(x - y) <= TOL + 1e-9 * abs(y) for x, y in zip(got[1], e)) for e in cands):
            bad.append(f"improper centre {c}: topgen {got[1]}, ParmEd {cands}")

    # Lennard-Jones parameters of every derived type, and the 1-4 pairs
    lj = {}
    for line in sec.get("lorentz_lj", []):
        w = line.split()
        t = w[0].rsplit("_", 1)[0]
        at = ps.atom_types[t]
        sigma, eps = 2 * at.rmin / 2 ** (1 / 6), at.epsilon * KCAL / GAS
        lj[t] = (sigma, eps)
        near(f"sigma of {w[0]}", float(w[1]), sigma)
        near(f"epsilon of {w[0]}", float(w[2]), eps)
    for line in sec["nonbonded"]:
        w = line.split()
        i, j = int(w[0]), int(w[1])
        (si, ei), (sj, ej) = lj[T(i)], lj[T(j)]
        near(f"1-4 sigma {i}-{j}", float(w[2]), (si + sj) / 2)
        near(f"1-4 epsilon {i}-{j}", float(w[3]), math.sqrt(ei * ej) / 2)
        near(f"1-4 factor {i}-{j}", float(w[4]), 1 / 1.2)

    for b in bad:
        print(b)
    print(f"{len(written_bonds)} bonds, {len(written)} angles, {len(paths)} torsions, "
          f"{len(impropers)} impropers: {len(bad)} differences")
    sys.exit(1 if bad else 0)


main()
