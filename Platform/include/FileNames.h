#pragma once
// File names and file replacement in the station's folders. The station names
// its offsets file in two spellings ("Offsets.dat" read, "Offsets.Dat"
// written) as on a file system that ignores letter case; here a name is
// resolved against what is on disk so that both reach the one file.

#include <cstdio>

namespace Platform {

constexpr int kFileNameSize = 1024;

// The name of the file that `name` means when letter case is ignored: `name`
// itself when it exists (or has no file part); otherwise the entry of its
// folder whose name differs from it only in letter case (the first in byte
// order when there are several); otherwise `name` as given, which is then the
// spelling of a new file. Only the last part of the path is matched this way.
// The result is cut to size - 1 characters. True when an existing entry was
// found.
bool ResolveFileName(const char* name, char* resolved, int size);

// Copies `from` to `to` as a whole: into a temporary file beside `to`
// (`to` with ".new" added), forced to the disk, then renamed over `to`. A
// copy that fails half-way (disk full, no permission) leaves an earlier `to`
// as it was and removes the temporary. 0 or the errno of the failing step
// (ENOENT when `from` does not exist, EINVAL when it is not a regular file).
int CopyFileWhole(const char* from, const char* to);

// Opens an existing regular file for reading, as fopen(name, "r") does. A
// FIFO, a device, a socket or a folder is refused without being read (a FIFO
// would wait for a writer, a device may never end): null, and `reason` says
// why ("Not a regular file (a FIFO)"); a failing open gives the system's text.
std::FILE* OpenRegularFileForReading(const char* name, const char** reason);

// Forces the written contents of a closed file to the disk. 0 or the errno.
int SyncFileToDisk(const char* name);

// Puts `from` in the place of `to` in one step (rename): a reader sees either
// the old or the new file, never a part. `from` first takes the permission
// bits of an existing `to`; the folder is synced afterwards. 0 or the errno
// of the rename.
int ReplaceFile(const char* from, const char* to);

// Replaces `name` with the bytes: written to a temporary file beside it
// (`name` with ".new" added), then renamed over it, so a reader finds the old
// or the new contents, never a part. `durable` forces the file and its folder
// to the disk as well; a frame-paced caller may leave that to the system.
// 0 or the errno of the failing step; the temporary does not stay behind.
int WriteFileWhole(const char* name, const char* bytes, int length, bool durable);

// `name` in `folder` into `path` (cut to size - 1 characters): "folder/name",
// or `name` alone for an empty or null folder (the working folder).
void FileInFolder(const char* folder, const char* name, char* path, int size);

// Removes a file (not a folder); failure ignored.
void RemoveFile(const char* name);

}  // namespace Platform
