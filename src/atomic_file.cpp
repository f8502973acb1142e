#include "atomic_file.h"

#include <cerrno>
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
#include <unistd.h>
#endif

namespace {

constexpr int temp_name_attempts = 100;
constexpr std::size_t temp_suffix_length = 7; // ".XXXXXX"

#ifdef _WIN32

// The temporary name, then the path, both in UTF-16, in one allocation.
const wchar_t *target_path(const atomic_file &file)
{
    return file.temp_path + std::wcslen(file.temp_path) + 1;
}

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
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    default:
        return EIO;
    }
}

// Allocates the temporary name, the path followed by room for the suffix,
// and returns where the suffix goes.
wchar_t *make_temp_path(atomic_file &file)
{
    const int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, file.path, -1, nullptr, 0);
    if (length == 0) {
        errno = EILSEQ;
        return nullptr;
    }
    const std::size_t path_chars = static_cast<std::size_t>(length) - 1;
    const std::size_t temp_chars = path_chars + temp_suffix_length;
    file.temp_path =
        static_cast<wchar_t *>(std::malloc((temp_chars + 1 + path_chars + 1) * sizeof(wchar_t)));
    if (file.temp_path == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    wchar_t *const target = file.temp_path + temp_chars + 1;
    MultiByteToWideChar(CP_UTF8, 0, file.path, -1, target, length);
    std::wmemcpy(file.temp_path, target, path_chars);
    file.temp_path[temp_chars] = L'\0';
    return file.temp_path + path_chars;
}

int create_temp_file(const atomic_file &file)
{
    return _wopen(file.temp_path, _O_WRONLY | _O_CREAT | _O_EXCL | _O_TEXT | _O_NOINHERIT,
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

std::uint64_t name_seed()
{
    return (std::uint64_t{GetCurrentProcessId()} << 32) ^ GetTickCount64();
}

bool rename_over(const atomic_file &file)
{
    if (MoveFileExW(file.temp_path, target_path(file),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    errno = errno_of(GetLastError());
    return false;
}

void remove_temp_file(const atomic_file &file)
{
    _wunlink(file.temp_path);
}

#else

// Allocates the temporary name, the path followed by room for the suffix,
// and returns where the suffix goes.
char *make_temp_path(atomic_file &file)
{
    const std::size_t path_chars = std::strlen(file.path);
    file.temp_path = static_cast<char *>(std::malloc(path_chars + temp_suffix_length + 1));
    if (file.temp_path == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    std::memcpy(file.temp_path, file.path, path_chars);
    file.temp_path[path_chars + temp_suffix_length] = '\0';
    return file.temp_path + path_chars;
}

// Created with the permissions that a shell's redirection gives a new file;
// a file that replaces another takes the other's, as it would when
// redirected into.
int create_temp_file(const atomic_file &file)
{
    const int fd = open(file.temp_path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    struct stat existing;
    if (fd >= 0 && stat(file.path, &existing) == 0 && S_ISREG(existing.st_mode))
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

std::uint64_t name_seed()
{
    return (static_cast<std::uint64_t>(getpid()) << 32) ^
           static_cast<std::uint64_t>(std::time(nullptr));
}

bool rename_over(const atomic_file &file)
{
    return std::rename(file.temp_path, file.path) == 0;
}

void remove_temp_file(const atomic_file &file)
{
    unlink(file.temp_path);
}

#endif

// Writes a different ending for each attempt: the exclusive create makes the
// name unique, and the mixing makes two runs unlikely to try the same ones.
void name_attempt(native_path_char *suffix, std::uint64_t seed)
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // splitmix64's finalizer spreads every bit of the seed over the name.
    seed += 0x9E3779B97F4A7C15u;
    seed = (seed ^ (seed >> 30)) * 0xBF58476D1CE4E5B9u;
    seed = (seed ^ (seed >> 27)) * 0x94D049BB133111EBu;
    seed ^= seed >> 31;
    suffix[0] = '.';
    for (std::size_t i = 1; i < temp_suffix_length; ++i, seed /= sizeof letters - 1)
        suffix[i] = static_cast<native_path_char>(letters[seed % (sizeof letters - 1)]);
}

// Removes the temporary file after a failure, keeping the failure's errno.
bool abandon(atomic_file &file)
{
    const int error = errno;
    discard_atomic_file(file);
    errno = error;
    return false;
}

} // namespace

bool open_atomic_file(atomic_file &file, const char *path)
{
    file = {path, nullptr, nullptr};
    native_path_char *const suffix = make_temp_path(file);
    if (suffix == nullptr)
        return false;

    const std::uint64_t seed = name_seed();
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < temp_name_attempts; ++attempt) {
        name_attempt(suffix, seed + static_cast<std::uint64_t>(attempt));
        fd = create_temp_file(file);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        // Nothing was created under the name: keep it from being removed.
        std::free(file.temp_path);
        file.temp_path = nullptr;
        return false;
    }
    file.stream = open_stream(fd);
    if (file.stream == nullptr) {
        const int error = errno;
        close_fd(fd);
        errno = error;
        return abandon(file);
    }
    return true;
}

bool close_atomic_file(atomic_file &file)
{
    std::FILE *const stream = file.stream;
    file.stream = nullptr;
    bool written = std::fflush(stream) == 0 && !std::ferror(stream) && sync_stream(stream) == 0;
    int error = errno;
    if (std::fclose(stream) != 0 && written) {
        written = false;
        error = errno;
    }
    errno = error;
    return written || abandon(file);
}

bool commit_atomic_file(atomic_file &file)
{
    if (!rename_over(file))
        return abandon(file);
    std::free(file.temp_path);
    file.temp_path = nullptr;
    return true;
}

void discard_atomic_file(atomic_file &file)
{
    if (file.stream != nullptr) {
        std::fclose(file.stream);
        file.stream = nullptr;
    }
    if (file.temp_path != nullptr) {
        remove_temp_file(file);
        std::free(file.temp_path);
        file.temp_path = nullptr;
    }
}
