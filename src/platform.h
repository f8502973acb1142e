#ifndef VELTABGEN_PLATFORM_H
#define VELTABGEN_PLATFORM_H

// What differs between the operating systems the tool runs on, behind one
// interface: the syntax of paths, the line ends of text files, and the
// operations on files and signals from which atomic_file.cpp builds its
// protocol. posix/platform.cpp and windows/platform.cpp implement it, and
// the build compiles the one for its target.

#include <cstdint>
#include <cstdio>

#include "atomic_file.h"

// Paths and text.

// Whether c ends a folder's name in a path: '/' on POSIX; '/', '\' and the
// ':' of a drive on Windows.
bool is_path_separator(char c);

// Whether a text-mode stream writes "\n" as CR LF.
extern const bool text_lines_end_in_cr;

// The files of atomic_file. Each function that fails returns false, or -1
// for a descriptor, with errno set.

// Makes ready what the file keeps of file.path in file.native: its folder
// and its name there, in the system's own form.
bool prepare_native_names(atomic_file &file);

enum class target_kind {
    missing,  // nothing there, or nothing that can be told
    regular,  // a regular file, replaced by a new one
    folder,   // refused
    in_place, // a device, a pipe, a link to the tool's standard output
};

// What file.path names now. With missing, error is why: ENOENT where there
// is nothing, ENOTDIR where a part of the folder is a file.
target_kind kind_of_target(const atomic_file &file, int &error);

// Opens file.path itself for writing, truncated, as a redirection would.
int open_target_in_place(const atomic_file &file);

// Creates a new file called name in file.path's folder and opens it for
// writing: EEXIST where the name is taken, which is then left alone. A file
// that will replace an older one gets the older one's permissions, and a new
// one those a shell's redirection gives. Once created, the file is the
// temporary file of file.native, which remove_native_names removes.
int create_temporary_file(atomic_file &file, const char *name);

bool has_temporary_file(const atomic_file &file);

// A text-mode stream on fd, which it then owns.
std::FILE *open_text_stream(int fd);

int close_descriptor(int fd);

// Asks the system to write what the flushed stream holds to the disk.
bool sync_to_disk(std::FILE *stream);

// Gives the older file at file.path a second name, name, in its folder, so
// that it can be put back: EEXIST where name is taken, ENOENT where there is
// no older file.
bool link_older_file(atomic_file &file, const char *name);

// Moves the older file from file.path to name in its folder, for a file
// system without links.
bool move_older_file_aside(atomic_file &file, const char *name);

// Renames the temporary file over file.path, in one step. A read-only older
// file is replaced as any other, and the new file is left read-only too.
bool put_in_place(atomic_file &file);

// Undoes what the commit did to the file: where it was placed, the older
// file goes back to file.path, or, where there was none, the new one is
// removed; where only its older file was moved aside, that goes back. An
// older file that cannot be put back stays under its second name, never
// removed: then returns false with errno set.
bool put_back(atomic_file &file);

// The names that remove_native_names could not remove.
enum names_left : unsigned { no_name_left = 0, temp_name_left = 1, second_name_left = 2 };

// Removes the temporary file and the older file's second name, where they
// remain, and releases what prepare_native_names took. Returns the names
// that could not be removed, with errno set where there is one.
unsigned remove_native_names(atomic_file &file);

// Holds off the signals that would end the process (on POSIX, every signal
// whose default action ends it but SIGKILL; on Windows, the console's Ctrl-C
// and Ctrl-Break) until release_signals, which restores the state that this
// returns, so that the two nest. held_signals is the system's own.
held_signals hold_signals();
void release_signals(const held_signals &previous);

// The files whose temporary files those signals must remove before they end
// the process. atomic_file.cpp sets them only while the signals are held off;
// the handler alone reads them.
inline atomic_file *watched_files[2];

// Has those signals remove the watched files' temporary files; called with
// the signals held off, the first call alone does the work. A signal that was
// ignored when the process started stays ignored.
void handle_ending_signals();

// A number that differs between runs and between processes, to seed the
// temporary names.
std::uint64_t name_seed();

std::FILE *open_binary_file_to_read(const char *path);

// Whether the two paths, spelt differently, name one file, as same_file
// promises.
bool paths_name_one_file(const char *first, const char *second);

// Whether path names the regular file that standard output writes to.
bool is_file_of_standard_output(const char *path);

// The errno that tells why a write to a stream failed, from the errno that
// the C library set: the same reason that Linux gives for the same fault.
int write_failure_reason(int error);

#endif
