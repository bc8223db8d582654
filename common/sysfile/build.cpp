// The build, umbrella and efg sections.
#include "common/sysfile/reader.h"

namespace tvl::sys::detail {

void read_build(Reader& r, const std::string& name) {
  r.progress("...reading build-section");
  SystemDescription& sd = r.sd;
  sd.type_frac.clear(), sd.xfrac.clear(), sd.yfrac.clear(), sd.zfrac.clear();
  int nfrac = 0;
  for_entries(r, name, [&](int) {
    std::string_view w1 = r.word(1);
    if (starts(w1, "frac")) {
      ++nfrac;
      if (nfrac > r.lim.nsimax) section_overflow("Number of <frac> entries in ", "{build}", r.lim.nsimax, "nsimax");
      // The last molecule type defined so far with this label; a label that
      // names no type would leave the entry without a type.
      int type = -1;
      for (int t = 0; t < sd.ntymol; ++t)
        if (text::same_text(r.word(2), sd.mol[t].label_mol)) type = t;
      double x = 0, y = 0, z = 0;
      if (type < 0 || !r.get_real(3, x) || !r.get_real(4, y) || !r.get_real(5, z)) bad_entry("{build}", nfrac);
      sd.type_frac.push_back(type), sd.xfrac.push_back(x), sd.yfrac.push_back(y), sd.zfrac.push_back(z);
    } else if (starts(w1, "ecell")) {
      double a = 0, b = 0, c = 0;
      // A cell edge is a length: not negative (0 means none).
      if (!r.get_real(2, a) || !r.get_real(3, b) || !r.get_real(4, c) || a < 0 || b < 0 || c < 0)
        bad_entry("{build}", nfrac);
      sd.ecell = {a, b, c};
    } else if (starts(w1, "duplicate")) {
      int a = 0, b = 0, c = 0;
      // Negative counts make no cell; they are refused like unreadable ones.
      if (!r.get_int(2, a) || !r.get_int(3, b) || !r.get_int(4, c) || a < 0 || b < 0 || c < 0)
        bad_entry("{build}", nfrac);
      sd.ndup = {a, b, c};
    }
  });
  sd.nfrac = nfrac;
}

void read_umbrella(Reader& r, const std::string& name) {
  r.progress("...reading umbrella-section");
  SystemDescription& sd = r.sd;
  sd.umb_a.clear(), sd.umb_b.clear(), sd.umb_c.clear(), sd.umb_d.clear(), sd.umb_k.clear(), sd.umb_r.clear();
  for_entries(r, name, [&](int n) {
    if (n > r.lim.numbmax) section_overflow("Number of entries in ", "{umbrella}", r.lim.numbmax, "numbmax");
    int a = 0, b = 0, c = 0, d = 0;
    double k = 0, len = 0;
    if (!r.get_int(1, a) || !r.get_int(2, b) || !r.get_int(3, c) || !r.get_int(4, d) || !r.get_real(5, k, 100.0) ||
        !r.get_real(6, len))
      bad_entry("{umbrella}", n);
    sd.umb_a.push_back(a), sd.umb_b.push_back(b), sd.umb_c.push_back(c), sd.umb_d.push_back(d);
    sd.umb_k.push_back(k), sd.umb_r.push_back(len);
  });
  sd.numb = static_cast<int>(sd.umb_a.size());
}

void read_efg(Reader& r, const std::string& name) {
  r.progress("...reading efg-section");
  SystemDescription& sd = r.sd;
  sd.efg_a.clear(), sd.efg_b.clear();
  for_entries(r, name, [&](int n) {
    if (n > r.lim.nefgmax) section_overflow("Number of entries in ", "{efg}", r.lim.nefgmax, "nefgmax");
    int a = 0, b = 0;
    if (!r.get_int(1, a) || !r.get_int(2, b)) bad_entry("{efg}", n);
    sd.efg_a.push_back(a), sd.efg_b.push_back(b);
  });
  sd.nefg = static_cast<int>(sd.efg_a.size());
}

}  // namespace tvl::sys::detail
