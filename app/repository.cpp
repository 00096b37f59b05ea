// Where an administrative directory's repository lies, and its revision files.
#include "app/repository.h"

#include "app/entries_filter.h"
#include "platform/dir_scan.h"
#include "platform/file_system.h"
#include "platform/raw_file.h"
#include "platform/text.h"

// One administrative file read whole: its lines joined and trimmed.
static std::string LoadTrimmedText(const TDirectory& Admin, const std::string& AdminPath,
                                   const char* Name) {
  TStringList Lines;
  LoadLinesFromFileAt(Lines, Admin, Name, AdminPath + PathDelimiter + Name);
  return TrimBlanks(JoinLinesToText(Lines));
}

static bool IsSeparator(char Byte) { return Byte == '/' || Byte == PathDelimiter; }

static std::string WithoutTrailingSeparators(std::string Path) {
  while (Path.size() > 1 && IsSeparator(Path.back())) Path.pop_back();
  return Path;
}

// Takes the method off a root ":local:/path" or ":fork:/path": CVS compares method names
// without regard to case, and a forked server works on the same local files.
static bool TakeLocalMethod(std::string& Root) {
  if (!Root.starts_with(':')) return false;
  const std::size_t MethodEnd = Root.find(':', 1);
  if (MethodEnd == std::string::npos) return false;
  const std::string Method = LowerAscii(std::string_view(Root).substr(1, MethodEnd - 1));
  if (Method != "local" && Method != "fork") return false;
  Root.erase(0, MethodEnd + 1);
  return true;
}

namespace {

// A path cut into its components, "." and empty ones left out; Climbs when one is "..".
struct TComponents {
  std::vector<std::string_view> Parts;
  bool Climbs = false;
};

}  // namespace

static TComponents ComponentsOf(std::string_view Path) {
  TComponents Result;
  while (!Path.empty()) {
    std::size_t End = 0;
    while (End < Path.size() && !IsSeparator(Path[End])) ++End;
    const std::string_view Part = Path.substr(0, End);
    if (Part == "..") Result.Climbs = true;
    if (!Part.empty() && Part != ".") Result.Parts.push_back(Part);
    Path.remove_prefix(End < Path.size() ? End + 1 : End);
  }
  return Result;
}

// Components compare as the system compares names: exactly on POSIX, A to Z alike on Windows.
static bool SameComponent(std::string_view Left, std::string_view Right) {
  return NamesIgnoreCase ? LowerAscii(Left) == LowerAscii(Right) : Left == Right;
}

// Checks that the repository directory lies inside the root and notes its path below the root,
// as CVS names its lock directory under LockDir.
static void PlaceInsideRoot(TRepositoryPlace& Place, const std::string& Repository) {
  const TComponents Below = ComponentsOf(Repository);
  std::vector<std::string_view> Parts = Below.Parts;
  if (IsAbsolutePath(Repository)) {
    const TComponents Top = ComponentsOf(Place.Root);
    bool Inside = !Top.Climbs && Top.Parts.size() <= Parts.size();
    for (std::size_t Index = 0; Inside && Index < Top.Parts.size(); ++Index)
      Inside = SameComponent(Top.Parts[Index], Parts[Index]);
    if (!Inside) Place.Check = pcOutsideRoot;
    if (Inside) Parts.erase(Parts.begin(), Parts.begin() + Top.Parts.size());
  }
  if (Below.Climbs) Place.Check = pcOutsideRoot;
  if (Place.Check != pcInside) return;
  if (!Parts.empty() && SameComponent(Parts.front(), "CVSROOT")) {
    Place.Check = pcControlFiles;
    return;
  }
  Place.BelowRoot = Parts.empty() ? "." : std::string(Parts.front());
  for (std::size_t Index = 1; Index < Parts.size(); ++Index)
    Place.BelowRoot.append(1, PathDelimiter).append(Parts[Index]);
}

TRepositoryPlace ReadRepositoryPlace(const TDirectory& Admin, const std::string& AdminPath) {
  TRepositoryPlace Place;
  Place.RootText = LoadTrimmedText(Admin, AdminPath, "Root");
  Place.Root = Place.RootText;
  Place.Local =
      TakeLocalMethod(Place.Root) || (BareAbsoluteRootIsLocal && IsAbsolutePath(Place.Root));
  if (!Place.Local) return Place;
  const std::string Repository = LoadTrimmedText(Admin, AdminPath, "Repository");
  // Older clients wrote the repository directory's absolute path, and CVS reads both forms.
  Place.Directory = WithoutTrailingSeparators(
      IsAbsolutePath(Repository) ? Repository : Place.Root + PathDelimiter + Repository);
  PlaceInsideRoot(Place, Repository);
  return Place;
}

