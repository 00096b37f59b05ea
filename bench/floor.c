/* The benchmark's floor: the directory listings and file reads that cleaning a working copy
 * cannot do without, and nothing else. It walks the tree as Morvellan does, reads every
 * CVS/Entries (and Entries.Extra where there is one), Root and Repository, and lists each local
 * repository folder and its Attic. It matches no names, writes nothing, and prints only its
 * totals.
 *
 *   floor <directory>
 */
#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static char Buffer[65536];
static long AdminDirectories, EntryLines, RepositoryEntries;

/* Reads the whole file into Text (when given, at most Size - 1 bytes of it are kept, NUL
 * ended); counts its lines. -1 when it cannot be opened. */
static long ReadFile(const char* Path, char* Text, size_t Size) {
  int Fd = open(Path, O_RDONLY | O_CLOEXEC);
  if (Fd < 0) return -1;
  long Lines = 0;
  size_t Kept = 0;
  ssize_t Got;
  while ((Got = read(Fd, Buffer, sizeof Buffer)) > 0) {
    for (ssize_t Index = 0; Index < Got; ++Index) Lines += Buffer[Index] == '\n';
    if (Text != NULL && Kept + 1 < Size) {
      size_t Take = (size_t)Got < Size - 1 - Kept ? (size_t)Got : Size - 1 - Kept;
      memcpy(Text + Kept, Buffer, Take);
      Kept += Take;
    }
  }
  close(Fd);
  if (Text != NULL) Text[Kept] = '\0';
  return Lines;
}

static void TrimEnd(char* Text) {
  size_t Length = strlen(Text);
  while (Length > 0 && (unsigned char)Text[Length - 1] <= ' ') Text[--Length] = '\0';
}

static int IsDirectoryEntry(DIR* Dir, const struct dirent* Entry) {
  if (Entry->d_type == DT_DIR) return 1;
  if (Entry->d_type != DT_UNKNOWN && Entry->d_type != DT_LNK) return 0;
  struct stat Info;
  return fstatat(dirfd(Dir), Entry->d_name, &Info, 0) == 0 && S_ISDIR(Info.st_mode);
}

/* Counts the files of the repository folder and, when its listing shows one, of its Attic, where
 * CVS keeps the files removed on the trunk: their revision files are cleaned too. Path holds the
 * folder, Length bytes long, in a buffer of Size bytes. */
static void ListRepository(char* Path, size_t Length, size_t Size) {
  DIR* Dir = opendir(Path);
  if (Dir == NULL) return;
  int HasAttic = 0;
  struct dirent* Entry;
  while ((Entry = readdir(Dir)) != NULL) {
    if (!IsDirectoryEntry(Dir, Entry))
      ++RepositoryEntries;
    else if (strcmp(Entry->d_name, "Attic") == 0)
      HasAttic = 1;
  }
  closedir(Dir);
  if (!HasAttic || Length + sizeof "/Attic" > Size) return;
  strcpy(Path + Length, "/Attic");
  if ((Dir = opendir(Path)) == NULL) return;
  while ((Entry = readdir(Dir)) != NULL) RepositoryEntries += !IsDirectoryEntry(Dir, Entry);
  closedir(Dir);
}

static void ProcessAdminDirectory(char* Path, size_t Length) {
  static char Root[4096], Repository[4096], RepoPath[8192];
  ++AdminDirectories;
  strcpy(Path + Length, "/Entries");
  long Lines = ReadFile(Path, NULL, 0);
  if (Lines > 0) EntryLines += Lines;
  strcpy(Path + Length, "/Entries.Extra");
  Lines = ReadFile(Path, NULL, 0);
  if (Lines > 0) EntryLines += Lines;
  strcpy(Path + Length, "/Root");
  if (ReadFile(Path, Root, sizeof Root) < 0) return;
  TrimEnd(Root);
  if (strncmp(Root, ":local:", 7) != 0) return;
  strcpy(Path + Length, "/Repository");
  if (ReadFile(Path, Repository, sizeof Repository) < 0) return;
  TrimEnd(Repository);
  int RepoLength = snprintf(RepoPath, sizeof RepoPath, "%s/%s", Root + 7, Repository);
  if (RepoLength < 0 || (size_t)RepoLength >= sizeof RepoPath) return;
  ListRepository(RepoPath, (size_t)RepoLength, sizeof RepoPath);
}

/* Path holds the directory, Length bytes long, in a buffer of PATH_MAX bytes. */
static void Walk(char* Path, size_t Length) {
  DIR* Dir = opendir(Path);
  if (Dir == NULL) return;
  struct dirent* Entry;
  while ((Entry = readdir(Dir)) != NULL) {
    const char* Name = Entry->d_name;
    if (strcmp(Name, ".") == 0 || strcmp(Name, "..") == 0) continue;
    if (!IsDirectoryEntry(Dir, Entry)) continue;
    size_t NameLength = strlen(Name);
    if (Length + 1 + NameLength + 16 >= 4096) continue;
    Path[Length] = '/';
    memcpy(Path + Length + 1, Name, NameLength + 1);
    if (strcmp(Name, "CVS") == 0)
      ProcessAdminDirectory(Path, Length + 4);
    else
      Walk(Path, Length + 1 + NameLength);
    Path[Length] = '\0';
  }
  closedir(Dir);
}

int main(int argc, char** argv) {
  static char Path[4096];
  if (argc != 2 || strlen(argv[1]) >= sizeof Path) {
    fprintf(stderr, "usage: floor <directory>\n");
    return 2;
  }
  strcpy(Path, argv[1]);
  Walk(Path, strlen(Path));
  printf("%ld administrative directories, %ld entry lines, %ld repository files\n",
         AdminDirectories, EntryLines, RepositoryEntries);
  return 0;
}
