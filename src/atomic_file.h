#ifndef VELTABGEN_ATOMIC_FILE_H
#define VELTABGEN_ATOMIC_FILE_H

#include <cstdio>

// A file that is written in full under a temporary name beside its path and
// then renamed over it, so that the path never holds a part of it: until the
// rename, an older file there stays whole. The stream is in text mode, so
// the file holds what standard output would.
#ifdef _WIN32
using native_path_char = wchar_t;
#else
using native_path_char = char;
#endif

struct atomic_file {
    const char *path;              // as given, in UTF-8 on Windows
    native_path_char *temp_path;   // allocated by open_atomic_file
    std::FILE *stream;             // open until close_atomic_file
};

// Each function below that fails returns false with errno set, having
// removed the temporary file.

// Creates the temporary file beside path and opens it for writing.
bool open_atomic_file(atomic_file &file, const char *path);

// Checks that every write to the open file reached it: flushes, syncs and
// closes it.
bool close_atomic_file(atomic_file &file);

// Renames the closed temporary file over the path.
bool commit_atomic_file(atomic_file &file);

// Closes and removes the temporary file, if any, leaving the path as it was.
// Safe on a file that was never opened, has failed or was committed.
void discard_atomic_file(atomic_file &file);

#endif
