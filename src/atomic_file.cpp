// The protocol of atomic_file, over the operations of platform.h: a file is
// written under a temporary name in its folder, flushed, synced and closed
// with every error checked, and only then renamed over its path; a pair is
// put in place together, the older first file kept under a second name until
// the second is in place too.

#include "atomic_file.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform.h"

namespace {

constexpr int temp_name_attempts = 100;
constexpr char temp_prefix[] = ".veltabgen-";

using temp_name = char[temp_name_length + 1];

// Writes a different name for each attempt: the exclusive create makes the
// name unique, and the mixing makes two runs unlikely to try the same ones.
void name_attempt(temp_name &name, std::uint64_t seed)
{
    static constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    // splitmix64's finalizer spreads every bit of the seed over the name.
    seed += 0x9E3779B97F4A7C15u;
    seed = (seed ^ (seed >> 30)) * 0xBF58476D1CE4E5B9u;
    seed = (seed ^ (seed >> 27)) * 0x94D049BB133111EBu;
    seed ^= seed >> 31;
    unsigned i = 0;
    for (; temp_prefix[i] != '\0'; ++i)
        name[i] = temp_prefix[i];
    for (; i < temp_name_length; ++i, seed /= sizeof letters - 1)
        name[i] = letters[seed % (sizeof letters - 1)];
    name[temp_name_length] = '\0';
}

// Has the signals that end the process remove the file's temporary file,
// until it is forgotten. Both are called with the signals held off.
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
    file.stream = open_text_stream(fd);
    if (file.stream != nullptr)
        return true;
    const int error = errno;
    close_descriptor(fd);
    errno = error;
    return abandon(file);
}

bool open_temp_file(atomic_file &file)
{
    // A signal must not come between creating the file and noting it for
    // removal.
    const held_signals previous = hold_signals();
    const std::uint64_t seed = name_seed();
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < temp_name_attempts; ++attempt) {
        name_attempt(file.temp_name, seed + static_cast<std::uint64_t>(attempt));
        fd = create_temporary_file(file, file.temp_name);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd >= 0)
        watch_temporary_file(&file);
    release_signals(previous);
    if (fd < 0) {
        file.folder_refused = errno == EACCES || errno == EPERM;
        return abandon(file);
    }
    return attach_stream(file, fd);
}

// Keeps an older file under a second name while the pair is replaced: as a
// second link, so that its path is never empty, or, where the file system
// has no links, moved aside.
bool keep_older_file(atomic_file &file)
{
    const std::uint64_t seed = name_seed() ^ 0xB;
    for (int attempt = 0; attempt < temp_name_attempts; ++attempt) {
        name_attempt(file.second_name, seed + static_cast<std::uint64_t>(attempt));
        if (link_older_file(file, file.second_name))
            return true;
        if (errno == EEXIST)
            continue;
        if (errno == ENOENT)
            return true; // no older file to keep
        if (move_older_file_aside(file, file.second_name)) {
            file.older_moved_aside = true;
            return true;
        }
        return errno == ENOENT;
    }
    return false;
}

bool place(atomic_file &file)
{
    file.placed = put_in_place(file);
    return file.placed;
}

} // namespace

bool open_atomic_file(atomic_file &file, const char *path)
{
    file = {};
    file.path = path;
    if (!prepare_native_names(file))
        return abandon(file);
    int error = 0;
    const target_kind kind = kind_of_target(file, error);
    if (kind == target_kind::missing && error != ENOENT) {
        errno = error;
        return abandon(file);
    }
    if (kind == target_kind::folder) {
        errno = EISDIR;
        return abandon(file);
    }
    if (kind != target_kind::in_place)
        return open_temp_file(file);

    file.in_place = true;
    const int fd = open_target_in_place(file);
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
                   (file.in_place || sync_to_disk(stream));
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
    if (has_temporary_file(leading) && (!keep_older_file(leading) || !place(leading)))
        failed = &leading;
    else if (has_temporary_file(following) && !place(following))
        failed = &following;
    const int error = errno;
    // Whatever was done to the leading file is undone, whichever rename
    // failed: an older file moved aside goes back, and so does one replaced.
    if (failed != nullptr && !put_back(leading)) {
        leading.left = leftover::older_file;
        leading.left_error = errno;
    }
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
    if (file.path != nullptr) {
        const int error = errno;
        const unsigned left = remove_native_names(file);
        if (left != no_name_left && file.left == leftover::none) {
            file.left = (left & temp_name_left) != 0 ? leftover::temporary_file : leftover::second_name;
            file.left_error = errno;
        }
        errno = error;
    }
    release_signals(previous);
}

void name_leftover(const atomic_file &file, char *out, std::size_t size)
{
    const char *name = file.left == leftover::temporary_file ? file.temp_name : file.second_name;
    int folder = 0;
    for (int i = 0; file.path[i] != '\0'; ++i)
        if (is_path_separator(file.path[i]))
            folder = i + 1;
    std::snprintf(out, size, "%.*s%s", folder, file.path, name);
}

std::FILE *open_file_to_read(const char *path)
{
    return open_binary_file_to_read(path);
}

bool same_file(const char *first, const char *second)
{
    return std::strcmp(first, second) == 0 || paths_name_one_file(first, second);
}

bool names_standard_output(const char *path)
{
    return is_file_of_standard_output(path);
}
