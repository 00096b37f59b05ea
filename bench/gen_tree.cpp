// Writes a CVS working copy with its local repository for the benchmark, the same bytes for
// the same arguments on every machine.
//
//   gen_tree tree <out> <directories> <ignored-percent> <ignored-per-directory>
//   gen_tree refresh <out> <directories> <ignored-percent> <ignored-per-directory>
//   gen_tree entries <out> <lines>
//   gen_tree refresh-entries <out> <lines>
//
// "tree" makes <out>/wc/proj (the working copy: <directories> working directories, each with
// CVS/Entries, CVS/Root as ":local:<out>/repo", CVS/Repository relative to the root), <out>/repo
// (the repository: one revision file per versioned file, some more in Attic folders),
// <out>/home/.cvsignore (CVS's default ignore list) and <out>/manifest (what a run must find).
// In <ignored-percent> of the directories, <ignored-per-directory> entries match the ignore list
// and have their revision files. Working files are empty, since only their names matter to
// Morvellan and to the floor. Revision files are read-only, as CVS leaves them, and empty but for
// those of the ignored entries, which hold a short RCS header.
//
// "entries" makes <out>/wc/big with one CVS/Entries of <lines> lines, 2% of them ignored, and
// the repository folder with the revision files of the ignored ones.
//
// The refresh modes bring an existing tree of the same arguments back to what "tree" or
// "entries" writes, rewriting only the files that differ: after a live run, the rewritten
// Entries files and the deleted revision files. Far quicker than writing the tree afresh.
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <deque>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

// splitmix64: the standard library's distributions differ between implementations.
class TRandom {
 public:
  explicit TRandom(uint64_t Start) : State(Start) {}
  uint64_t Next() {
    uint64_t Z = (State += 0x9E3779B97F4A7C15ull);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
    return Z ^ (Z >> 31);
  }
  /// A number from Low to High, both included.
  int Between(int Low, int High) {
    return Low + static_cast<int>(Next() % static_cast<uint64_t>(High - Low + 1));
  }
  bool Chance(double Probability) {
    return static_cast<double>(Next() >> 11) / 9007199254740992.0 < Probability;
  }
  template <typename T, std::size_t N>
  const T& Pick(const T (&From)[N]) {
    return From[Next() % N];
  }

 private:
  uint64_t State;
};

struct TDirectory {
  std::string Path;  // below the module, "" for the module itself
  int Depth = 0;
  std::vector<std::string> Children;
};

}  // namespace

static const char* const DefaultIgnoreList[] = {
    "RCS",         "SCCS",         "CVS",   "CVS.adm", "RCSLOG", "cvslog.*", "tags", "TAGS",
    ".make.state", ".nse_depinfo", "*~",    "#*",      ".#*",    ",*",       "_$*",  "*$",
    "*.old",       "*.bak",        "*.BAK", "*.orig",  "*.rej",  ".del-*",   "*.a",  "*.olb",
    "*.o",         "*.obj",        "*.so",  "*.exe",   "*.Z",    "*.elc",    "*.ln", "core",
};

static const char* const Words[] = {
    "alloc",   "array",    "audit",    "auth",     "base",    "batch",    "bitmap",  "block",
    "buffer",  "bundle",   "cache",    "calendar", "catalog", "channel",  "chart",   "client",
    "codec",   "common",   "compress", "config",   "connect", "context",  "convert", "cursor",
    "daemon",  "data",     "debug",    "decode",   "device",  "dialog",   "digest",  "dispatch",
    "driver",  "editor",   "encode",   "engine",   "event",   "export",   "filter",  "format",
    "frame",   "gateway",  "graph",    "handler",  "hash",    "header",   "history", "http",
    "image",   "import",   "index",    "input",    "invoice", "journal",  "kernel",  "layout",
    "ledger",  "lexer",    "limit",    "link",     "listen",  "loader",   "locale",  "lock",
    "logger",  "mailer",   "manager",  "mapper",   "matrix",  "memory",   "merge",   "message",
    "meter",   "model",    "module",   "monitor",  "network", "node",     "notify",  "object",
    "option",  "order",    "output",   "packet",   "page",    "panel",    "parser",  "patch",
    "path",    "payment",  "pipe",     "plugin",   "policy",  "pool",     "print",   "process",
    "profile", "protocol", "proxy",    "query",    "queue",   "random",   "reader",  "record",
    "region",  "render",   "report",   "request",  "resolve", "resource", "router",  "rule",
    "sample",  "scanner",  "schedule", "schema",   "script",  "search",   "server",  "session",
    "shape",   "signal",   "socket",   "sort",     "source",  "spool",    "stack",   "state",
    "status",  "store",    "stream",   "string",   "style",   "symbol",   "sync",    "table",
    "task",    "template", "terminal", "test",     "text",    "thread",   "timer",   "token",
    "trace",   "tree",     "unit",     "update",   "user",    "util",     "value",   "vector",
    "view",    "volume",   "widget",   "window",   "worker",  "writer",   "xml",     "zone",
};

