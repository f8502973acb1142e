#include "atomic_file.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <fcntl.h>
#include <sys/stat.h>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace {

constexpr int temp_name_attempts = 100;
constexpr char temp_prefix[] = ".veltabgen-";

// Writes a different name for each attempt: the exclusive create makes the
// name unique, and the mixing makes two runs unlikely to try the same ones.
void name_attempt(native_path_char *name, std::uint64_t seed)
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // splitmix64's finalizer spreads every bit of the seed over the name.
    seed += 0x9E3779B97F4A7C15u;
    seed = (seed ^ (seed >> 30)) * 0xBF58476D1CE4E5B9u;
    seed = (seed ^ (seed >> 27)) * 0x94D049BB133111EBu;
    seed ^= seed >> 31;
    unsigned i = 0;
    for (; temp_prefix[i] != '\0'; ++i)
        name[i] = static_cast<native_path_char>(temp_prefix[i]);
    for (; i < temp_name_length; ++i, seed /= sizeof letters - 1)
        name[i] = static_cast<native_path_char>(letters[seed % (sizeof letters - 1)]);
    name[temp_name_length] = 0;
}

#ifdef _WIN32

int errno_of(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    default:
        return EIO;
    }
}

bool fail_with(DWORD error)
{
    errno = errno_of(error);
    return false;
}

bool is_separator(wchar_t c)
{
    return c == L'/' || c == L'\\' || c == L':';
}

// Where the last component of a UTF-16 path begins.
const wchar_t *last_component(const wchar_t *path)
{
    const wchar_t *name = path;
    for (const wchar_t *c = path; *c != L'\0'; ++c)
        if (is_separator(*c))
            name = c + 1;
    return name;
}

// Allocates the path in UTF-16, then the temporary and the backup names in
// its folder, each with room for a name of fixed length.
bool make_paths(atomic_file &file)
{
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, file.path, -1, nullptr, 0);
    if (length == 0) {
        errno = EILSEQ;
        return false;
    }
    const std::size_t path_chars = static_cast<std::size_t>(length) - 1;
    const std::size_t name_room = path_chars + temp_name_length + 1;
    file.target =
        static_cast<wchar_t *>(std::malloc((path_chars + 1 + 2 * name_room) * sizeof(wchar_t)));
    if (file.target == nullptr) {
        errno = ENOMEM;
        return false;
    }
    MultiByteToWideChar(CP_UTF8, 0, file.path, -1, file.target, length);
    file.temp = file.target + path_chars + 1;
    file.backup = file.temp + name_room;
    file.temp[0] = L'\0';
    file.backup[0] = L'\0';
    return true;
}

// Where, in the temporary or the backup name, the name within the folder
// goes: after the folder part of the path.
wchar_t *name_in_folder(const atomic_file &file, wchar_t *room)
{
    const std::size_t folder_chars =
        static_cast<std::size_t>(last_component(file.target) - file.target);
    std::wmemcpy(room, file.target, folder_chars);
    return room + folder_chars;
}

std::uint64_t name_seed()
{
    return (std::uint64_t{GetCurrentProcessId()} << 32) ^ GetTickCount64();
}

// What the path names now: nothing yet, a regular file, a folder, or
// something written in place (a device such as NUL, a pipe).
enum class target_kind { missing, regular, folder, in_place };

target_kind kind_of(const atomic_file &file)
{
    const HANDLE handle = CreateFileW(file.target, 0, FILE_SHARE_READ | FILE_SHARE_WRITE |
                                      FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return target_kind::missing;
    target_kind kind = target_kind::in_place;
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &information))
        kind = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? target_kind::folder
                                                                             : target_kind::regular;
    CloseHandle(handle);
    return kind;
}

int open_in_place(const atomic_file &file)
{
    return _wopen(file.target, _O_WRONLY | _O_TRUNC | _O_TEXT | _O_NOINHERIT);
}

int create_temp_file(const atomic_file &file)
{
    return _wopen(file.temp, _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
}

std::FILE *open_stream(int fd)
{
    return _fdopen(fd, "w");
}

int close_fd(int fd)
{
    return _close(fd);
}

int sync_stream(std::FILE *stream)
{
    return _commit(_fileno(stream));
}

bool keep_older_file(atomic_file &file)
{
    wchar_t *const name = name_in_folder(file, file.backup);
    const std::uint64_t seed = name_seed() ^ 0xB;
    for (int attempt = 0; attempt < temp_name_attempts; ++attempt) {
        name_attempt(name, seed + static_cast<std::uint64_t>(attempt));
        if (CreateHardLinkW(file.backup, file.target, nullptr))
            return true;
        const DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
            file.backup[0] = L'\0'; // no older file to keep
            return true;
        }
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS)
            break;
    }
    file.backup[0] = L'\0';
    return false;
}

