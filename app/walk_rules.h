// What the walk of a working copy does with each entry of a directory's listing; the walk and
// the read-ahead follow the same rules.
#ifndef MORVELLAN_APP_WALK_RULES_H
#define MORVELLAN_APP_WALK_RULES_H

#include <cstdint>

#include "platform/dir_scan.h"
#include "platform/file_system.h"

/// Hidden and directory: system directories are never walked.
inline constexpr uint32_t WalkAttrSet = AttrHidden | AttrDirectory;

enum TWalkStep {
  wsPass,       ///< a file, "." or ".."
  wsLink,       ///< a link to a directory: it leads into other working copies
  wsLeftAlone,  ///< a directory whose name the ANSI code page cannot hold
  wsAdmin,      ///< the administrative directory "CVS", processed and not entered
  wsDescend,    ///< a directory to walk
};

inline TWalkStep WalkStepFor(const TSearchRec& Rec) {
  if (!(Rec.Attr & AttrDirectory) || Rec.Name == "." || Rec.Name == "..") return wsPass;
  if (Rec.Attr & AttrReparsePoint) return wsLink;
  if (!Rec.NameInCodePage) return wsLeftAlone;
  return Rec.Name == "CVS" ? wsAdmin : wsDescend;
}

#endif