static const char* const DirectoryWords[] = {
    "src",    "lib",    "include", "doc",   "tests",  "tools",  "util",    "net",   "io",
    "ui",     "gfx",    "db",      "api",   "impl",   "common", "contrib", "demo",  "examples",
    "res",    "images", "scripts", "build", "config", "i18n",   "plugins", "model", "server",
    "client", "proto",  "java",    "com",   "org",    "web",    "static",  "data",  "fonts",
};

// The files of one directory follow one of these flavours.
static const char* const CExtensions[] = {".c", ".c", ".c", ".h", ".h", ".cpp", ".hpp", ".inc"};
static const char* const JavaExtensions[] = {".java", ".java", ".java", ".properties", ".xml"};
static const char* const DocExtensions[] = {".txt", ".html", ".xml", ".png",
                                            ".gif", ".css",  ".sgml"};
static const char* const ScriptExtensions[] = {".py", ".sh", ".pl", ".tcl", ".awk", ".sed"};
static const char* const FixedNames[] = {"Makefile",  "Makefile.am", "Makefile.in", "README",
                                         "ChangeLog", "TODO",        "build.xml",   "configure.in"};
static const char* const BinaryExtensions[] = {".png", ".gif", ".jpg", ".ico", ".pdf", ".jar"};

// Names that CVS's default list ignores: the entries that the cleanup must remove.
static const char* const IgnoredSuffixes[] = {".o",  ".obj", ".exe", ".bak", ".orig", ".old",
                                              ".so", ".a",   "~",    ".rej", ".BAK",  ".elc"};

static bool IsIgnored(const std::string& Name) {
  for (const char* Pattern : DefaultIgnoreList)
    if (fnmatch(Pattern, Name.c_str(), FNM_CASEFOLD) == 0) return true;
  return false;
}

static void Fail(const std::string& What) {
  std::fprintf(stderr, "gen_tree: %s: %s\n", What.c_str(), std::strerror(errno));
  std::exit(1);
}

static bool Refresh = false;

static void MakeDirectory(const std::string& Path) {
  if (mkdir(Path.c_str(), 0755) != 0 && !(Refresh && errno == EEXIST)) Fail("mkdir " + Path);
}

// Whether Path is a file of exactly these bytes and this mode.
static bool HoldsAlready(const std::string& Path, std::string_view Bytes, mode_t Mode) {
  struct stat Info;
  if (lstat(Path.c_str(), &Info) != 0) return false;
  if (!S_ISREG(Info.st_mode) || (Info.st_mode & 07777) != Mode ||
      static_cast<std::size_t>(Info.st_size) != Bytes.size())
    return false;
  if (Bytes.empty()) return true;
  std::string Held(Bytes.size(), '\0');
  int Fd = open(Path.c_str(), O_RDONLY);
  if (Fd < 0) Fail("open " + Path);
  ssize_t Got = read(Fd, Held.data(), Held.size());
  close(Fd);
  return Got == static_cast<ssize_t>(Held.size()) && Held == Bytes;
}

