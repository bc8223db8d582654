"""Energy of a system file's molecules, evaluated on their own, for the GROMACS
peer checks of sys2top. Reads the system file and a GRO file itself.

  sys_energy.py vacuum <in.gro> <out.gro> <out.mdp>
      the configuration in a box large enough for plain cut-offs that see
      every pair and no periodic image, and the rerun settings
  sys_energy.py compare <system-file> <gro> <energy.xvg>
      the terms of the system file on the GRO coordinates against those of
      `gmx energy` (1e-4 relative or 1e-3 kJ/mol); exit 1 on a difference
"""
import re
import sys

import numpy as np

KJ_PER_K, COULOMB, DEG = 0.00831451, 138.9357, np.pi / 180
TERMS = ["Bond", "Angle", "Proper Dih.", "Improper Dih.", "LJ-14", "Coulomb-14", "LJ (SR)", "Coulomb (SR)"]


def read_gro(name):
    lines = open(name).read().split("\n")
    n = int(lines[1])
    atoms = [(int(l[0:5]), l[5:10].strip(), [float(l[20 + 8 * d:28 + 8 * d]) for d in range(3)]) for l in lines[2:2 + n]]
    return atoms, [float(v) for v in lines[2 + n].split()[:3]]


def vacuum(gro, out_gro, out_mdp):
    atoms, _ = read_gro(gro)
    x = np.array([a[2] for a in atoms])
    extent = float(np.linalg.norm(x.max(0) - x.min(0)))
    rc = extent + 0.5
    box = extent + rc + 1.0
    x += np.round(box / 2 - (x.max(0) + x.min(0)) / 2, 3)  # whole thousandths keep the coordinates
    lines = open(gro).read().split("\n")
    with open(out_gro, "w") as f:
        f.write(lines[0] + "\n" + lines[1] + "\n")
        for l, r in zip(lines[2:2 + len(atoms)], x):
            f.write(l[:20] + "".join("%8.3f" % v for v in r) + "\n")
        f.write("%10.5f%10.5f%10.5f\n" % (box, box, box))
    with open(out_mdp, "w") as f:
        f.write("integrator = md\nnsteps = 0\ncontinuation = yes\ncutoff-scheme = Verlet\n"
                "verlet-buffer-tolerance = -1\ncoulombtype = Cut-off\nvdwtype = Cut-off\n"
                "coulomb-modifier = None\nvdw-modifier = None\n"
                "rlist = %.3f\nrcoulomb = %.3f\nrvdw = %.3f\n" % (rc, rc, rc))


