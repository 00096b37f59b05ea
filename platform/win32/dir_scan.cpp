// Win32 directory enumeration.
#include "platform/dir_scan.h"

#include <windows.h>

#include "platform/file_system.h"

const int DirScanNoMoreEntries = ERROR_NO_MORE_FILES;

struct TDirScanState {
  HANDLE Find = INVALID_HANDLE_VALUE;
};

// Skips entries with an excluded bit, starting from the one in Data.
static int TakeQualifying(TSearchRec& Rec, WIN32_FIND_DATAA& Data) {
  while (Data.dwFileAttributes & Rec.ExcludeAttr) {
    if (!FindNextFileA(Rec.State->Find, &Data)) return static_cast<int>(GetLastError());
  }
  Rec.Name = Data.cFileName;
  Rec.Attr = Data.dwFileAttributes;
  return 0;
}

int DirScanFirst(const std::string& Pattern, uint32_t AttrSet, TSearchRec& Rec) {
  DirScanClose(Rec);
  WIN32_FIND_DATAA Data;
  // The basic level leaves out the short 8.3 name, which nothing here reads, and the large fetch
  // asks the file system for many entries per call.
  HANDLE Find = FindFirstFileExA(Pattern.c_str(), FindExInfoBasic, &Data, FindExSearchNameMatch,
                                 nullptr, FIND_FIRST_EX_LARGE_FETCH);
  // Systems before Windows 7 know neither and refuse them as invalid.
  if (Find == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
    Find = FindFirstFileA(Pattern.c_str(), &Data);
  if (Find == INVALID_HANDLE_VALUE) return static_cast<int>(GetLastError());
  Rec.State = new TDirScanState{Find};
  Rec.ExcludeAttr = ~AttrSet & (AttrHidden | AttrSystem | AttrVolumeLabel | AttrDirectory);
  int Result = TakeQualifying(Rec, Data);
  if (Result != 0) DirScanClose(Rec);
  return Result;
}

int DirScanNext(TSearchRec& Rec) {
  if (Rec.State == nullptr) return ERROR_INVALID_HANDLE;
  WIN32_FIND_DATAA Data;
  if (!FindNextFileA(Rec.State->Find, &Data)) return static_cast<int>(GetLastError());
  return TakeQualifying(Rec, Data);
}

void DirScanClose(TSearchRec& Rec) {
  if (Rec.State == nullptr) return;
  FindClose(Rec.State->Find);
  delete Rec.State;
  Rec.State = nullptr;
}
