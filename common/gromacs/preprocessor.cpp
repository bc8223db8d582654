#include "common/gromacs/preprocessor.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <map>
#include <string_view>

#include "common/error.h"
#include "common/infile.h"
#include "common/text/fortran.h"

namespace tvl::gmx {

namespace {

using Defines = std::map<std::string, std::string, std::less<>>;

constexpr int max_include_depth = 64;
constexpr int max_rescans = 32;

[[noreturn]] void fail(const Where& at, const std::string& what) { stop_at(at, what); }

bool is_dir(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool is_file(const std::string& p) {
  struct stat st;
  return ::stat(p.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string folder_of(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "";  // the working folder
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string join(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string_view trim(std::string_view s) {
  const std::size_t b = s.find_first_not_of(" \t\r\f\v");
  if (b == std::string_view::npos) return {};
  const std::size_t e = s.find_last_not_of(" \t\r\f\v");
  return s.substr(b, e - b + 1);
}

bool ident_start(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool ident_char(char c) { return ident_start(c) || (c >= '0' && c <= '9'); }
bool digit(char c) { return c >= '0' && c <= '9'; }

// One pass of replacing defined names (whole identifiers; numbers such as
// 1.5e-07 are passed over as a whole). Returns true when anything changed.
bool substitute_once(std::string& text, const Defines& defs) {
  std::string out;
  bool changed = false;
  std::size_t i = 0;
  const std::size_t n = text.size();
  out.reserve(n);
  while (i < n) {
    const char c = text[i];
    if (digit(c) || (c == '.' && i + 1 < n && digit(text[i + 1]))) {
      const std::size_t b = i;
      while (i < n && (ident_char(text[i]) || text[i] == '.' ||
                       ((text[i] == '+' || text[i] == '-') && (text[i - 1] == 'e' || text[i - 1] == 'E'))))
        ++i;
      out.append(text, b, i - b);
    } else if (ident_start(c)) {
      const std::size_t b = i;
      while (i < n && ident_char(text[i])) ++i;
      const std::string_view word(text.data() + b, i - b);
      const auto it = defs.find(word);
      if (it != defs.end()) {
        out += it->second;
        changed = true;
      } else {
        out.append(word);
      }
    } else {
      out += c;
      ++i;
    }
  }
  if (changed) text = std::move(out);
  return changed;
}

struct Cond {
  bool active;       // lines of this branch are taken
  bool outer;        // the enclosing branch is active
  bool else_seen = false;
  Where at;
};

struct State {
  const PreprocessOptions& opt;
  Defines defs;
  std::vector<std::string> stack;  // canonical names of the files being read
  std::vector<Line> out;
  std::vector<std::string>* files;  // every file read, when asked for
};

std::string canonical(const std::string& path) {
  char buf[PATH_MAX];
  if (::realpath(path.c_str(), buf)) return buf;
  return path;
}

// The include file `name` asked for at `at` from a file in folder `dir`.
std::string find_include(const State& st, const std::string& name, const std::string& dir, const Where& at) {
  if (!name.empty() && name[0] == '/') {
    if (is_file(name)) return name;
    fail(at, "cannot find include file \"" + name + "\"");
  }
  if (const std::string p = join(dir, name); is_file(p)) return p;
  for (const std::string& d : st.opt.include_dirs)
    if (const std::string p = join(d, name); is_file(p)) return p;
  for (const std::string& d : st.opt.library_dirs)
    if (const std::string p = join(d, name); is_file(p)) return p;
  fail(at, "cannot find include file \"" + name + "\"");
}

void read_file(State& st, const std::string& file, const Where* from);

// The directive `line` (starting with '#') of a file in folder `dir`.
void directive(State& st, std::string_view line, const Where& at, const std::string& dir,
               std::vector<Cond>& conds) {
  std::string_view rest = trim(line.substr(1));
  std::size_t e = 0;
  while (e < rest.size() && ident_char(rest[e])) ++e;
  const std::string_view word = rest.substr(0, e);
  rest = trim(rest.substr(e));
  const bool active = conds.empty() || conds.back().active;

  auto name_arg = [&](std::string_view what) {
    std::size_t k = 0;
    while (k < rest.size() && ident_char(rest[k])) ++k;
    if (k == 0) fail(at, "#" + std::string(what) + " needs a name");
    return std::string(rest.substr(0, k));
  };

  if (word == "ifdef" || word == "ifndef") {
    const std::string name = name_arg(word);
    const bool defined = st.defs.count(name) > 0;
    conds.push_back({active && (word == "ifdef" ? defined : !defined), active, false, at});
  } else if (word == "else") {
    if (conds.empty()) fail(at, "#else without #ifdef or #ifndef");
    Cond& c = conds.back();
    if (c.else_seen) fail(at, "second #else of one #ifdef");
    c.else_seen = true;
    c.active = c.outer && !c.active;
  } else if (word == "endif") {
    if (conds.empty()) fail(at, "#endif without #ifdef or #ifndef");
    conds.pop_back();
  } else if (!active) {
    // #define, #undef and #include in a branch not taken do nothing; other
    // directives are checked only where they take effect.
    if (word != "define" && word != "undef" && word != "include") fail(at, "unknown directive #" + std::string(word));
  } else if (word == "define") {
    const std::string name = name_arg(word);
    std::string value(trim(rest.substr(name.size())));
    st.defs[name] = value;
  } else if (word == "undef") {
    st.defs.erase(name_arg(word));
  } else if (word == "include") {
    if (rest.size() < 2 || !((rest.front() == '"' && rest.back() == '"') || (rest.front() == '<' && rest.back() == '>')))
      fail(at, "#include needs a file name between \"\" or <>");
    const std::string name(rest.substr(1, rest.size() - 2));
    if (name.empty()) fail(at, "#include needs a file name between \"\" or <>");
    read_file(st, find_include(st, name, dir, at), &at);
  } else {
    fail(at, "unknown directive #" + std::string(word));
  }
}

void read_file(State& st, const std::string& file, const Where* from) {
  const std::string canon = canonical(file);
  for (const std::string& open : st.stack)
    if (open == canon) fail(*from, "#include cycle: \"" + file + "\" includes itself");
  if (static_cast<int>(st.stack.size()) >= max_include_depth)
    fail(*from, "#include nested deeper than " + std::to_string(max_include_depth) + " files");
  InFile f;
  if (is_file(file)) f = open_in(file);
  if (!f) {
    if (from) fail(*from, "cannot read include file \"" + file + "\"");
    tvl::stop({tvl::text::free_text("ERROR: Cannot read topology file \"" + file + "\"")});
  }
  st.stack.push_back(canon);
  if (st.files) st.files->push_back(file);
  const std::string dir = folder_of(file);
  tvl::text::LineReader in(f.get());
  std::vector<Cond> conds;
  std::string raw, line;
  for (;;) {
    const auto s = in.next(raw);
    if (s == tvl::text::LineReader::Status::eof) break;
    const Where at{file, static_cast<int>(in.line_number())};
    if (s != tvl::text::LineReader::Status::ok) fail(at, "unreadable line");
    line = raw;
    // '\' at the end of a line joins the next line to it.
    for (;;) {
      const std::string_view t = trim(line);
      if (t.empty() || t.back() != '\\') break;
      line.resize(static_cast<std::size_t>(t.data() - line.data()) + t.size() - 1);
      line += ' ';
      const auto s2 = in.next(raw);
      if (s2 == tvl::text::LineReader::Status::eof) break;
      if (s2 != tvl::text::LineReader::Status::ok)
        fail({file, static_cast<int>(in.line_number())}, "unreadable line");
      line += raw;
    }
    if (const std::size_t semi = line.find(';'); semi != std::string::npos) line.resize(semi);
    const std::string_view t = trim(line);
    // a line beginning with '*' is a comment too (the older topology style)
    if (t.empty() || t.front() == '*') continue;
    if (t.front() == '#') {
      directive(st, t, at, dir, conds);
      continue;
    }
    if (!conds.empty() && !conds.back().active) continue;
    Line out{std::string(t), at};
    if (!st.defs.empty()) {
      int passes = 0;
      while (substitute_once(out.text, st.defs))
        if (++passes > max_rescans || out.text.size() > tvl::text::LineReader::max_line)
          fail(at, "#define values that refer to each other without end");
      out.text = std::string(trim(out.text));
      if (out.text.empty()) continue;
    }
    st.out.push_back(std::move(out));
  }
  if (!conds.empty()) fail(conds.back().at, "#ifdef or #ifndef without #endif");
  st.stack.pop_back();
}

}  // namespace

void stop_at(const Where& at, const std::string& what) {
  tvl::stop({tvl::text::free_text("ERROR: " + at.file + ", line " + std::to_string(at.line) + ": " + what)});
}

std::vector<std::string> default_library_dirs() {
  std::vector<std::string> dirs;
  if (const char* lib = std::getenv("GMXLIB")) {
    std::string_view s(lib);
    while (!s.empty()) {
      const std::size_t c = s.find(':');
      const std::string d(s.substr(0, c));
      if (!d.empty() && is_dir(d)) dirs.push_back(d);
      if (c == std::string_view::npos) break;
      s.remove_prefix(c + 1);
    }
  }
  std::string data;
  if (const char* gd = std::getenv("GMXDATA"); gd && *gd) {
    data = join(gd, "top");
  } else if (const char* path = std::getenv("PATH")) {
    std::string_view s(path);
    while (!s.empty()) {
      const std::size_t c = s.find(':');
      const std::string d(s.substr(0, c));
      if (!d.empty() && is_file(join(d, "gmx"))) {
        // next to the program as found, else next to the file a link leads to
        data = join(d, "../share/gromacs/top");
        if (!is_dir(data)) data = join(folder_of(canonical(join(d, "gmx"))), "../share/gromacs/top");
        break;
      }
      if (c == std::string_view::npos) break;
      s.remove_prefix(c + 1);
    }
  }
  if (!data.empty() && is_dir(data)) dirs.push_back(canonical(data));
  return dirs;
}

std::pair<std::string, std::string> parse_define(const std::string& arg) {
  const std::size_t eq = arg.find('=');
  std::string name = arg.substr(0, eq);
  std::string value = eq == std::string::npos ? std::string() : arg.substr(eq + 1);
  bool ok = !name.empty() && ident_start(name[0]);
  for (char c : name) ok = ok && ident_char(c);
  if (!ok) tvl::stop({tvl::text::free_text("ERROR: -D needs NAME or NAME=value, not \"" + arg + "\"")}, tvl::exit_usage);
  return {name, value};
}

std::vector<Line> preprocess(const std::string& file, const PreprocessOptions& opt,
                             std::vector<std::string>* files) {
  State st{opt, {}, {}, {}, files};
  for (const auto& [name, value] : opt.defines) st.defs[name] = value;
  read_file(st, file, nullptr);
  return std::move(st.out);
}

}  // namespace tvl::gmx
