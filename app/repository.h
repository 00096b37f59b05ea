// Where an administrative directory's repository lies, and its revision files.
#ifndef MORVELLAN_APP_REPOSITORY_H
#define MORVELLAN_APP_REPOSITORY_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "app/line_list.h"
#include "platform/raw_file.h"

class TDirectory;
class TRemovalTest;

/// Where a repository directory lies with respect to its root.
enum TPlaceCheck {
  pcInside,        ///< the root itself or below it
  pcOutsideRoot,   ///< a ".." component, or an absolute path outside the root
  pcControlFiles,  ///< the root's CVSROOT or below: CVS's own files
};

/// What CVS/Root and CVS/Repository say of a working directory's repository.
struct TRepositoryPlace {
  std::string RootText;   ///< CVS/Root, its lines joined and trimmed
  bool Local = false;     ///< the revision files lie on a disk of this machine
  std::string Root;       ///< local: the repository root
  std::string Directory;  ///< local: the repository directory, no trailing separator
  TPlaceCheck Check = pcInside;
  /// Local and inside: the directory's path below the root ("." for the root
  /// itself), where its locks go under LockDir.
  std::string BelowRoot;
};

/// Reads Root and, for a local root, Repository of the administrative
/// directory Admin, whose path is AdminPath. A root is local when it begins
/// with the method ":local:" or ":fork:" in any case of letters (the root is
/// what follows), or, where bare absolute roots are local, when it is an
/// absolute path. The repository directory is root + separator + Repository,
/// or Repository itself when that is absolute; it is checked to lie inside the
/// root, comparing paths with "." and repeated separators folded (on Windows
/// also '/' as '\' and A to Z in either case). Throws EFOpenError when Root,
/// or Repository of a local root, cannot be read.
TRepositoryPlace ReadRepositoryPlace(const TDirectory& Admin, const std::string& AdminPath);

/// One line of a repository directory's part of the cleanup, in listing order.
struct TRevisionItem {
  enum TKind {
    rkDelete,      ///< a revision file whose entry name is removable
    rkLeftAlone,   ///< a file whose name the ANSI code page cannot hold
    rkAtticLink,   ///< an Attic that is a link: not entered
    rkUnlistable,  ///< the directory or its Attic exists but cannot be listed
  };
  TKind Kind = rkDelete;
  std::string Path;  ///< the file, or the directory (its Attic) concerned
  int Error = 0;     ///< rkUnlistable: the system's code
};

/// What a repository directory holds for the cleanup, found without writing.
class TRevisionLook {
 public:
  int OpenError = 0;          ///< the directory could not be opened (it is missing...)
  std::size_t Removable = 0;  ///< the rkDelete items
  bool Shortage = false;      ///< a listing failed for want of descriptors or memory

  /// Notes the item; its path must begin with the repository directory's.
  void Add(const TRevisionItem& Item, std::size_t DirectoryLength) {
    Paths.Add(std::string_view(Item.Path).substr(DirectoryLength));
    Kinds.push_back({Item.Kind, Item.Error});
    Removable += Item.Kind == TRevisionItem::rkDelete;
    Shortage =
        Shortage || (Item.Kind == TRevisionItem::rkUnlistable && IsShortageError(Item.Error));
  }
  std::size_t size() const { return Kinds.size(); }
  /// The item at Index, its path made again from the repository directory's.
  TRevisionItem Item(const std::string& Directory, std::size_t Index) const {
    TRevisionItem Result;
    Result.Kind = Kinds[Index].first;
    Result.Error = Kinds[Index].second;
    Result.Path = Directory + std::string(Paths[Index]);
    return Result;
  }

 private:
  // Only what differs from item to item, so that a directory of thousands of revision files to
  // delete costs little memory.
  TLineList Paths;
  std::vector<std::pair<TRevisionItem::TKind, int>> Kinds;
};

/// Lists the repository directory and then its Attic, where CVS keeps the
/// files removed on the trunk or added on a branch only, for the revision
/// files (non-directories whose name holds ",v") whose entry name, the part
/// before the last ",v", is removable. A directory that does not exist holds
/// none.
TRevisionLook LookAtRevisionFiles(const std::string& Directory, const TRemovalTest& Test);

/// Called for each item in listing order, with the open directory (the
/// repository directory or its Attic) that holds it, the entry's name there and
/// its attribute word; gives false to stop the listing.
using TRevisionVisitor = std::function<bool(const TRevisionItem& Item, const TDirectory& Holder,
                                            const std::string& Name, std::uint32_t Attr)>;
/// Lists the repository directory as LookAtRevisionFiles does, calling Visit
/// for each item; 0, or the system's code when the directory could not be
/// opened (then no item is visited; a directory that does not exist is no
/// item).
int ListRevisionFiles(const std::string& Directory, const TRemovalTest& Test,
                      const TRevisionVisitor& Visit);

#endif
