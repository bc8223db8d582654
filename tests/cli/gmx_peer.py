#!/usr/bin/python3
"""Independent checks of top2sys against GROMACS (used by top2sys.sh).

  gmx_peer.py topology DUMP SYS STR
      every atom's charge, mass and molecule in SYS/STR against the `gmx dump`
      of the grompp output, and every mapped bonded term after unit conversion
  gmx_peer.py broken DUMP XTCDUMP
      whether some molecule of the frames is broken across the box (a site
      more than half a box from the one before it), as mdrun writes them
  gmx_peer.py curves DUMP XTCDUMP TMAX ROTCF_VECTORS...
      the rotcf and mucf curves computed with numpy from the frames of
      `gmx dump -f` and the charges and molecules of the tpr dump, compared to
      rotcf_p1p2.dat, mucf_p1.dat and mucf_p2.dat in the working folder
      (a vector is MOLTYPE:i,j,k,l with 0-based atoms of the molecule type)
"""
import re
import sys

import numpy as np

KELVIN = 0.00831451
NUM = r"[-+]?[0-9.]+(?:e[-+]?[0-9]+)?"
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def close(a, b, rel=1e-5, abs_=1e-9):
    return abs(a - b) <= rel * max(abs(a), abs(b)) + abs_


# ---- gmx dump of a tpr ------------------------------------------------------
def read_tpr_dump(path):
    text = open(path).read().splitlines()
    ff, fudge, blocks, moltypes = {}, None, [], []
    mt = None
    pending = ""  # an exclusion list continued on the next lines
    for line in text:
        s = line.strip()
        if pending or s.startswith("excls["):
            pending += s
            if not pending.endswith("}"):
                continue
            s, pending = pending, ""
        m = re.match(r"functype\[(\d+)\]=(\w+), (.*)$", s)
        if m:
            ff[int(m.group(1))] = (m.group(2), dict((k, float(v)) for k, v in re.findall(r"([\w\[\]]+)=\s*(" + NUM + ")", m.group(3))))
            continue
        m = re.match(r"fudgeQQ\s*=\s*(" + NUM + ")", s)
        if m:
            fudge = float(m.group(1))
        m = re.match(r'moltype\s+=\s+(\d+) "', s)
        if m:
            blocks.append([int(m.group(1)), 0])
        m = re.match(r"#molecules\s+=\s+(\d+)", s)
        if m:
            blocks[-1][1] = int(m.group(1))
        m = re.match(r"moltype \((\d+)\):", s)
        if m:
            mt = {"atoms": [], "names": [], "excl": [], "terms": []}
            moltypes.append(mt)
        if mt is None:
            continue
        m = re.match(r'name="(.*)"', s)
        if m and "name" not in mt:
            mt["name"] = m.group(1)
        m = re.match(r"atom\[\s*\d+\]=\{type=.*m=\s*(" + NUM + r"), q=\s*(" + NUM + ")", s)
        if m:
            mt["atoms"].append((float(m.group(2)), float(m.group(1))))
        m = re.match(r'atom\[\s*\d+\]=\{name="(.*)"\}', s)
        if m:
            mt["names"].append(m.group(1))
        m = re.match(r"excls\[(\d+)\]\[num=\d+\]=\{(.*)\}", s)
        if m:
            mt["excl"].append(set(int(x) for x in m.group(2).split(",") if x.strip()))
        m = re.match(r"\d+ type=(\d+) \((\w+)\)\s+([\d\s]+)$", s)
        if m:
            mt["terms"].append((m.group(2), ff[int(m.group(1))][1], tuple(int(x) for x in m.group(3).split())))
    return blocks, moltypes, fudge


# ---- the system file and structure file -------------------------------------
def read_sys(path):
    sites, mols, vectors = {}, [], []
    sec, sub, mol = None, None, None
    for raw in open(path):
        line = raw.split("#")[0].strip().lower()
        if not line:
            continue
        m = re.match(r"begin\{(\w+)\}", line)
        if m:
            if sec == "molecule":
                sub = m.group(1)
            else:
                sec = m.group(1)
                if sec == "molecule":
                    mol = {"sites": [], "con": [], "excl": [], "bonds": [], "angles": [], "dih": [], "nb": []}
                    mols.append(mol)
            continue
        m = re.match(r"end\{(\w+)\}", line)
        if m:
            if sub is not None and m.group(1) == sub:
                sub = None
            else:
                sec = None
            continue
        w = line.split()
        if sec == "sites":
            sites[w[0]] = (float(w[1]), float(w[2]))
        elif sec == "rotcf":
            vectors.append([int(x) for x in w])
        elif sec == "molecule" and sub is None:
            if w[0] == "label":
                mol["label"] = w[1]
        elif sec == "molecule":
            key = {"configuration": "sites", "constraints": "con", "exclude": "excl", "bonds": "bonds",
                   "angles": "angles", "dihedrals": "dih", "nonbonded": "nb"}.get(sub)
            if key == "sites":
                mol["sites"].append(w[0])
            elif key:
                mol[key].append(w)
    return sites, mols, vectors


