#ifndef VELTABGEN_ATOMIC_FILE_H
#define VELTABGEN_ATOMIC_FILE_H

#include <cstddef>
#include <cstdio>

// A file that is written in full under a temporary name in its folder and
// then renamed over its path, so that the path never holds a part of it:
// until the rename, an older file there stays whole. The stream is in text
// mode, so the file holds what standard output would. A file that replaces
// another keeps its permissions (on Windows, its read-only attribute).
//
// A path that names something other than a regular file (a device, a FIFO,
// or a link to one, or to the tool's own standard output) is written in
// place instead, as a shell's redirection would write it, and left what it
// was. A folder is refused.
//
// While a temporary file exists, every signal that would end the process
// (on Windows, Ctrl-C and Ctrl-Break) removes it first.

// The temporary names: a dot, "veltabgen-" and eight letters or digits, so
// that any name a redirection can write can be written this way too.
constexpr unsigned temp_name_length = 19;

// What the operating system's own code keeps of the file: its folder and its
// names, in the system's form (native_file.h of posix/ or windows/).
#include "native_file.h"

// What a file that could not be removed was: the temporary file or the older
// file's second name, left beside the file's path, or the older file, which
// could not be put back and is kept under that second name.
enum class leftover { none, temporary_file, second_name, older_file };

struct atomic_file {
    const char *path;     // as given, in UTF-8 on Windows; null for a file not in use
    std::FILE *stream;    // open until close_atomic_file
    bool in_place;        // written straight into path
    bool folder_refused;  // the folder does not let the tool create a file in it
    bool older_moved_aside; // the older file was moved to a second name, not linked there
    bool placed;          // the new file is at path
    char temp_name[temp_name_length + 1];   // in path's folder: the last tried, the file's once created
    char second_name[temp_name_length + 1]; // of the older file: the last tried, its own once it has one
    leftover left;        // a name that could not be removed, and what it holds
    int left_error;       // and why
    native_file native;
};

// Each function below that fails returns false with errno set, having
// removed the temporary file.

// Creates the temporary file in path's folder and opens it for writing, or
// opens path itself where it is written in place.
bool open_atomic_file(atomic_file &file, const char *path);

// Checks that every write to the open file reached it: flushes, syncs and
// closes it.
bool close_atomic_file(atomic_file &file);

// Puts two closed files in place, leading first; either may be one not in
// use. If either cannot be put in place, leading is put back as it was, so
// that the pair stays whole: both old or both new. The signals above are
// held off meanwhile. Returns the file that failed, or null.
atomic_file *commit_atomic_files(atomic_file &leading, atomic_file &following);

// Closes and removes the temporary file, if any, leaving the path as it was.
// Safe on a file that was never opened, has failed or was committed. A name
// that cannot be removed is noted in file.left, for the caller to report.
void discard_atomic_file(atomic_file &file);

// Writes into out the path of the name that file.left notes: the name in
// the folder of file.path.
void name_leftover(const atomic_file &file, char *out, std::size_t size);

// Opens path for reading, in binary mode. Returns null with errno set.
std::FILE *open_file_to_read(const char *path);

// Whether the two paths name one file, however each is spelt, whether or not
// the file exists yet: on POSIX, the same name in the same folder; on
// Windows, the same file (its volume and index) where both exist, else the
// same name in the same folder as its file systems compare names, without
// regard to case.
bool same_file(const char *first, const char *second);

// Whether path names the regular file that standard output writes to.
bool names_standard_output(const char *path);

#endif
