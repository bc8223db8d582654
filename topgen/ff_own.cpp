// The package's own force-field format, read in one pass: sections between
// "!begin_<name>" and "!end_<name>" records, and the two 1-4 scale settings,
// which count wherever they stand.
#include <algorithm>
#include <array>
#include <string>
#include <unordered_map>
#include <vector>

#include "topgen/input.h"
#include "topgen/readers.h"

namespace tvl::topgen {

namespace {

// A section keyword or setting must stand within the first `window` records,
// and a section holds at most `section_cap` entries.
constexpr long window = 10000;
constexpr int section_cap = 10000;

enum Section { sites, nonbonded, bonds, angles, dihedrals, impropers, int14, nsections, none = nsections };

constexpr std::array<std::string_view, nsections> section_names = {
    "sites", "nonbonded", "bonds", "angles", "dihedrals", "improper_dihedrals", "14_interactions"};

constexpr std::string_view coulomb_key = "!scale_coulomb_14_interactions";
constexpr std::string_view lj_key = "!scale_lj_14_interactions";


// The section that the record opens (prefix "!begin_") or closes ("!end_").
Section keyword(const std::string& text, std::string_view prefix) {
  if (!starts(text, prefix)) return none;
  for (int s = 0; s < nsections; ++s)
    if (std::string_view(text).substr(prefix.size()) == section_names[s]) return Section(s);
  return none;
}

struct LjEntry {
  std::string label;
  double sigma, epsilon;
};

struct Reader {
  RecordFile& f;
  ForceField ff;
  std::vector<LjEntry> lj;

  void setting(const Record& r, long index, double& value) {
    if (index > window)
      f.fail(r, "a setting beyond the first " + std::to_string(window) + " records is not read");
    f.need(r, 2);
    value = f.non_negative(r, 2, "the 1-4 scale");
  }

  void entry(Section s, const Record& r) {
    switch (s) {
      case sites:
        f.need(r, 3);
        append(ff.sites, SiteType{r.label(1), f.real(r, 2), f.real(r, 3)}, "site types");
        break;
      case nonbonded:
        if (r.word(1) == "!equivalent") {
          f.need(r, 2, true);
          if (static_cast<int>(ff.equivalences.size()) >= max_equivalences)
            f.fail(r, "more than " + std::to_string(max_equivalences) + " equivalence groups");
          Equivalence e{r.label(2), {}};
          for (int i = 3; i <= r.nw; ++i) e.labels.push_back(r.label(i));
          ff.equivalences.push_back(std::move(e));
        } else {
          f.need(r, 3);
          lj.push_back({r.label(1), f.non_negative(r, 2, "sigma"), f.non_negative(r, 3, "epsilon")});
        }
        break;
      case bonds:
        f.need(r, 4);
        append(ff.bonds, BondType{labels<2>(r), f.real(r, 3), f.real(r, 4)}, "bond types");
        break;
      case angles:
        f.need(r, 5);
        append(ff.angles, AngleType{labels<3>(r), f.real(r, 4), f.real(r, 5)}, "angle types");
        break;
      case dihedrals: {
        f.need(r, 8);
        double divisor = f.real(r, 5);
        if (divisor == 0) f.fail(r, "the divisor (word 5) is 0");
        const double barrier = f.finite(r, f.real(r, 6) / divisor, "the barrier divided by the divisor");
        append(ff.dihedrals, DihedType{labels<4>(r), barrier, f.real(r, 7), f.real(r, 8)}, "dihedral types");
        break;
      }
      case impropers:
        f.need(r, 7);
        append(ff.impropers, ImdhType{labels<4>(r), f.real(r, 5), f.real(r, 6), f.real(r, 7)},
               "improper dihedral types");
        break;
      case int14:
        if (starts(r.word(1), "!switch_off")) {
          f.need(r, 3);
          Int14Type t;
          t.label = {r.label(2), r.label(3)};
          t.int14_off = 1;
          append(ff.int14, t, "1-4 interaction types");
        } else {
          f.need(r, 5);
          append(ff.int14,
                 Int14Type{labels<2>(r), f.non_negative(r, 3, "sigma"), f.non_negative(r, 4, "epsilon"),
                           f.real(r, 5), 0},
                 "1-4 interaction types");
        }
        break;
      case none:
        break;
    }
  }

  // Lennard-Jones entries go to every site type of their label; then the
  // equivalence groups, applied site type by site type, override them.
  void apply_nonbonded() {
    std::unordered_map<std::string, std::vector<std::size_t>> by_label;
    for (std::size_t i = 0; i < ff.sites.size(); ++i) by_label[ff.sites[i].label].push_back(i);
    for (const LjEntry& e : lj) {
      auto it = by_label.find(e.label);
      if (it == by_label.end()) continue;  // no such site type
      for (std::size_t i : it->second) {
        ff.sites[i].lj_sigma = e.sigma;
        ff.sites[i].lj_epsilon = e.epsilon;
        ff.sites[i].lj_def = 1;
      }
    }
    std::vector<Equivalence> groups;
    std::vector<std::size_t> refs;
    for (Equivalence& g : ff.equivalences) {
      auto it = by_label.find(g.reference);
      if (it == by_label.end()) {
        warning("file " + f.name() + ": the equivalence group of " + g.reference +
                " names no site type and is ignored");
        continue;
      }
      refs.push_back(it->second.back());  // the last site type of that label
      groups.push_back(std::move(g));
    }
    ff.equivalences = std::move(groups);
    for (SiteType& s : ff.sites)
      for (std::size_t g = 0; g < refs.size(); ++g) {
        const auto& l = ff.equivalences[g].labels;
        if (std::find(l.begin(), l.end(), s.label) == l.end()) continue;
        const SiteType& ref = ff.sites[refs[g]];
        s.lj_sigma = ref.lj_sigma;
        s.lj_epsilon = ref.lj_epsilon;
        s.lj_def = 1;
      }
  }
};

}  // namespace

ForceField read_own_forcefield(const std::string& file) {
  RecordFile f(file);
  Reader rd{f, {}, {}};
  std::array<bool, nsections> seen{};
  std::array<int, nsections> count{};
  Section cur = none;
  bool skipping = false;  // inside a later block of a section already read
  Record r;
  long index = 0;
  while (f.next(r)) {
    ++index;
    if (starts(r.text, coulomb_key)) {
      rd.setting(r, index, rd.ff.scale_coulomb14);
      continue;
    }
    if (starts(r.text, lj_key)) {
      rd.setting(r, index, rd.ff.scale_lj14);
      continue;
    }
    Section opens = keyword(r.text, "!begin_");
    if (cur == none) {
      if (opens == none) continue;  // text outside sections
      cur = opens;
      skipping = seen[opens];
      if (skipping) {
        warning("file " + file + ", line " + std::to_string(r.line) + ": a second block of " +
                std::string(section_names[opens]) + " is ignored");
      } else if (index > window) {
        f.fail(r, "a section keyword beyond the first " + std::to_string(window) +
                      " records is not read");
      }
      seen[opens] = true;
      continue;
    }
    if (keyword(r.text, "!end_") == cur) {
      cur = none;
      continue;
    }
    if (opens != none)
      f.fail(r, "section " + std::string(section_names[opens]) + " opened inside section " +
                    std::string(section_names[cur]));
    if (skipping) continue;
    if (++count[cur] > section_cap)
      f.fail(r, "more than " + std::to_string(section_cap) + " entries in section " +
                    std::string(section_names[cur]));
    rd.entry(cur, r);
  }
  rd.apply_nonbonded();
  return std::move(rd.ff);
}

}  // namespace tvl::topgen
