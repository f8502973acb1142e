// platform.h on Windows: paths are taken in UTF-8 and used in UTF-16, with
// the system's wide-character calls.

#include "platform.h"
#include "error_mapping.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

bool is_path_separator(char c)
{
    return c == '/' || c == '\\' || c == ':';
}

const bool text_lines_end_in_cr = true;

int errno_of(unsigned long error)
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
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_INVALID_NAME:
    case ERROR_INVALID_PARAMETER:
        return EINVAL;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:
    case ERROR_PIPE_NOT_CONNECTED:
        return EPIPE;
    default:
        return EIO;
    }
}

namespace {

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

// Writes name, in ASCII, after the folder part of the path, into room.
void name_in_folder(const native_file &native, wchar_t *room, const char *name)
{
    const std::size_t folder_chars =
        static_cast<std::size_t>(last_component(native.target) - native.target);
    std::wmemcpy(room, native.target, folder_chars);
    wchar_t *c = room + folder_chars;
    for (; *name != '\0'; ++name, ++c)
        *c = static_cast<wchar_t>(*name);
    *c = L'\0';
}

// Where a path's drive ends: past "X:" and any "\\?\" or "\\.\" prefix.
const wchar_t *past_drive(const wchar_t *path)
{
    if (is_separator(path[0]) && is_separator(path[1]) && (path[2] == L'?' || path[2] == L'.') &&
        is_separator(path[3]))
        path += 4;
    if (((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
        path[1] == L':')
        path += 2;
    return path;
}

// Whether a path names a stream of a file ("t.c:x", "t.c::$DATA"): a colon
// past the drive, which Windows would not take for a folder's end.
bool names_a_stream(const wchar_t *path)
{
    return std::wcschr(past_drive(path), L':') != nullptr;
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

} // namespace

// Allocates the path in UTF-16, then the temporary and the backup names in
// its folder, each with room for a name of fixed length.
bool prepare_native_names(atomic_file &file)
{
    native_file &native = file.native;
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, file.path, -1, nullptr, 0);
    if (length == 0) {
        errno = EILSEQ;
        return false;
    }
    const std::size_t path_chars = static_cast<std::size_t>(length) - 1;
    const std::size_t name_room = path_chars + temp_name_length + 1;
    native.target =
        static_cast<wchar_t *>(std::malloc((path_chars + 1 + 2 * name_room) * sizeof(wchar_t)));
    if (native.target == nullptr) {
        errno = ENOMEM;
        return false;
    }
    MultiByteToWideChar(CP_UTF8, 0, file.path, -1, native.target, length);
    if (names_a_stream(native.target)) {
        std::free(native.target);
        native.target = nullptr;
        errno = EINVAL;
        return false;
    }
    native.temp = native.target + path_chars + 1;
    native.backup = native.temp + name_room;
    native.temp[0] = L'\0';
    native.backup[0] = L'\0';
    return true;
}

namespace {

// The attributes of the folder part of a path (the current folder where it
// has none), or INVALID_FILE_ATTRIBUTES where there is nothing.
DWORD folder_attributes(const wchar_t *path)
{
    static wchar_t folder[32768];
    std::size_t length = static_cast<std::size_t>(last_component(path) - path);
    if (length == 0)
        return GetFileAttributesW(L".");
    // Every separator that ends the folder's name ("f//" is in f), but for a
    // root's ("C:\", "\") and a drive's own colon ("C:x").
    while (length > 1 && (path[length - 1] == L'/' || path[length - 1] == L'\\') &&
           path[length - 2] != L':')
        --length;
    std::wmemcpy(folder, path, length);
    folder[length] = L'\0';
    return GetFileAttributesW(folder);
}

// Whether the folder part of a path names a file: "f/." or "f/x.c" where f
// is one.
bool folder_is_a_file(const wchar_t *path)
{
    const DWORD attributes = folder_attributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

} // namespace

// Anything else that cannot be opened is taken as missing: creating the
// temporary file beside it then says why.
target_kind kind_of_target(const atomic_file &file, int &error)
{
    error = ENOENT;
    // Windows reads "f/." as "f": a name that can only be a folder's is one.
    const wchar_t *const name = last_component(file.native.target);
    if (*name == L'\0' || std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0) {
        const DWORD folder = folder_attributes(file.native.target);
        if (folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY) != 0)
            return target_kind::folder;
        error = folder == INVALID_FILE_ATTRIBUTES ? ENOENT : ENOTDIR;
        return target_kind::missing;
    }
    const HANDLE handle =
        CreateFileW(file.native.target, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        if (folder_is_a_file(file.native.target))
            error = ENOTDIR;
        return target_kind::missing;
    }
    target_kind kind = target_kind::in_place;
    BY_HANDLE_FILE_INFORMATION information;
    if (GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &information))
        kind = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? target_kind::folder
                                                                             : target_kind::regular;
    CloseHandle(handle);
    return kind;
}

int open_target_in_place(const atomic_file &file)
{
    return _wopen(file.native.target, _O_WRONLY | _O_TRUNC | _O_TEXT | _O_NOINHERIT);
}

int create_temporary_file(atomic_file &file, const char *name)
{
    native_file &native = file.native;
    name_in_folder(native, native.temp, name);
    const int fd = _wopen(native.temp, _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT,
                          _S_IREAD | _S_IWRITE);
    if (fd < 0)
        native.temp[0] = L'\0'; // nothing was created under the name
    return fd;
}

bool has_temporary_file(const atomic_file &file)
{
    return file.native.temp != nullptr && file.native.temp[0] != L'\0';
}

std::FILE *open_text_stream(int fd)
{
    return _fdopen(fd, "w");
}

int close_descriptor(int fd)
{
    return _close(fd);
}

bool sync_to_disk(std::FILE *stream)
{
    return _commit(_fileno(stream)) == 0;
}

bool link_older_file(atomic_file &file, const char *name)
{
    native_file &native = file.native;
    name_in_folder(native, native.backup, name);
    if (CreateHardLinkW(native.backup, native.target, nullptr))
        return true;
    native.backup[0] = L'\0';
    return fail_with(GetLastError());
}

bool move_older_file_aside(atomic_file &file, const char *name)
{
    native_file &native = file.native;
    name_in_folder(native, native.backup, name);
    if (MoveFileExW(native.target, native.backup, MOVEFILE_WRITE_THROUGH))
        return true;
    native.backup[0] = L'\0';
    return fail_with(GetLastError());
}

// A read-only file can be neither replaced nor removed, and its attribute
// belongs to the file, under every name it has: it is lifted while the file
// is replaced, which also frees its backup name to be removed, and set again
// on the file that ends up at the path.
bool put_in_place(atomic_file &file)
{
    native_file &native = file.native;
    const DWORD older = GetFileAttributesW(native.target);
    const bool read_only = older != INVALID_FILE_ATTRIBUTES && (older & FILE_ATTRIBUTE_READONLY) != 0;
    if (read_only)
        SetFileAttributesW(native.target, older & ~FILE_ATTRIBUTE_READONLY);
    if (!MoveFileExW(native.temp, native.target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = GetLastError();
        if (read_only)
            SetFileAttributesW(native.target, older);
        return fail_with(error);
    }
    native.temp[0] = L'\0';
    native.replaced_read_only = read_only;
    if (read_only)
        SetFileAttributesW(native.target, GetFileAttributesW(native.target) | FILE_ATTRIBUTE_READONLY);
    return true;
}

namespace {

void make_writable(const wchar_t *path)
{
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesW(path, attributes & ~FILE_ATTRIBUTE_READONLY);
}

} // namespace

bool put_back(atomic_file &file)
{
    native_file &native = file.native;
    bool put = true;
    if (file.placed) {
        make_writable(native.target);
        if (native.backup[0] == L'\0') {
            put = DeleteFileW(native.target) != 0;
        } else {
            put = MoveFileExW(native.backup, native.target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
            if (put && native.replaced_read_only)
                SetFileAttributesW(native.target, GetFileAttributesW(native.target) | FILE_ATTRIBUTE_READONLY);
        }
    } else if (file.older_moved_aside) {
        put = MoveFileExW(native.backup, native.target, MOVEFILE_WRITE_THROUGH) != 0;
    } else {
        return true; // a second link of the older file, which keeps its name: removed with the rest
    }
    if (!put)
        errno = errno_of(GetLastError());
    native.backup[0] = L'\0';
    return put;
}

unsigned remove_native_names(atomic_file &file)
{
    native_file &native = file.native;
    if (native.target == nullptr)
        return no_name_left;
    unsigned left = no_name_left;
    int error = 0;
    if (native.temp[0] != L'\0' && _wunlink(native.temp) != 0) {
        left |= temp_name_left;
        error = errno;
    }
    // A backup that is still read-only is a second name of the older file,
    // which the new one never replaced: it stays read-only at the path.
    const DWORD backup = native.backup[0] != L'\0' ? GetFileAttributesW(native.backup)
                                                   : INVALID_FILE_ATTRIBUTES;
    if (backup != INVALID_FILE_ATTRIBUTES) {
        make_writable(native.backup);
        if (_wunlink(native.backup) != 0) {
            left |= second_name_left;
            error = errno;
        }
        if ((backup & FILE_ATTRIBUTE_READONLY) != 0)
            SetFileAttributesW(native.target, GetFileAttributesW(native.target) | FILE_ATTRIBUTE_READONLY);
    }
    std::free(native.target);
    native = {};
    errno = error;
    return left;
}

namespace {

// Ctrl-C and Ctrl-Break reach a console program in a thread of their own,
// which waits here while the main thread holds them off.
CRITICAL_SECTION console_events;

BOOL WINAPI remove_temporary_files(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    EnterCriticalSection(&console_events);
    for (atomic_file *file : watched_files)
        if (file != nullptr && has_temporary_file(*file))
            DeleteFileW(file->native.temp);
    // At once, every thread with it (one may be blocked writing to a pipe),
    // with the status with which Ctrl-C ends a program that handles it not.
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_CONTROL_C_EXIT));
    return TRUE;
}

} // namespace

held_signals hold_signals()
{
    static bool ready = false;
    if (!ready) {
        InitializeCriticalSection(&console_events);
        ready = true;
    }
    EnterCriticalSection(&console_events);
    return 0;
}

void release_signals(const held_signals &)
{
    LeaveCriticalSection(&console_events);
}

void handle_ending_signals()
{
    static bool handled = false;
    if (!handled)
        handled = SetConsoleCtrlHandler(remove_temporary_files, TRUE) != 0;
}

std::uint64_t name_seed()
{
    return (std::uint64_t{GetCurrentProcessId()} << 32) ^ GetTickCount64();
}

std::FILE *open_binary_file_to_read(const char *path)
{
    const wchar_t *const wide = wide_path(path);
    if (wide == nullptr)
        return nullptr;
    std::FILE *const file = _wfopen(wide, L"rb");
    // Windows refuses to open a folder, where Linux fails its first read.
    const DWORD attributes = file == nullptr ? GetFileAttributesW(wide) : INVALID_FILE_ATTRIBUTES;
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        errno = EISDIR;
    return file;
}

namespace {

// What tells one file or folder from every other: its volume and its index
// there, whatever the name, the drive, the links or the short names it was
// reached by.
struct file_identity {
    DWORD volume;
    DWORD index_high;
    DWORD index_low;
};

bool identify(const wchar_t *path, file_identity &identity)
{
    const HANDLE handle =
        CreateFileW(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    BY_HANDLE_FILE_INFORMATION information;
    const bool known = GetFileType(handle) == FILE_TYPE_DISK &&
                       GetFileInformationByHandle(handle, &information);
    CloseHandle(handle);
    if (known)
        identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh,
                    information.nFileIndexLow};
    return known;
}

bool operator==(const file_identity &first, const file_identity &second)
{
    return first.volume == second.volume && first.index_high == second.index_high &&
           first.index_low == second.index_low;
}

bool same_name(const wchar_t *first, const wchar_t *second)
{
    return CompareStringOrdinal(first, -1, second, -1, TRUE) == CSTR_EQUAL;
}

// The identity of the folder of a full path, whose folder part ends in a
// separator.
bool identify_folder(wchar_t *full, file_identity &identity)
{
    wchar_t *const name = const_cast<wchar_t *>(last_component(full));
    const wchar_t first = *name;
    *name = L'\0';
    const bool known = identify(full, identity);
    *name = first;
    return known;
}

} // namespace

// One spelling may not show that two paths name one file: a drive mapped
// onto another's folder, a short name, a link to a folder, a \\?\ prefix.
// Their identities do, where the files exist; where they do not yet, the
// identities of their folders and their names.
bool paths_name_one_file(const char *first, const char *second)
{
    static wchar_t first_full[32768];
    static wchar_t second_full[32768];
    if (!full_path(first, first_full, 32768) || !full_path(second, second_full, 32768))
        return false;
    if (same_name(first_full, second_full))
        return true;
    file_identity first_file{};
    file_identity second_file{};
    const bool first_exists = identify(first_full, first_file);
    const bool second_exists = identify(second_full, second_file);
    if (first_exists || second_exists)
        return first_exists && second_exists && first_file == second_file;
    return same_name(last_component(first_full), last_component(second_full)) &&
           identify_folder(first_full, first_file) && identify_folder(second_full, second_file) &&
           first_file == second_file;
}

// A file's volume and its identifier there, as an open handle tells them.
namespace {

bool file_id_of(HANDLE handle, FILE_ID_INFO &id)
{
    return handle != INVALID_HANDLE_VALUE && handle != nullptr &&
           GetFileType(handle) == FILE_TYPE_DISK &&
           GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id);
}

} // namespace

// Wine knows no volume of a standard stream that it took from its host, and
// calls it 0: the file's identifier alone then tells.
bool is_file_of_standard_output(const char *path)
{
    const wchar_t *const wide = wide_path(path);
    FILE_ID_INFO stream{};
    FILE_ID_INFO named{};
    if (wide == nullptr || !file_id_of(GetStdHandle(STD_OUTPUT_HANDLE), stream))
        return false;
    const HANDLE handle =
        CreateFileW(wide, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool known = file_id_of(handle, named);
    if (handle != INVALID_HANDLE_VALUE)
        CloseHandle(handle);
    return known &&
           (stream.VolumeSerialNumber == named.VolumeSerialNumber || stream.VolumeSerialNumber == 0) &&
           std::memcmp(&stream.FileId, &named.FileId, sizeof stream.FileId) == 0;
}

// The C library maps a write to a pipe whose reader has gone to EINVAL; its
// own record of the system's error tells it from a true EINVAL.
int write_failure_reason(int error)
{
    if (error == EINVAL && errno_of(static_cast<unsigned long>(_doserrno)) == EPIPE)
        return EPIPE;
    return error;
}
