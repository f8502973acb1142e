// platform.h on POSIX systems: Linux, and the node build of the page.

#include "platform.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool is_path_separator(char c)
{
    return c == '/';
}

const bool text_lines_end_in_cr = false;

namespace {

const char *last_component(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    return slash == nullptr ? path : slash + 1;
}

// The folder part of a path, in a buffer of its own, or null with errno set.
const char *folder_of(const char *path, const char *name)
{
    static char folder[PATH_MAX];
    std::size_t length = static_cast<std::size_t>(name - path);
    if (length > 1)
        --length; // the separator, but for the root's
    if (length >= sizeof folder) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    return folder;
}

bool names_a_folder(const char *name)
{
    return *name == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Whether path is a link to the tool's own standard output or error: those
// are written as they are, never replaced.
bool leads_to_standard_stream(const char *path, const struct stat &target)
{
    struct stat link;
    if (lstat(path, &link) != 0 || !S_ISLNK(link.st_mode))
        return false;
    static constexpr int standard_streams[] = {STDOUT_FILENO, STDERR_FILENO};
    for (int fd : standard_streams) {
        struct stat stream;
        if (fstat(fd, &stream) == 0 && stream.st_dev == target.st_dev &&
            stream.st_ino == target.st_ino)
            return true;
    }
    return false;
}

} // namespace

bool prepare_native_names(atomic_file &file)
{
    native_file &native = file.native;
    native.folder = AT_FDCWD;
    native.name = last_component(file.path);
    if (native.name == file.path)
        return true;
    const char *const folder = folder_of(file.path, native.name);
    if (folder == nullptr)
        return false;
#ifdef O_PATH
    native.folder = open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
    native.folder = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
    if (native.folder >= 0)
        return true;
    native.folder = AT_FDCWD;
    return false;
}

target_kind kind_of_target(const atomic_file &file, int &error)
{
    if (names_a_folder(file.native.name))
        return target_kind::folder;
    struct stat target;
    if (stat(file.path, &target) != 0) {
        error = errno;
        return target_kind::missing;
    }
    if (S_ISDIR(target.st_mode))
        return target_kind::folder;
    if (!S_ISREG(target.st_mode) || leads_to_standard_stream(file.path, target))
        return target_kind::in_place;
    return target_kind::regular;
}

int open_target_in_place(const atomic_file &file)
{
    return open(file.path, O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
}

int create_temporary_file(atomic_file &file, const char *name)
{
    native_file &native = file.native;
    // Created with the older file's permissions, which the umask can only
    // narrow: where the exact ones cannot be set after (a file system
    // without Unix modes), the new file is still never more open than the
    // one it replaces.
    struct stat existing;
    const bool replacing = fstatat(native.folder, native.name, &existing, 0) == 0 && S_ISREG(existing.st_mode);
    const mode_t mode = replacing ? existing.st_mode & 0777 : 0666;
    const int fd = openat(native.folder, name, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, mode);
    if (fd < 0)
        return fd;
    std::memcpy(native.temp, name, sizeof native.temp);
    if (replacing)
        fchmod(fd, mode); // the bits that the umask took, where the file system keeps them
    return fd;
}

bool has_temporary_file(const atomic_file &file)
{
    return file.native.temp[0] != '\0';
}

std::FILE *open_text_stream(int fd)
{
    return fdopen(fd, "w");
}

int close_descriptor(int fd)
{
    return close(fd);
}

bool sync_to_disk(std::FILE *stream)
{
    return fsync(fileno(stream)) == 0;
}

bool link_older_file(atomic_file &file, const char *name)
{
    native_file &native = file.native;
    if (linkat(native.folder, native.name, native.folder, name, 0) != 0)
        return false;
    std::memcpy(native.backup, name, sizeof native.backup);
    return true;
}

bool move_older_file_aside(atomic_file &file, const char *name)
{
    native_file &native = file.native;
    if (renameat(native.folder, native.name, native.folder, name) != 0)
        return false;
    std::memcpy(native.backup, name, sizeof native.backup);
    return true;
}

// A file's permissions went to the temporary file when it was created.
bool put_in_place(atomic_file &file)
{
    native_file &native = file.native;
    if (renameat(native.folder, native.temp, native.folder, native.name) != 0)
        return false;
    native.temp[0] = '\0';
    return true;
}

bool put_back(atomic_file &file)
{
    native_file &native = file.native;
    bool put = true;
    if (file.placed && native.backup[0] == '\0')
        put = unlinkat(native.folder, native.name, 0) == 0;
    else if (file.placed || file.older_moved_aside)
        put = renameat(native.folder, native.backup, native.folder, native.name) == 0;
    else
        return true; // a second link of the older file, which keeps its name: removed with the rest
    native.backup[0] = '\0';
    return put;
}

unsigned remove_native_names(atomic_file &file)
{
    native_file &native = file.native;
    unsigned left = no_name_left;
    int error = 0;
    if (native.temp[0] != '\0' && unlinkat(native.folder, native.temp, 0) != 0) {
        left |= temp_name_left;
        error = errno;
    }
    if (native.backup[0] != '\0' && unlinkat(native.folder, native.backup, 0) != 0) {
        left |= second_name_left;
        error = errno;
    }
    native.temp[0] = '\0';
    native.backup[0] = '\0';
    if (native.folder != AT_FDCWD)
        close(native.folder);
    native.folder = AT_FDCWD;
    errno = error;
    return left;
}

namespace {

// Whether the default action of the signal ends the process: every signal
// but those that are ignored, stop or continue it by default, and SIGKILL,
// which cannot be caught.
bool ends_process(int signal)
{
    switch (signal) {
    case SIGKILL:
    case SIGSTOP:
    case SIGTSTP:
    case SIGTTIN:
    case SIGTTOU:
    case SIGCONT:
    case SIGCHLD:
    case SIGURG:
    case SIGWINCH:
        return false;
    default:
        return true;
    }
}

// The signals that would end the process: the standard ones, and the
// real-time ones where the system has them.
const sigset_t &ending_signals()
{
    static sigset_t signals;
    static bool made = false;
    if (!made) {
        sigemptyset(&signals);
#ifdef SIGRTMAX
        const int last = SIGRTMAX;
#else
        const int last = 31;
#endif
        for (int signal = 1; signal <= last; ++signal)
            if (ends_process(signal))
                sigaddset(&signals, signal);
        made = true;
    }
    return signals;
}

void remove_temporary_files(int signal)
{
    for (atomic_file *file : watched_files)
        if (file != nullptr && file->native.temp[0] != '\0')
            unlinkat(file->native.folder, file->native.temp, 0);
    // The handler was reset on entry: the signal, raised again, ends the
    // process as it would have, once the handler returns.
    raise(signal);
}

} // namespace

// Installs the handler for each signal that the process does not ignore.
void handle_ending_signals()
{
    static bool handled = false;
    if (handled)
        return;
    handled = true;
    const sigset_t &signals = ending_signals();
    for (int signal = 1; signal < NSIG; ++signal) {
        if (sigismember(&signals, signal) != 1)
            continue;
        struct sigaction action {};
        action.sa_handler = remove_temporary_files;
        action.sa_flags = SA_RESETHAND;
        action.sa_mask = signals;
        struct sigaction previous {};
        // A signal ignored by the caller stays ignored; one with a handler
        // of its own (a sanitizer's) keeps it.
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler == SIG_DFL)
            sigaction(signal, &action, nullptr);
    }
}

held_signals hold_signals()
{
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &ending_signals(), &previous);
    return previous;
}