def read_sys(name):
    """Site types, the LJ table (nm, kJ/mol) and molecule types of a system file."""
    types, raw, pair, mols = {}, {}, {}, []
    sec, sub, mol = None, None, None
    for line in open(name):
        line = line.split("#")[0].lower()
        w = re.sub(r"[,=\t]", " ", line).split()
        if not w:
            continue
        joined = "".join(w)
        if joined.startswith("begin{") or joined.startswith("end{"):
            key, what = joined.split("{")[0], joined.split("{")[1].rstrip("}")
            if key == "begin" and sec == "molecule":
                sub = what
            elif key == "begin":
                sec = what
                if what.startswith("molecule"):
                    sec, mol = "molecule", dict(label="", sites=[], xyz=[], excl=set(), bonds=[], angles=[], propers=[],
                                                impropers=[], pairs=[], virtual=[], constraints=[])
                    mols.append(mol)
            elif sub is not None:
                sub = None
            else:
                if sec in ("lorentz_lj", "opls_lj"):  # the section's rule over all pairs
                    for a in types:
                        for b in types:
                            sa, sb = raw.get(a, (0, 0)), raw.get(b, (0, 0))
                            s = (sa[0] + sb[0]) / 2 if sec == "lorentz_lj" else np.sqrt(max(sa[0] * sb[0], 0))
                            pair[a, b] = (0.1 * s, KJ_PER_K * np.sqrt(max(sa[1] * sb[1], 0)))
                sec = None
            continue
        if sec == "sites":
            types[w[0][:10]] = (float(w[1]), float(w[2]))
        elif sec == "lj":
            pair[w[0][:10], w[1][:10]] = pair[w[1][:10], w[0][:10]] = (0.1 * float(w[2]), KJ_PER_K * float(w[3]))
        elif sec in ("lorentz_lj", "opls_lj"):
            raw[w[0][:10]] = (float(w[1]), float(w[2]))
        elif sec == "molecule":
            i = [int(v) - 1 for v in w[:5] if re.fullmatch(r"-?\d+", v)]
            if sub is None and w[0].startswith("label"):
                mol["label"] = w[1][:10]
            elif sub and sub.startswith("configuration"):
                mol["sites"].append(w[0][:10])
                mol["xyz"].append([float(v) for v in w[1:4]] if len(w) == 4 else [0.0] * 3)
            elif sub and sub.startswith("constraints"):
                mol["constraints"].append((i[0], i[1], float(w[2]) if len(w) > 2 else 0.0))
            elif sub and sub.startswith("exclude"):
                n = len(mol["sites"])
                mol["excl"] |= {(a, b) for a in range(n) for b in range(a + 1, n)} if w[0] == "all" else {tuple(sorted(i[:2]))}
            elif sub and sub.startswith("bond") and w[0].startswith("harmonic"):
                mol["bonds"].append((i[0], i[1], 100 * float(w[3]), 0.1 * float(w[4])))
            elif sub and sub.startswith("angle"):
                mol["angles"].append((i[0], i[1], i[2], float(w[3]), float(w[4]) * DEG))
            elif sub and sub.startswith("dihedral") and w[0].startswith("improper"):
                mol["impropers"].append((i, float(w[5]), float(w[6]) * DEG))
            elif sub and sub.startswith("dihedral") and w[0].startswith("proper"):
                t = [float(v) for v in w[5:]]
                mol["propers"].append((i, [t[3 * m:3 * m + 3] for m in range(len(t) // 3)]))
            elif sub and sub.startswith("nonbonded"):
                f = [float(v) for v in w[2:5]] + [0.0]
                mol["pairs"].append((i[0], i[1], 0.1 * f[0], KJ_PER_K * f[1], f[2]))
            elif sub and sub.startswith("virtual"):
                mol["virtual"].append((int(w[0]) - 1, [(int(w[k]) - 1, float(w[k + 1])) for k in range(1, len(w) - 1, 2)]))
    return types, pair, mols


def dihedral(x1, x2, x3, x4):
    b1, b2, b3 = x2 - x1, x3 - x2, x4 - x3
    n1, n2 = np.cross(b1, b2), np.cross(b2, b3)
    return np.arctan2(np.linalg.norm(b2) * np.dot(b1, n2), np.dot(n1, n2))


def lj(s, e, r):
    return 4 * e * ((s / r) ** 12 - (s / r) ** 6)


def energies(sysfile, gro):
    types, pair, mols = read_sys(sysfile)
    atoms, _ = read_gro(gro)
    x = np.array([a[2] for a in atoms])
    by_res = {m["label"][:5]: m for m in mols}
    E = dict.fromkeys(TERMS, 0.0)
    names, molecule, excluded, start = [], [], set(), 0
    while start < len(atoms):
        m = by_res[atoms[start][1]]
        o, X = start, x[start:start + len(m["sites"])]
        for v, refs in m["virtual"]:  # where the references put it, within the GRO file's rounding
            assert np.max(np.abs(sum(c * X[r] for r, c in refs) - X[v])) < 2e-3, "virtual site %d misplaced" % (v + 1)
        for a, b, k, r0 in m["bonds"]:
            E["Bond"] += 0.5 * k * (np.linalg.norm(X[a] - X[b]) - r0) ** 2
        for a, b, c, k, t0 in m["angles"]:
            u, v = X[a] - X[b], X[c] - X[b]
            t = np.arccos(np.clip(np.dot(u, v) / np.linalg.norm(u) / np.linalg.norm(v), -1, 1))
            E["Angle"] += 0.5 * k * (t - t0) ** 2
        for s, terms in m["propers"]:
            phi = dihedral(*X[s])
            E["Proper Dih."] += sum(k * (1 + np.cos(mult * phi - d * DEG)) for k, mult, d in terms)
        for s, k, x0 in m["impropers"]:
            d = (dihedral(*X[s]) - x0 + np.pi) % (2 * np.pi) - np.pi
            E["Improper Dih."] += 0.5 * k * d ** 2
        for a, b, s, e, f in m["pairs"]:
            r = np.linalg.norm(X[a] - X[b])
            E["LJ-14"] += lj(s, e, r)
            E["Coulomb-14"] += f * COULOMB * types[m["sites"][a]][0] * types[m["sites"][b]][0] / r
        excluded |= {(o + a, o + b) for a, b in m["excl"]}
        names += m["sites"]
        molecule += [start] * len(m["sites"])
        start += len(m["sites"])
    q = np.array([types[n][0] for n in names])
    for i in range(len(names) - 1):
        r = np.linalg.norm(x[i + 1:] - x[i], axis=1)
        keep = np.array([(i, j) not in excluded for j in range(i + 1, len(names))])
        s = np.array([pair.get((names[i], n), (0, 0))[0] for n in names[i + 1:]])
        e = np.array([pair.get((names[i], n), (0, 0))[1] for n in names[i + 1:]])
        E["LJ (SR)"] += np.sum(np.where(keep, lj(s, e, r), 0))
        E["Coulomb (SR)"] += np.sum(np.where(keep, COULOMB * q[i] * q[i + 1:] / r, 0))
    return E


def compare(sysfile, gro, xvg):
    legends = re.findall(r'^@ s\d+ legend "(.*)"', open(xvg).read(), re.M)
    row = [l for l in open(xvg) if l.strip() and l[0] not in "#@"][0].split()[1:]
    gmx = dict.fromkeys(TERMS, 0.0)
    gmx.update({name.replace("-Dih", " Dih").replace("(SR)", " (SR)").replace("  ", " "): float(v)
                for name, v in zip(legends, row)})
    ours, bad = energies(sysfile, gro), 0
    for t in TERMS:
        ok = abs(ours[t] - gmx[t]) <= max(1e-3, 1e-4 * abs(gmx[t]))
        bad += not ok
        print("%-14s %16.6f %16.6f %s" % (t, ours[t], gmx[t], "" if ok else "DIFFERS"))
    return 1 if bad else 0


def canonical(sysfile):
    """A system file's sites, parameters and terms in one comparable form: lists of numbers
    keyed by what they are, terms in a fixed order, geometry about the centre of mass."""
    types, pair, mols = read_sys(sysfile)
    c = {("pair",) + k: v for k, v in pair.items() if k[0] <= k[1]}
    c.update({("type", n): v for n, v in types.items()})
    for m in mols:
        L, x = m["label"], np.array(m["xyz"]) * 0.1
        mass = np.array([types[n][1] for n in m["sites"]])
        x -= mass @ x / mass.sum()
        c[L, "sites"] = m["sites"]
        c.update({(L, "xyz", k): list(v) for k, v in enumerate(x)})
        c[L, "excl"] = sorted(m["excl"])
        for a, b, d in m["constraints"]:
            c[L, "con", min(a, b), max(a, b)] = [d * 0.1 or np.linalg.norm(x[a] - x[b])]
        for key in ("bonds", "angles", "pairs"):
            for t in m[key]:
                n = 3 if key == "angles" else 2
                c[(L, key) + tuple(t[:n])] = sorted(c.get((L, key) + tuple(t[:n]), []) + [list(t[n:])])
        for s, terms in m["propers"]:  # k (1 + cos(m phi - d)) = k (1 + cos(-m phi + d)); k = 0 is no term
            terms = [[k, abs(n), d if n >= 0 else -d] for k, n, d in terms if k != 0]
            if terms:
                c[(L, "proper") + tuple(s)] = sorted(c.get((L, "proper") + tuple(s), []) + terms)
        for s, k, x0 in m["impropers"]:
            c[(L, "improper") + tuple(s)] = sorted(c.get((L, "improper") + tuple(s), []) + [[k, x0]])
        c.update({(L, "virtual", v): sorted(refs) for v, refs in m["virtual"]})
    return c


def same(a, b):
    """Exit 1 unless two system files hold the same sites, parameters and terms (1e-6 relative;
    coordinates to the 0.001 nm of a GRO file)."""
    ca, cb = canonical(a), canonical(b)
    bad = sorted(set(ca) ^ set(cb), key=str)
    for k in set(ca) & set(cb):
        va, vb = np.array(ca[k], dtype=object).ravel(), np.array(cb[k], dtype=object).ravel()
        tol = 1.2e-3 if "xyz" in k else 0
        if len(va) != len(vb) or any(x != y if isinstance(x, str) else abs(x - y) > max(tol, 1e-6 * abs(x))
                                     for x, y in zip(np.hstack(va), np.hstack(vb))):
            bad.append(k)
    for k in bad:
        print("differs:", k, ca.get(k), cb.get(k))
    return 1 if bad else 0


if __name__ == "__main__":
    if sys.argv[1] == "vacuum":
        vacuum(*sys.argv[2:5])
    elif sys.argv[1] == "same":
        sys.exit(same(*sys.argv[2:4]))
    else:
        sys.exit(compare(*sys.argv[2:5]))
