// Files replaced whole or not at all. A file written by path goes to a
// temporary beside it (".NAME.tmp-PID-N" in the same folder), is flushed to the
// disk and only then renamed over NAME (rename on POSIX, MoveFileExW with
// replace and write-through on Windows). On any failure the temporary is
// removed and the old NAME is left as it was. A temporary left by a process
// that was killed mid-save is removed by the next save of the same path.
// Paths are UTF-8 (on Windows: converted to wide; bytes that are not UTF-8 are
// read in the system's code page). Also checks output paths before a program
// does its work. Depends only on the C and C++ standard libraries and the
// system's file calls.
#pragma once

#include <stddef.h>
#include <stdio.h>

#include <string>
#include <vector>

// One save in progress: begin, write to stream, then commit or abandon.
struct file_replace {
  FILE* stream;           // output: where the new content goes (binary mode)
  std::string path;       // the file to replace
  std::string temp_path;  // the temporary beside it
  int first_error;        // errno of the first failed file_replace_put, else 0
};

// Writes size bytes of data as the whole new content of path. Returns true
// when path holds exactly those bytes; false with the system's reason in *why
// (when why is not null), path untouched and no temporary left.
bool file_replace_write(const char* path, const void* data, size_t size, std::string* why);

// Opens a new temporary beside path (after removing stale temporaries of path
// left by processes that no longer run). Returns false with the reason when
// it cannot be created; r->stream is then null.
bool file_replace_begin(file_replace* r, const char* path, std::string* why);

// Writes size bytes to r->stream, remembering the first failure's reason.
// Returns false once any write has failed.
bool file_replace_put(file_replace* r, const void* data, size_t size);

// Flushes the temporary to the disk and renames it over the path. On failure
// (of this step or any earlier write to r->stream) removes the temporary and
// returns false with the reason. r->stream is closed either way.
bool file_replace_commit(file_replace* r, std::string* why);

// Closes and removes the temporary; the path stays as it was.
void file_replace_abandon(file_replace* r);

// Makes sure a program can later write files into the folder dir: creates it
// with its parents when missing, and refuses an existing non-folder or a
// folder it cannot create files in. False with the reason otherwise.
bool file_replace_prepare_folder(const char* dir, std::string* why);

// Makes sure a program can later replace the file at path: refuses a folder
// (or anything but a regular file) at path, creates the file's folder with its
// parents when missing and checks that files can be created in it.
bool file_replace_prepare_file(const char* path, std::string* why);

// A program's output paths checked before its work: each folder with
// file_replace_prepare_folder, each file with file_replace_prepare_file
// (empty paths are skipped). False at the first refusal, with one line in
// *line: "cannot write PATH: REASON" (no program name, no line end).
bool file_replace_check_outputs(const std::vector<std::string>& folders,
                                const std::vector<std::string>& files, std::string* line);