def read_str(path):
    lines = open(path).read().splitlines()
    m = int(lines[1].split()[0])
    at, out = 2, []
    for j in range(m):
        t, n = (int(x) for x in lines[at + 2].split()[:2])
        names = [lines[at + 3 + 4 * k][:10].strip() for k in range(n)]
        out.append((t, names))
        at += 3 + 4 * n
    return out


# ---- topology comparison ------------------------------------------------------
def dihedral_energy(terms, phi):
    return sum(k * (1 + np.cos(m * phi - np.radians(d))) for k, m, d in terms)


def rb_energy(c, phi):
    psi = phi - np.pi
    return sum(c[n] * np.cos(psi) ** n for n in range(6))


def compare_topology(dump, sysf, strf):
    blocks, moltypes, fudge = read_tpr_dump(dump)
    sites, mols, _ = read_sys(sysf)
    mols_str = read_str(strf)
    # every atom: charge, mass, molecule
    ref = []
    for t, n in blocks:
        for _ in range(n):
            ref.append((moltypes[t]["name"].lower()[:10], moltypes[t]["atoms"]))
    check(len(ref) == len(mols_str), "molecule count %d, tpr %d" % (len(mols_str), len(ref)))
    natoms = 0
    for j, ((label, atoms), (t, names)) in enumerate(zip(ref, mols_str)):
        check(mols[t - 1]["label"] == label, "molecule %d: type %s, tpr %s" % (j + 1, mols[t - 1]["label"], label))
        check(len(names) == len(atoms), "molecule %d: %d atoms, tpr %d" % (j + 1, len(names), len(atoms)))
        for k, (name, (q, m)) in enumerate(zip(names, atoms)):
            natoms += 1
            sq, sm = sites[name]
            check(close(sq, q) and close(sm, m), "molecule %d atom %d: q %g m %g, tpr q %g m %g" % (j + 1, k + 1, sq, sm, q, m))
    # bonded terms of every molecule type
    by_label = dict((m["label"], m) for m in mols)
    nterms = 0
    for mt in moltypes:
        mol = by_label.get(mt["name"].lower()[:10])
        if mol is None:
            continue
        bonds = dict((tuple(sorted(int(x) - 1 for x in w[1:3])), (float(w[3]) * 100, float(w[4]) / 10)) for w in mol["bonds"])
        angles = dict(((min(int(w[0]), int(w[2])) - 1, int(w[1]) - 1, max(int(w[0]), int(w[2])) - 1), (float(w[3]), float(w[4])))
                      for w in mol["angles"])
        cons = dict((tuple(sorted(int(x) - 1 for x in w[:2])), float(w[2]) / 10) for w in mol["con"])
        pairs = dict((tuple(sorted(int(x) - 1 for x in w[:2])), [float(x) for x in w[2:5]]) for w in mol["nb"])
        props, rbs, imps, seen_imps = {}, {}, {}, set()
        for w in mol["dih"]:
            if w[0] == "improper":
                a = tuple(int(x) - 1 for x in w[1:5])
                imps[min(a, a[::-1])] = (float(w[5]), float(w[6]))
            if w[0] == "proper":
                a = tuple(int(x) - 1 for x in w[1:5])
                a = min(a, a[::-1])
                v = [float(x) for x in w[5:]]
                props.setdefault(a, []).extend((v[i], v[i + 1], v[i + 2]) for i in range(0, len(v), 3))
        seen_bonds, seen_angles, seen_pairs, seen_cons = set(), set(), set(), set()
        for kind, p, a in mt["terms"]:
            nterms += 1
            if kind == "BONDS":
                key = tuple(sorted(a))
                seen_bonds.add(key)
                k, r = bonds.get(key, (None, None))
                check(k is not None and close(k, p["cbA"]) and close(r, p["b0A"]), "%s bond %s: %s %s, tpr %s" % (mt["name"], a, k, r, p))
            elif kind == "ANGLES":
                key = (min(a[0], a[2]), a[1], max(a[0], a[2]))
                seen_angles.add(key)
                k, th = angles.get(key, (None, None))
                check(k is not None and close(k, p["ctA"]) and close(th, p["thA"]), "%s angle %s: %s %s, tpr %s" % (mt["name"], a, k, th, p))
            elif kind == "IDIHS":
                key = min(a, a[::-1])
                seen_imps.add(key)
                v = imps.get(key)
                check(v is not None and close(v[0], p["cxA"]) and close(v[1], p["xiA"]), "%s improper %s: %s, tpr %s" % (mt["name"], a, v, p))
            elif kind in ("RBDIHS", "PDIHS", "PIDIHS"):
                key = min(a, a[::-1])
                rbs.setdefault(key, []).append((kind, p))
            elif kind == "LJ14":
                key = tuple(sorted(a))
                seen_pairs.add(key)
                v = pairs.get(key)
                ok = v is not None
                if ok:
                    sig, eps = v[0] / 10, v[1] * KELVIN
                    ok = (close(4 * eps * sig ** 6, p["c6A"], 2e-5, 1e-12) and close(4 * eps * sig ** 12, p["c12A"], 2e-5, 1e-15)
                          and close(v[2], fudge))
                check(ok, "%s pair %s: %s, tpr %s" % (mt["name"], a, v, p))
            elif kind == "SETTLE":
                o = a[0]
                for key, d in (((o, o + 1), p["doh"]), ((o, o + 2), p["doh"]), ((o + 1, o + 2), p["dhh"])):
                    seen_cons.add(key)
                    check(key in cons and close(cons[key], d), "%s settle %s: %s, tpr %s" % (mt["name"], key, cons.get(key), d))
            elif kind == "CONSTR":
                key = tuple(sorted(a))
                seen_cons.add(key)
                check(key in cons and close(cons[key], p["dA"]), "%s constraint %s" % (mt["name"], key))
            else:
                check(False, "%s: term %s not compared" % (mt["name"], kind))
        check(seen_bonds == set(bonds), "%s: bonds differ" % mt["name"])
        check(seen_angles == set(angles), "%s: angles differ" % mt["name"])
        check(seen_pairs == set(pairs), "%s: 1-4 pairs differ" % mt["name"])
        check(seen_cons == set(cons), "%s: constraints differ" % mt["name"])
        check(set(rbs) == set(props), "%s: dihedrals differ" % mt["name"])
        check(seen_imps == set(imps), "%s: impropers differ" % mt["name"])
        phi = np.linspace(-np.pi, np.pi, 73)
        for key, terms in rbs.items():
            e = sum(rb_energy([p["rbcA[%d]" % n] for n in range(6)], phi) if kind == "RBDIHS"
                    else dihedral_energy([(p["cpA"], p["mult"], p["phiA"])], phi) for kind, p in terms)
            f = dihedral_energy(props.get(key, []), phi)
            d = (e - e.mean()) - (f - f.mean())
            check(np.abs(d).max() < 1e-5 * (1 + np.abs(e).max()), "%s dihedral %s differs by %g" % (mt["name"], key, np.abs(d).max()))
        # exclusions (the tpr lists each atom with itself)
        n = len(mt["atoms"])
        want = set((i, j) for i in range(n) for j in mt["excl"][i] if j > i)
        got = set()
        for w in mol["excl"]:
            if w[0] == "all":
                got |= set((i, j) for i in range(n) for j in range(i + 1, n))
            else:
                got.add(tuple(sorted(int(x) - 1 for x in w[:2])))
        check(got == want, "%s: exclusions differ: %s" % (mt["name"], sorted(got ^ want)[:10]))
    print("compared %d atoms and %d terms" % (natoms, nterms))


