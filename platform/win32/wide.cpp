// Conversions between the ANSI code page and wide text, and paths the system takes as they are.
#include "platform/win32/wide.h"

#include <windows.h>

#include <algorithm>
#include <vector>

static constexpr std::wstring_view VerbatimPrefix = L"\\\\?\\";

bool ToWide(std::string_view Text, std::wstring& Wide) {
  Wide.clear();
  if (Text.empty()) return true;
  const int Length = static_cast<int>(Text.size());
  const int Size =
      MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, Text.data(), Length, nullptr, 0);
  if (Size == 0) return false;
  Wide.resize(static_cast<std::size_t>(Size));
  MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, Text.data(), Length, Wide.data(), Size);
  return true;
}

static bool IsHighSurrogate(wchar_t Ch) { return Ch >= 0xD800 && Ch <= 0xDBFF; }
static bool IsLowSurrogate(wchar_t Ch) { return Ch >= 0xDC00 && Ch <= 0xDFFF; }

// UTF-8 as the ANSI code page takes neither WC_NO_BEST_FIT_CHARS nor a default character; only a
// surrogate without its partner has no form there, and it is shown as '?'.
static std::string ToUtf8(std::wstring_view Wide, bool& Exact) {
  std::wstring Shown(Wide);
  for (std::size_t Pos = 0; Pos < Shown.size(); ++Pos) {
    if (IsHighSurrogate(Shown[Pos]) && Pos + 1 < Shown.size() && IsLowSurrogate(Shown[Pos + 1])) {
      ++Pos;
    } else if (IsHighSurrogate(Shown[Pos]) || IsLowSurrogate(Shown[Pos])) {
      Shown[Pos] = L'?';
      Exact = false;
    }
  }
  const int Length = static_cast<int>(Shown.size());
  const int Size =
      WideCharToMultiByte(CP_UTF8, 0, Shown.data(), Length, nullptr, 0, nullptr, nullptr);
  std::string Text(static_cast<std::size_t>(Size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, Shown.data(), Length, Text.data(), Size, nullptr, nullptr);
  return Text;
}

std::string ToAnsi(std::wstring_view Wide, bool* Exact) {
  bool Converted = true;
  std::string Text;
  if (GetACP() == CP_UTF8) {
    Text = ToUtf8(Wide, Converted);
  } else if (!Wide.empty()) {
    const int Length = static_cast<int>(Wide.size());
    BOOL UsedDefault = FALSE;
    const int Size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Wide.data(), Length, nullptr,
                                         0, "?", &UsedDefault);
    Text.resize(static_cast<std::size_t>(Size));
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, Wide.data(), Length, Text.data(), Size, "?",
                        &UsedDefault);
    Converted = !UsedDefault;
  }
  if (Exact != nullptr) *Exact = Converted;
  return Text;
}

static bool IsDriveLetter(wchar_t Ch) {
  return (Ch >= L'A' && Ch <= L'Z') || (Ch >= L'a' && Ch <= L'z');
}

static bool HasDrive(std::wstring_view Path) {
  return Path.size() >= 2 && IsDriveLetter(Path[0]) && Path[1] == L':';
}

// The length of an absolute path's root ("C:", "\\server\share", "\\.\C:"); 0 when it has none.
static std::size_t RootLength(std::wstring_view Path) {
  if (HasDrive(Path)) return 2;
  if (!Path.starts_with(L"\\\\")) return 0;
  const std::size_t Server = Path.find(L'\\', 2);
  if (Server == std::wstring_view::npos) return Path.size();
  return std::min(Path.find(L'\\', Server + 1), Path.size());
}

// The current directory in its usual form, without a "\\?\" prefix it may have been set with.
static std::wstring CurrentDirectory() {
  std::wstring Directory(MAX_PATH, L'\0');
  for (;;) {
    const DWORD Length =
        GetCurrentDirectoryW(static_cast<DWORD>(Directory.size()), Directory.data());
    if (Length < Directory.size()) {
      Directory.resize(Length);
      break;
    }
    Directory.resize(Length);
  }
  if (Directory.starts_with(L"\\\\?\\UNC\\")) return L"\\" + Directory.substr(7);
  if (Directory.starts_with(VerbatimPrefix)) return Directory.substr(VerbatimPrefix.size());
  return Directory;
}

// The current directory of a drive; asking for the drive alone alters no name.
static std::wstring DriveDirectory(wchar_t Letter) {
  const wchar_t Drive[] = {Letter, L':', L'\0'};
  std::wstring Directory(MAX_PATH, L'\0');
  for (;;) {
    const DWORD Length =
        GetFullPathNameW(Drive, static_cast<DWORD>(Directory.size()), Directory.data(), nullptr);
    if (Length == 0) return std::wstring(Drive);
    if (Length < Directory.size()) return Directory.substr(0, Length);
    Directory.resize(Length);
  }
}

std::wstring AbsolutePath(std::wstring_view Path) {
  if (Path.starts_with(VerbatimPrefix)) return std::wstring(Path);
  std::wstring Full(Path);
  std::replace(Full.begin(), Full.end(), L'/', L'\\');
  const bool Share = Full.starts_with(L"\\\\");
  const bool DriveRooted = HasDrive(Full) && Full.size() > 2 && Full[2] == L'\\';
  if (HasDrive(Full) && !DriveRooted) {
    Full = DriveDirectory(Full[0]) + L'\\' + Full.substr(2);
  } else if (!Share && Full.starts_with(L'\\')) {
    const std::wstring Current = CurrentDirectory();
    Full.insert(0, Current.substr(0, RootLength(Current)));
  } else if (!Share && !DriveRooted) {
    Full = CurrentDirectory() + L'\\' + Full;
  }
  const std::size_t Root = RootLength(Full);
  std::vector<std::wstring_view> Names;
  std::wstring_view Rest = std::wstring_view(Full).substr(Root);
  while (!Rest.empty()) {
    const std::size_t End = std::min(Rest.find(L'\\'), Rest.size());
    const std::wstring_view Name = Rest.substr(0, End);
    Rest.remove_prefix(std::min(End + 1, Rest.size()));
    if (Name == L"..") {
      if (!Names.empty()) Names.pop_back();
    } else if (!Name.empty() && Name != L".") {
      Names.push_back(Name);
    }
  }
  std::wstring Folded = Full.substr(0, Root);
  for (std::wstring_view Name : Names) Folded.append(L"\\").append(Name);
  if (Names.empty() || Full.ends_with(L'\\')) Folded += L'\\';
  return Folded;
}

bool ToSystemPath(std::string_view Path, std::wstring& SystemPath) {
  std::wstring Wide;
  if (!ToWide(Path, Wide)) return false;
  if (Wide.find(L'\0') != std::wstring::npos) {
    SetLastError(ERROR_INVALID_NAME);
    return false;
  }
  SystemPath = AbsolutePath(Wide);
  if (SystemPath.starts_with(VerbatimPrefix) && Wide.starts_with(VerbatimPrefix)) return true;
  // A trailing separator would be taken as part of the name; a root keeps its own.
  if (SystemPath.ends_with(L'\\') && SystemPath.size() > RootLength(SystemPath) + 1)
    SystemPath.pop_back();
  if (SystemPath.starts_with(L"\\\\.\\") || SystemPath.starts_with(VerbatimPrefix))
    SystemPath[2] = L'?';
  else if (SystemPath.starts_with(L"\\\\"))
    SystemPath.replace(0, 2, L"\\\\?\\UNC\\");
  else
    SystemPath.insert(0, VerbatimPrefix);
  return true;
}