static void WriteFile(const std::string& Path, std::string_view Bytes, mode_t Mode = 0644) {
  if (Refresh) {
    if (HoldsAlready(Path, Bytes, Mode)) return;
    if (unlink(Path.c_str()) != 0 && errno != ENOENT) Fail("unlink " + Path);
  }
  int Fd = open(Path.c_str(), O_WRONLY | O_CREAT | O_EXCL, Mode);
  if (Fd < 0) Fail("create " + Path);
  std::size_t Done = 0;
  while (Done < Bytes.size()) {
    ssize_t Written = write(Fd, Bytes.data() + Done, Bytes.size() - Done);
    if (Written <= 0) Fail("write " + Path);
    Done += static_cast<std::size_t>(Written);
  }
  if (close(Fd) != 0) Fail("close " + Path);
}

// A revision as CVS numbers them: imported files keep 1.1.1.1, edited ones count up.
static std::string Revision(TRandom& Random) {
  if (Random.Chance(0.3)) return "1.1.1.1";
  return "1." + std::to_string(Random.Chance(0.7) ? Random.Between(1, 9) : Random.Between(10, 60));
}

// The check-out time as CVS writes it: "Tue Dec  8 10:00:00 2026", in UTC.
static std::string Timestamp(TRandom& Random) {
  const time_t Start = 1672531200;  // 2023-01-01
  time_t When = Start + static_cast<time_t>(Random.Next() % (4u * 365 * 86400));
  struct tm Parts;
  gmtime_r(&When, &Parts);
  char Text[32];
  std::strftime(Text, sizeof Text, "%a %b %e %H:%M:%S %Y", &Parts);
  return Text;
}

static bool IsBinary(const std::string& Name) {
  for (const char* Extension : BinaryExtensions)
    if (Name.ends_with(Extension)) return true;
  return false;
}

static std::string EntryLine(TRandom& Random, const std::string& Name) {
  return "/" + Name + "/" + Revision(Random) + "/" + Timestamp(Random) + "/" +
         (IsBinary(Name) ? "-kb" : "") + "/\n";
}

static const char RcsHeader[] =
    "head\t1.1;\naccess;\nsymbols;\nlocks; strict;\ncomment\t@# @;\n\n\n1.1\ndate\t2026.01.05.10."
    "00.00;\tauthor ann;\tstate Exp;\nbranches;\nnext\t;\n\n\ndesc\n@@\n";

// A file name of the directory's flavour that no default ignore pattern matches.
static std::string FileName(TRandom& Random, int Flavour) {
  if (Random.Chance(0.06)) return Random.Pick(FixedNames);
  std::string Base = Random.Pick(Words);
  if (Random.Chance(0.35)) Base += std::string("_") + Random.Pick(Words);
  switch (Flavour) {
    case 0:
      return Base + Random.Pick(CExtensions);
    case 1:
      Base[0] = static_cast<char>(Base[0] - 'a' + 'A');
      return Base + Random.Pick(JavaExtensions);
    case 2:
      return Base + Random.Pick(DocExtensions);
    default:
      return Base + Random.Pick(ScriptExtensions);
  }
}

static std::string IgnoredName(TRandom& Random) {
  if (Random.Chance(0.05)) return "core";
  return std::string(Random.Pick(Words)) + Random.Pick(IgnoredSuffixes);
}

// Directory names below the module, in breadth-first order, the module itself first.
static std::vector<TDirectory> TreeShape(TRandom& Random, int Count) {
  std::vector<TDirectory> Tree(1);
  std::deque<std::size_t> Open{0};
  while (static_cast<int>(Tree.size()) < Count) {
    std::size_t Parent = Open.front();
    Open.pop_front();
    // Wide near the top, narrower further down: depths of 6 to 10 on 10,000 directories.
    int Children = Tree[Parent].Depth < 2 ? Random.Between(4, 9) : Random.Between(0, 6);
    if (Open.empty() && Children == 0) Children = 1;
    std::set<std::string> Taken;
    for (int Child = 0; Child < Children && static_cast<int>(Tree.size()) < Count; ++Child) {
      std::string Name = Random.Chance(0.5) ? Random.Pick(DirectoryWords) : Random.Pick(Words);
      while (IsIgnored(Name) || !Taken.insert(Name).second)
        Name += std::to_string(Random.Between(0, 9));
      TDirectory Directory;
      Directory.Path = Tree[Parent].Path.empty() ? Name : Tree[Parent].Path + "/" + Name;
      Directory.Depth = Tree[Parent].Depth + 1;
      Tree[Parent].Children.push_back(Name);
      Tree.push_back(std::move(Directory));
      Open.push_back(Tree.size() - 1);
    }
  }
  return Tree;
}