# ---- frames ----------------------------------------------------------------------
def molecule_ranges(blocks, moltypes):
    out, at = [], 0
    for t, n in blocks:
        size = len(moltypes[t]["atoms"])
        for _ in range(n):
            out.append((t, at, at + size))
            at += size
    return out


def count_broken(dump, xtcdump):
    blocks, moltypes, _ = read_tpr_dump(dump)
    x, box = read_xtc_dump(xtcdump, with_box=True)
    broken = 0
    for _, b, e in molecule_ranges(blocks, moltypes):
        d = np.abs(np.diff(x[:, b:e], axis=1))
        broken += int((d > 0.5 * box[:, None, :]).any(axis=(1, 2)).sum())
    check(broken > 0, "no molecule is broken across the box in any frame")
    print("%d molecule frames broken across the box" % broken)


# ---- correlation curves -------------------------------------------------------------
def read_xtc_dump(path, with_box=False):
    frames, boxes, cur = [], [], None
    vec = r"\{\s*(" + NUM + r"),\s*(" + NUM + r"),\s*(" + NUM + r")\}"
    for line in open(path):
        s = line.strip()
        if s.startswith("natoms="):
            cur = []
            frames.append(cur)
            boxes.append([])
        b = re.match(r"box\[\s*(\d)\]=" + vec, s)
        if b and boxes:
            boxes[-1].append(float(b.group(2 + int(b.group(1)))))
        m = re.match(r"x\[\s*\d+\]=\{\s*(" + NUM + r"),\s*(" + NUM + r"),\s*(" + NUM + r")\}", s)
        if m and cur is not None:
            cur.append([float(m.group(i)) for i in (1, 2, 3)])
    return (np.array(frames), np.array(boxes)) if with_box else np.array(frames)


