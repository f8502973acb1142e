// platform.h on Windows: paths are taken in UTF-8 and used in UTF-16, with
// the system's wide-character calls.

#include "platform.h"

#include <cerrno>
#include <cstdlib>
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

namespace {

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
    native.temp = native.target + path_chars + 1;
    native.backup = native.temp + name_room;
    native.temp[0] = L'\0';
    native.backup[0] = L'\0';
    return true;
}

// Anything that cannot be opened is taken as missing: creating the temporary
// file beside it then says why.
target_kind kind_of_target(const atomic_file &file, int &error)
{
    error = ENOENT;
    const HANDLE handle =
        CreateFileW(file.native.target, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
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

bool put_in_place(atomic_file &file)
{
    native_file &native = file.native;
    if (!MoveFileExW(native.temp, native.target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return fail_with(GetLastError());
    native.temp[0] = L'\0';
    return true;
}

void put_back(atomic_file &file)
{
    native_file &native = file.native;
    if (native.backup[0] == L'\0')
        DeleteFileW(native.target);
    else
        MoveFileExW(native.backup, native.target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    native.backup[0] = L'\0';
}

void remove_native_names(atomic_file &file)
{
    native_file &native = file.native;
    if (native.target == nullptr)
        return;
    if (native.temp[0] != L'\0')
        _wunlink(native.temp);
    if (native.backup[0] != L'\0')
        _wunlink(native.backup);
    std::free(native.target);
    native = {};
}

held_signals hold_signals()
{
    return 0;
}

void release_signals(const held_signals &)
{
}

void watch_temporary_file(atomic_file *)
{
}

void forget_temporary_file(const atomic_file *)
{
}

std::uint64_t name_seed()
{
    return (std::uint64_t{GetCurrentProcessId()} << 32) ^ GetTickCount64();
}

std::FILE *open_binary_file_to_read(const char *path)
{
    const wchar_t *const wide = wide_path(path);
    return wide != nullptr ? _wfopen(wide, L"rb") : nullptr;
}

bool paths_name_one_file(const char *first, const char *second)
{
    static wchar_t first_full[32768];
    static wchar_t second_full[32768];
    return full_path(first, first_full, 32768) && full_path(second, second_full, 32768) &&
           CompareStringOrdinal(first_full, -1, second_full, -1, TRUE) == CSTR_EQUAL;
}