static void WriteIgnoreFile(const std::string& Out) {
  MakeDirectory(Out + "/home");
  std::string Text;
  for (const char* Pattern : DefaultIgnoreList) Text += std::string(Pattern) + "\n";
  WriteFile(Out + "/home/.cvsignore", Text);
}

static void WriteAdminFiles(const std::string& WorkDir, const std::string& RepoRoot,
                            const std::string& Repository, const std::string& Entries) {
  MakeDirectory(WorkDir + "/CVS");
  WriteFile(WorkDir + "/CVS/Root", ":local:" + RepoRoot + "\n");
  WriteFile(WorkDir + "/CVS/Repository", Repository + "\n");
  WriteFile(WorkDir + "/CVS/Entries", Entries);
}

struct TCounts {
  long Directories = 0, WorkingFiles = 0, EntryLines = 0, RevisionFiles = 0;
  long RemovedLines = 0, DeletedFiles = 0;  // what a run must find
};

static void MakeTree(const std::string& Out, int Count, double IgnoredShare, int IgnoredEach) {
  TRandom Random(0x4D6F7276656C6C61ull ^ static_cast<uint64_t>(Count));
  const std::string RepoRoot = Out + "/repo";
  MakeDirectory(Out);
  WriteIgnoreFile(Out);
  MakeDirectory(RepoRoot);
  MakeDirectory(RepoRoot + "/CVSROOT");
  WriteFile(RepoRoot + "/CVSROOT/modules", "");
  MakeDirectory(Out + "/wc");
  TCounts Counts;
  for (const TDirectory& Directory : TreeShape(Random, Count)) {
    const std::string Repository = Directory.Path.empty() ? "proj" : "proj/" + Directory.Path;
    const std::string WorkDir = Out + "/wc/" + Repository;
    const std::string RepoDir = RepoRoot + "/" + Repository;
    MakeDirectory(WorkDir);
    MakeDirectory(RepoDir);
    std::set<std::string> Names(Directory.Children.begin(), Directory.Children.end());
    Names.insert("CVS");
    const int Flavour = Random.Between(0, 3);
    std::vector<std::string> Versioned;
    for (int Files = Random.Between(1, 40); Files > 0; --Files) {
      std::string Name = FileName(Random, Flavour);
      if (IsIgnored(Name) || !Names.insert(Name).second) continue;
      Versioned.push_back(Name);
    }
    std::vector<std::string> Ignored;
    if (Random.Chance(IgnoredShare)) {
      for (int Each = 0; Each < IgnoredEach; ++Each) {
        std::string Name = IgnoredName(Random);
        if (Names.insert(Name).second) Ignored.push_back(Name);
      }
    }
    std::vector<std::string> All = Versioned;
    All.insert(All.end(), Ignored.begin(), Ignored.end());
    std::sort(All.begin(), All.end());
    std::string Entries;
    for (const std::string& Name : All) {
      const bool IsIgnoredName = IsIgnored(Name);
      // A few files were added but not yet committed: revision 0, no revision file.
      const bool Added = Random.Chance(0.01);
      Entries += Added ? "/" + Name + "/0/dummy timestamp//\n" : EntryLine(Random, Name);
      WriteFile(WorkDir + "/" + Name, "");
      if (!Added) {
        WriteFile(RepoDir + "/" + Name + ",v", IsIgnoredName ? RcsHeader : "", 0444);
        ++Counts.RevisionFiles;
        Counts.DeletedFiles += IsIgnoredName ? 1 : 0;
      }
      Counts.RemovedLines += IsIgnoredName ? 1 : 0;
      ++Counts.WorkingFiles;
    }
    for (const std::string& Child : Directory.Children) Entries += "D/" + Child + "////\n";
    if (Directory.Children.empty()) Entries += "D\n";
    Counts.EntryLines +=
        static_cast<long>(All.size() + std::max<std::size_t>(1, Directory.Children.size()));
    WriteAdminFiles(WorkDir, RepoRoot, Repository, Entries);
    // Build output that was never added, and files removed long ago (in the Attic).
    if (Flavour == 0 && Random.Chance(0.3)) {
      for (const std::string& Name : Versioned) {
        if (!Name.ends_with(".c") && !Name.ends_with(".cpp")) continue;
        std::string Object = Name.substr(0, Name.rfind('.')) + ".o";
        if (!Names.insert(Object).second) continue;
        WriteFile(WorkDir + "/" + Object, "");
        ++Counts.WorkingFiles;
      }
    }
    if (Random.Chance(0.1)) {
      MakeDirectory(RepoDir + "/Attic");
      for (int Removed = Random.Between(1, 4); Removed > 0; --Removed) {
        std::string Name = FileName(Random, Flavour);
        if (Names.insert(Name).second) {
          WriteFile(RepoDir + "/Attic/" + Name + ",v", "", 0444);
          ++Counts.RevisionFiles;
          // The cleanup deletes an ignored name's revision file in the Attic too.
          Counts.DeletedFiles += IsIgnored(Name) ? 1 : 0;
        }
      }
    }
    ++Counts.Directories;
  }
  FILE* Manifest = std::fopen((Out + "/manifest").c_str(), "w");
  if (Manifest == nullptr) Fail("create manifest");
  std::fprintf(Manifest,
               "directories %ld\nworking_files %ld\nentry_lines %ld\nrevision_files %ld\n"
               "removed_lines %ld\ndeleted_files %ld\n",
               Counts.Directories, Counts.WorkingFiles, Counts.EntryLines, Counts.RevisionFiles,
               Counts.RemovedLines, Counts.DeletedFiles);
  std::fclose(Manifest);
}