def legendre_sums(u, tmax):
    """Sums over origins of c and c^2 and origin counts for lags 0..tmax; u: frames x series x 3."""
    nf = u.shape[0]
    s1, s2, cnt = [], [], []
    for tau in range(tmax + 1):
        c = np.einsum("fsk,fsk->fs", u[:nf - tau], u[tau:])
        s1.append(c.sum(axis=0))
        s2.append((c * c).sum(axis=0))
        cnt.append(nf - tau)
    return np.array(s1), np.array(s2), np.array(cnt)


def read_table(path):
    return np.array([[float(x.replace("D", "E")) for x in l.split()] for l in open(path) if l.strip()])


def compare_curves(dump, xtcdump, tmax, vectors):
    blocks, moltypes, _ = read_tpr_dump(dump)
    x = read_xtc_dump(xtcdump)
    mols = molecule_ranges(blocks, moltypes)
    names = [mt["name"] for mt in moltypes]
    # rotcf: plane normals (r_i - r_j) x (r_k - r_l), all series averaged together
    normals = []
    for t, b, e in mols:
        for v in vectors:
            name, idx = v.split(":")
            i, j, k, l = (int(a) for a in idx.split(","))
            if names[t] == name:
                normals.append(np.cross(x[:, b + i] - x[:, b + j], x[:, b + k] - x[:, b + l]))
    u = np.stack(normals, axis=1)
    u /= np.linalg.norm(u, axis=2, keepdims=True)
    s1, s2, cnt = legendre_sums(u, tmax)
    p1 = s1.sum(axis=1) / (cnt * u.shape[1])
    p2 = (3 * s2.sum(axis=1) / (cnt * u.shape[1])) - 1
    got = read_table("rotcf_p1p2.dat")
    check(got.shape[0] == tmax + 1, "rotcf: %d lags" % got.shape[0])
    check(np.abs(got[:, 1] - p1 / p1[0]).max() < 1e-5, "rotcf P1 differs by %g" % np.abs(got[:, 1] - p1 / p1[0]).max())
    check(np.abs(got[:, 2] - p2 / p2[0]).max() < 1e-5, "rotcf P2 differs by %g" % np.abs(got[:, 2] - p2 / p2[0]).max())
    # mucf: dipoles sum q r per molecule, averaged per molecule type
    q = np.concatenate([np.array([a[0] for a in moltypes[t]["atoms"]] * n) for t, n in blocks])
    mu = np.stack([(q[b:e, None] * x[:, b:e]).sum(axis=1) for _, b, e in mols], axis=1)
    mu /= np.linalg.norm(mu, axis=2, keepdims=True)
    s1, s2, cnt = legendre_sums(mu, tmax)
    g1, g2 = read_table("mucf_p1.dat"), read_table("mucf_p2.dat")
    types = [t for t, _, _ in mols]
    for col, t in enumerate(sorted(set(types))):
        sel = [k for k, tt in enumerate(types) if tt == t]
        n = cnt * len(sel)
        m1 = s1[:, sel].sum(axis=1) / n
        m2 = (1.5 * s2[:, sel].sum(axis=1) - 0.5 * n) / n
        check(np.abs(g1[:, col + 1] - m1).max() < 1e-5, "mucf P1 of %s differs by %g" % (names[t], np.abs(g1[:, col + 1] - m1).max()))
        check(np.abs(g2[:, col + 1] - m2).max() < 1e-5, "mucf P2 of %s differs by %g" % (names[t], np.abs(g2[:, col + 1] - m2).max()))
    print("compared rotcf over %d vectors and mucf over %d molecules, %d frames" % (u.shape[1], mu.shape[1], x.shape[0]))


if __name__ == "__main__":
    cmd = sys.argv[1]
    if cmd == "topology":
        compare_topology(*sys.argv[2:5])
    elif cmd == "broken":
        count_broken(sys.argv[2], sys.argv[3])
    elif cmd == "curves":
        compare_curves(sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5:])
    for f in failures[:30]:
        print("MISMATCH:", f)
    sys.exit(1 if failures else 0)
