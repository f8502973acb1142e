#ifndef VELTABGEN_POSIX_NATIVE_FILE_H
#define VELTABGEN_POSIX_NATIVE_FILE_H

#include <csignal>

// What an atomic_file keeps on POSIX: its folder, open, so that the names in
// it are no longer than the names themselves, whatever the length of the
// path; and its names there.
struct native_file {
    int folder;                        // the folder of path, open, or AT_FDCWD
    const char *name;                  // the last component of path
    char temp[temp_name_length + 1];   // the temporary file; empty for none
    char backup[temp_name_length + 1]; // an older file kept while the pair is replaced
};

// The signal mask to restore once the signals are released.
using held_signals = sigset_t;

#endif