static void MakeBigEntries(const std::string& Out, long Lines) {
  TRandom Random(0x456E7472696573ull);
  const std::string RepoRoot = Out + "/repo";
  const std::string WorkDir = Out + "/wc/big";
  MakeDirectory(Out);
  WriteIgnoreFile(Out);
  MakeDirectory(RepoRoot);
  MakeDirectory(RepoRoot + "/big");
  MakeDirectory(Out + "/wc");
  MakeDirectory(WorkDir);
  std::string Entries;
  long Ignored = 0;
  for (long Line = 0; Line < Lines - 1; ++Line) {
    // Numbered, so that a million names stay distinct.
    std::string Name = std::string(Random.Pick(Words)) + std::to_string(Line);
    if (Line % 50 == 7) {
      Name += Random.Pick(IgnoredSuffixes);
      WriteFile(RepoRoot + "/big/" + Name + ",v", RcsHeader, 0444);
      ++Ignored;
    } else {
      Name += Random.Pick(CExtensions);
    }
    Entries += EntryLine(Random, Name);
  }
  Entries += "D\n";
  WriteAdminFiles(WorkDir, RepoRoot, "big", Entries);
  FILE* Manifest = std::fopen((Out + "/manifest").c_str(), "w");
  if (Manifest == nullptr) Fail("create manifest");
  std::fprintf(Manifest,
               "directories 1\nentry_lines %ld\nrevision_files %ld\nremoved_lines %ld\n"
               "deleted_files %ld\n",
               Lines, Ignored, Ignored, Ignored);
  std::fclose(Manifest);
}

int main(int argc, char** argv) {
  umask(022);
  std::string Mode = argc > 1 ? argv[1] : "";
  if (Mode.starts_with("refresh")) {
    Refresh = true;
    Mode = Mode == "refresh" ? "tree" : Mode.substr(sizeof "refresh");
  }
  if (Mode == "tree" && argc == 6) {
    MakeTree(argv[2], std::atoi(argv[3]), std::atof(argv[4]) / 100.0, std::atoi(argv[5]));
    return 0;
  }
  if (Mode == "entries" && argc == 4) {
    MakeBigEntries(argv[2], std::atol(argv[3]));
    return 0;
  }
  std::fprintf(stderr,
               "usage: gen_tree tree|refresh <out> <directories> <ignored-percent> "
               "<ignored-per-dir>\n"
               "       gen_tree entries|refresh-entries <out> <lines>\n");
  return 2;
}
