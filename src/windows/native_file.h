#ifndef VELTABGEN_WINDOWS_NATIVE_FILE_H
#define VELTABGEN_WINDOWS_NATIVE_FILE_H

// What an atomic_file keeps on Windows: its path, the temporary name and the
// name that keeps an older file, all in UTF-16, in one allocation; empty
// names for none.
struct native_file {
    wchar_t *target;
    wchar_t *temp;
    wchar_t *backup;
    bool replaced_read_only; // the file put in place replaced a read-only one
};

// Ctrl-C and Ctrl-Break are held off by a lock that their handler waits
// for: there is no state to restore.
using held_signals = int;

#endif