void release_signals(const held_signals &previous)
{
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

std::uint64_t name_seed()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return (static_cast<std::uint64_t>(getpid()) << 32) ^
           static_cast<std::uint64_t>(now.tv_sec) * 1000000007u ^
           static_cast<std::uint64_t>(now.tv_nsec);
}

std::FILE *open_binary_file_to_read(const char *path)
{
    return std::fopen(path, "rb");
}

bool is_file_of_standard_output(const char *path)
{
    struct stat stream;
    struct stat named;
    return fstat(STDOUT_FILENO, &stream) == 0 && S_ISREG(stream.st_mode) &&
           stat(path, &named) == 0 && stream.st_dev == named.st_dev &&
           stream.st_ino == named.st_ino;
}

int write_failure_reason(int error)
{
    return error;
}

// The same name in the same folder: the folders' identities, for both must
// exist for the files to be written at all.
bool paths_name_one_file(const char *first, const char *second)
{
    const char *const first_name = last_component(first);
    const char *const second_name = last_component(second);
    if (std::strcmp(first_name, second_name) != 0)
        return false;
    struct stat first_folder;
    struct stat second_folder;
    const char *folder = folder_of(first, first_name);
    if (folder == nullptr || stat(first_name == first ? "." : folder, &first_folder) != 0)
        return false;
    folder = folder_of(second, second_name);
    return folder != nullptr && stat(second_name == second ? "." : folder, &second_folder) == 0 &&
           first_folder.st_dev == second_folder.st_dev &&
           first_folder.st_ino == second_folder.st_ino;
}