namespace {

// One listing of a repository directory (or its Attic) for the items of the cleanup.
class TRevisionLister {
 public:
  TRevisionLister(const TRemovalTest& Test, const TRevisionVisitor& Visit)
      : Test(Test), Visit(Visit) {}
  /// Lists Dir, whose path is Path (with its trailing separator); false when Visit stopped it.
  /// Notes an Attic in AtticName when asked to.
  bool List(TDirectory& Dir, const std::string& Path, bool LookForAttic);
  bool HasAttic = false;
  bool AtticIsLink = false;

 private:
  bool Say(TRevisionItem::TKind Kind, std::string Path, const TDirectory& Holder,
           const std::string& Name, std::uint32_t Attr, int Error = 0) {
    TRevisionItem Item;
    Item.Kind = Kind;
    Item.Path = std::move(Path);
    Item.Error = Error;
    return Visit(Item, Holder, Name, Attr);
  }

  const TRemovalTest& Test;
  const TRevisionVisitor& Visit;
};

}  // namespace

bool TRevisionLister::List(TDirectory& Dir, const std::string& Path, bool LookForAttic) {
  TSearchRec Rec;
  TDirScanGuard Guard(Rec);
  int Result = DirScanFirst(Dir, 63, Rec);
  for (; Result == 0; Result = DirScanNext(Rec)) {
    if (Rec.Attr & AttrDirectory) {
      if (LookForAttic && Rec.Name == "Attic") {
        HasAttic = true;
        AtticIsLink = (Rec.Attr & AttrReparsePoint) != 0;
      }
      continue;
    }
    if (!Rec.NameInCodePage) {
      if (!Say(TRevisionItem::rkLeftAlone, Path + Rec.Name, Dir, Rec.Name, Rec.Attr)) return false;
      continue;
    }
    // The entry name ends at the last ",v": "core,v2.c,v" belongs to "core,v2.c".
    const std::size_t Suffix = Rec.Name.rfind(",v");
    if (Suffix == std::string::npos) continue;
    if (!Test.IsRemovable(std::string_view(Rec.Name).substr(0, Suffix))) continue;
    if (!Say(TRevisionItem::rkDelete, Path + Rec.Name, Dir, Rec.Name, Rec.Attr)) return false;
  }
  if (Result == DirScanNoMoreEntries) return true;
  return Say(TRevisionItem::rkUnlistable, Path, Dir, std::string(), 0, Result);
}

int ListRevisionFiles(const std::string& Directory, const TRemovalTest& Test,
                      const TRevisionVisitor& Visit) {
  TDirectory Dir;
  if (const int Code = OpenDirectory(Directory, Dir)) {
    // A repository directory that does not exist holds nothing to delete.
    if (IsNotFoundError(Code)) return Code;
    TRevisionItem Item;
    Item.Kind = TRevisionItem::rkUnlistable;
    Item.Path = Directory + PathDelimiter;
    Item.Error = Code;
    Visit(Item, Dir, std::string(), 0);
    return Code;
  }
  TRevisionLister Lister(Test, Visit);
  if (!Lister.List(Dir, Directory + PathDelimiter, true) || !Lister.HasAttic) return 0;
  const std::string Attic = Directory + PathDelimiter + "Attic";
  TDirectory AtticDir;
  const int Code = Lister.AtticIsLink ? LinkError : OpenSubdirectory(Dir, "Attic", AtticDir);
  if (Code == LinkError) {
    TRevisionItem Item;
    Item.Kind = TRevisionItem::rkAtticLink;
    Item.Path = Attic;
    Visit(Item, Dir, "Attic", 0);
  } else if (Code != 0) {
    TRevisionItem Item;
    Item.Kind = TRevisionItem::rkUnlistable;
    Item.Path = Attic + PathDelimiter;
    Item.Error = Code;
    Visit(Item, Dir, "Attic", 0);
  } else {
    Lister.List(AtticDir, Attic + PathDelimiter, false);
  }
  return 0;
}

TRevisionLook LookAtRevisionFiles(const std::string& Directory, const TRemovalTest& Test) {
  TRevisionLook Look;
  Look.OpenError = ListRevisionFiles(
      Directory, Test,
      [&](const TRevisionItem& Item, const TDirectory&, const std::string&, std::uint32_t) {
        Look.Add(Item, Directory.size());
        return true;
      });
  return Look;
}