bool put_in_place(atomic_file &file)
{
    if (!MoveFileExW(file.temp, file.target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail_with(GetLastError());
    file.temp[0] = L'\0';
    return true;
}

// Where the older file cannot be put back, its backup is left, never removed.
void put_back(atomic_file &file)
{
    if (file.backup[0] == L'\0')
        DeleteFileW(file.target);
    else
        MoveFileExW(file.backup, file.target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    file.backup[0] = L'\0';
}

void remove_names(atomic_file &file)
{
    if (file.target == nullptr)
        return;
    if (file.temp[0] != L'\0')
        _wunlink(file.temp);
    if (file.backup[0] != L'\0')
        _wunlink(file.backup);
    std::free(file.target);
    file.target = nullptr;
    file.temp = nullptr;
    file.backup = nullptr;
}

bool has_temp(const atomic_file &file)
{
    return file.temp != nullptr && file.temp[0] != L'\0';
}

// Windows has no such signals to hold off: a console's Ctrl-C ends the
// process outright.
using held_signals = int;

held_signals hold_signals()
{
    return 0;
}

void release_signals(held_signals)
{
}

void watch_temporary_file(atomic_file *)
{
}

void forget_temporary_file(const atomic_file *)
{
}

// A path in UTF-16, in a block of its own that the next call reuses; null,
// with errno set, for a path that is not UTF-8.
const wchar_t *wide_path(const char *path)
{
    static wchar_t wide[32768];
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, wide, 32768) != 0)
        return wide;
    errno = EILSEQ;
    return nullptr;
}

// A path's full form in UTF-16, for comparing two paths.
bool full_path(const char *path, wchar_t *full, DWORD room)
{
    const wchar_t *const wide = wide_path(path);
    return wide != nullptr && GetFullPathNameW(wide, room, full, nullptr) - 1 < room - 1;
}

#else

// The folder part of a path, in a buffer of its own: it is opened once for
// every file, so that the names within it are no longer than the names
// themselves, whatever the length of the path.
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

const char *last_component(const char *path)
{
    const char *slash = std::strrchr(path, '/');
    return slash == nullptr ? path : slash + 1;
}

bool names_a_folder(const char *name)
{
    return *name == '\0' || std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

std::uint64_t name_seed()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return (static_cast<std::uint64_t>(getpid()) << 32) ^
           static_cast<std::uint64_t>(now.tv_sec) * 1000000007u ^
           static_cast<std::uint64_t>(now.tv_nsec);
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

enum class target_kind { missing, regular, folder, in_place };

target_kind kind_of(const atomic_file &file, int &error)
{
    struct stat target;
    if (names_a_folder(file.name))
        return target_kind::folder;
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

int open_in_place(const atomic_file &file)
{
    return open(file.path, O_WRONLY | O_TRUNC | O_NOCTTY | O_CLOEXEC);
}

// Created with the permissions that a shell's redirection gives a new file;
// a file that replaces another takes the other's, as it would when
// redirected into.
int create_temp_file(const atomic_file &file)
{
    const int fd =
        openat(file.folder, file.temp, O_WRONLY | O_CREAT | O_EXCL | O_NOCTTY | O_CLOEXEC, 0666);
    struct stat existing;
    if (fd >= 0 && fstatat(file.folder, file.name, &existing, 0) == 0 &&
        S_ISREG(existing.st_mode))
        fchmod(fd, existing.st_mode & 0777); // at worst the file keeps the default
    return fd;
}

std::FILE *open_stream(int fd)
{
    return fdopen(fd, "w");
}

int close_fd(int fd)
{
    return close(fd);
}

int sync_stream(std::FILE *stream)
{
    return fsync(fileno(stream));
}

// Keeps an older file under a backup name while the pair is replaced: as a
// second link, so that its path is never empty, or, where the file system has
// no links, moved aside.
bool keep_older_file(atomic_file &file)
{
    const std::uint64_t seed = name_seed() ^ 0xB;
    for (int attempt = 0; attempt < temp_name_attempts; ++attempt) {
        name_attempt(file.backup, seed + static_cast<std::uint64_t>(attempt));
        if (linkat(file.folder, file.name, file.folder, file.backup, 0) == 0)
            return true;
        if (errno == EEXIST)
            continue;
        if (errno != ENOENT && renameat(file.folder, file.name, file.folder, file.backup) == 0)
            return true;
        break;
    }
    const bool no_older_file = errno == ENOENT;
    file.backup[0] = '\0';
    return no_older_file;
}

bool put_in_place(atomic_file &file)
{
    if (renameat(file.folder, file.temp, file.folder, file.name) != 0)
        return false;
    file.temp[0] = '\0';
    return true;
}

// Where the older file cannot be put back, its backup is left, never removed.
void put_back(atomic_file &file)
{
    if (file.backup[0] == '\0')
        unlinkat(file.folder, file.name, 0);
    else
        renameat(file.folder, file.backup, file.folder, file.name);
    file.backup[0] = '\0';
}

void remove_names(atomic_file &file)
{
    if (file.path == nullptr)
        return;
    if (file.temp[0] != '\0')
        unlinkat(file.folder, file.temp, 0);
    if (file.backup[0] != '\0')
        unlinkat(file.folder, file.backup, 0);
    file.temp[0] = '\0';
    file.backup[0] = '\0';
    if (file.folder != AT_FDCWD)
        close(file.folder);
    file.folder = AT_FDCWD;
}

bool has_temp(const atomic_file &file)
{
    return file.temp[0] != '\0';
}

constexpr int ending_signals[] = {SIGINT, SIGTERM, SIGHUP, SIGPIPE};

// The files whose temporary names a signal must remove. Set only while the
// signals are held off, and read by the handler alone.
atomic_file *watched_files[2];

void remove_temporary_files(int signal)
{
    for (atomic_file *file : watched_files)
        if (file != nullptr && file->temp[0] != '\0')
            unlinkat(file->folder, file->temp, 0);
    // The handler was reset on entry: the signal, raised again, ends the
    // process as it would have, once the handler returns.
    raise(signal);
}

using held_signals = sigset_t;

// Holds the signals off until release_signals, which restores the mask that
// this returns, so that the two nest.
held_signals hold_signals()
{
    sigset_t signals;
    sigemptyset(&signals);
    for (int signal : ending_signals)
        sigaddset(&signals, signal);
    sigset_t previous;
    sigprocmask(SIG_BLOCK, &signals, &previous);
    return previous;
}

void release_signals(const held_signals &previous)
{
    sigprocmask(SIG_SETMASK, &previous, nullptr);
}

// Installs the handler for each signal that the process does not ignore.
void handle_ending_signals()
{
    static bool handled = false;
    if (handled)
        return;
    handled = true;
    for (int signal : ending_signals) {
        struct sigaction action {};
        action.sa_handler = remove_temporary_files;
        action.sa_flags = SA_RESETHAND;
        sigemptyset(&action.sa_mask);
        for (int other : ending_signals)
            sigaddset(&action.sa_mask, other);
        struct sigaction previous {};
        if (sigaction(signal, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN)
            sigaction(signal, &action, nullptr);
    }
}

// Both are called with the signals held off.
void watch_temporary_file(atomic_file *file)
{
    handle_ending_signals();
    for (atomic_file *&watched : watched_files) {
        if (watched == nullptr) {
            watched = file;
            break;
        }
    }
}

void forget_temporary_file(const atomic_file *file)
{
    for (atomic_file *&watched : watched_files)
        if (watched == file)
            watched = nullptr;
}

#endif

// Removes the temporary file after a failure, keeping the failure's errno.
bool abandon(atomic_file &file)
{
    const int error = errno;
    discard_atomic_file(file);
    errno = error;
    return false;
}

// Opens the file's stream on fd, which is the stream's from then on.
bool attach_stream(atomic_file &file, int fd)
{
    file.stream = open_stream(fd);
    if (file.stream != nullptr)
        return true;
    const int error = errno;
    close_fd(fd);
    errno = error;
    return abandon(file);
}

bool open_temp_file(atomic_file &file)
{
#ifdef _WIN32
    native_path_char *const name = name_in_folder(file, file.temp);
#else
    native_path_char *const name = file.temp;
    if (file.name != file.path) {
        const char *const folder = folder_of(file.path, file.name);
        if (folder == nullptr)
            return false;
#ifdef O_PATH
        file.folder = open(folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
#else
        file.folder = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#endif
        if (file.folder < 0) {
            file.folder = AT_FDCWD;
            return false;
        }
    }
#endif
    // A signal must not come between creating the file and noting it for
    // removal.
    const held_signals previous = hold_signals();
    const std::uint64_t seed = name_seed();
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < temp_name_attempts; ++attempt) {
        name_attempt(name, seed + static_cast<std::uint64_t>(attempt));
        fd = create_temp_file(file);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd >= 0)
        watch_temporary_file(&file);
    release_signals(previous);
    if (fd < 0) {
        // Nothing was created under the name: keep it from being removed.
        const int error = errno;
        file.folder_refused = error == EACCES || error == EPERM;
        file.temp[0] = 0;
        discard_atomic_file(file);
        errno = error;
        return false;
    }
    return attach_stream(file, fd);
}

} // namespace

bool open_atomic_file(atomic_file &file, const char *path)
{
    file = {};
    file.path = path;
#ifdef _WIN32
    if (!make_paths(file))
        return false;
    const target_kind kind = kind_of(file);
#else
    file.folder = AT_FDCWD;
    file.name = last_component(path);
    int error = 0;
    const target_kind kind = kind_of(file, error);
    if (kind == target_kind::missing && error != ENOENT) {
        errno = error;
        return false;
    }
#endif
    if (kind == target_kind::folder) {
        discard_atomic_file(file);
        errno = EISDIR;
        return false;
    }
    if (kind != target_kind::in_place)
        return open_temp_file(file);

    file.in_place = true;
    const int fd = open_in_place(file);
    if (fd < 0)
        return abandon(file);
    return attach_stream(file, fd);
}

bool close_atomic_file(atomic_file &file)
{
    std::FILE *const stream = file.stream;
    file.stream = nullptr;
    // A device or a pipe has nothing to sync, and may refuse to.
    bool written = std::fflush(stream) == 0 && !std::ferror(stream) &&
                   (file.in_place || sync_stream(stream) == 0);
    int error = errno;
    if (std::fclose(stream) != 0 && written) {
        written = false;
        error = errno;
    }
    errno = error;
    return written || abandon(file);
}

atomic_file *commit_atomic_files(atomic_file &leading, atomic_file &following)
{
    const held_signals previous = hold_signals();
    atomic_file *failed = nullptr;
    const bool leading_replaced = has_temp(leading);
    if (leading_replaced && (!keep_older_file(leading) || !put_in_place(leading)))
        failed = &leading;
    else if (has_temp(following) && !put_in_place(following))
        failed = &following;
    const int error = errno;
    if (failed == &following && leading_replaced)
        put_back(leading);
    discard_atomic_file(leading);
    discard_atomic_file(following);
    release_signals(previous);
    errno = error;
    return failed;
}

void discard_atomic_file(atomic_file &file)
{
    const held_signals previous = hold_signals();
    if (file.stream != nullptr) {
        std::fclose(file.stream);
        file.stream = nullptr;
    }
    forget_temporary_file(&file);
    remove_names(file);
    release_signals(previous);
}

std::FILE *open_file_to_read(const char *path)
{
#ifdef _WIN32
    const wchar_t *const wide = wide_path(path);
    return wide != nullptr ? _wfopen(wide, L"rb") : nullptr;
#else
    return std::fopen(path, "rb");
#endif
}

bool same_file(const char *first, const char *second)
{
    if (std::strcmp(first, second) == 0)
        return true;
#ifdef _WIN32
    static wchar_t first_full[32768];
    static wchar_t second_full[32768];
    return full_path(first, first_full, 32768) && full_path(second, second_full, 32768) &&
           CompareStringOrdinal(first_full, -1, second_full, -1, TRUE) == CSTR_EQUAL;
#else
    const char *const first_name = last_component(first);
    const char *const second_name = last_component(second);
    if (std::strcmp(first_name, second_name) != 0)
        return false;
    // Both folders must exist for the files to be written at all.
    struct stat first_folder;
    struct stat second_folder;
    const char *folder = folder_of(first, first_name);
    if (folder == nullptr || stat(first_name == first ? "." : folder, &first_folder) != 0)
        return false;
    folder = folder_of(second, second_name);
    return folder != nullptr && stat(second_name == second ? "." : folder, &second_folder) == 0 &&
           first_folder.st_dev == second_folder.st_dev &&
           first_folder.st_ino == second_folder.st_ino;
#endif
}
