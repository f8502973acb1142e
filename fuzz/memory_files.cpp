// The fuzzer's stand-in for the files that --output and --header write: each
// is a stream in memory, and a committed one is kept by its path, so that no
// input can write to the disk. A path that contains "fail-open", "fail-close"
// or "fail-commit" fails that step, as a full disk or a missing folder would.

#include "memory_files.h"

#include "atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct memory_file {
    char *text = nullptr;
    std::size_t size = 0;
};

// The temporary files, by the address of their atomic_file.
std::map<const atomic_file *, memory_file> temporaries;

bool fails_at(const atomic_file &file, const char *step)
{
    return std::strstr(file.path, step) != nullptr;
}

bool fail(atomic_file &file)
{
    discard_atomic_file(file);
    errno = EIO;
    return false;
}

} // namespace

std::map<std::string, std::string> committed_files;
std::map<std::string, std::string> input_files;

std::size_t open_temporary_files()
{
    return temporaries.size();
}

bool open_atomic_file(atomic_file &file, const char *path)
{
    file = {};
    file.path = path;
    if (fails_at(file, "fail-open")) {
        errno = ENOENT;
        return false;
    }
    memory_file &memory = temporaries[&file];
    file.stream = open_memstream(&memory.text, &memory.size);
    return file.stream != nullptr || fail(file);
}

bool close_atomic_file(atomic_file &file)
{
    const bool written = std::fclose(file.stream) == 0;
    file.stream = nullptr;
    return (written && !fails_at(file, "fail-close")) || fail(file);
}

namespace {

bool put_in_place(atomic_file &file)
{
    if (file.path == nullptr || fails_at(file, "fail-commit"))
        return file.path == nullptr;
    memory_file &memory = temporaries[&file];
    committed_files[file.path].assign(memory.text, memory.size);
    std::free(memory.text);
    temporaries.erase(&file);
    return true;
}

} // namespace

atomic_file *commit_atomic_files(atomic_file &leading, atomic_file &following)
{
    atomic_file *failed = nullptr;
    if (!put_in_place(leading))
        failed = &leading;
    else if (!put_in_place(following)) {
        failed = &following;
        // No run finds a file there before it: putting the older one back
        // is taking the new one away.
        committed_files.erase(leading.path != nullptr ? leading.path : "");
    }
    discard_atomic_file(leading);
    discard_atomic_file(following);
    errno = EIO;
    return failed;
}

std::FILE *open_file_to_read(const char *path)
{
    const auto input = input_files.find(path);
    if (input != input_files.end())
        return fmemopen(input->second.data(), input->second.size(), "rb");
    const auto file = committed_files.find(path);
    if (file == committed_files.end()) {
        errno = ENOENT;
        return nullptr;
    }
    return fmemopen(file->second.data(), file->second.size(), "rb");
}

bool same_file(const char *first, const char *second)
{
    return std::strcmp(first, second) == 0;
}

// Standard output is a stream in memory, never a file of these.
bool names_standard_output(const char *)
{
    return false;
}

void discard_atomic_file(atomic_file &file)
{
    if (file.stream != nullptr)
        std::fclose(file.stream);
    file.stream = nullptr;
    const auto temporary = temporaries.find(&file);
    if (temporary != temporaries.end()) {
        std::free(temporary->second.text);
        temporaries.erase(temporary);
    }
}

// No name is ever left in memory: a file is removed with its temporary.
void name_leftover(const atomic_file &file, char *out, std::size_t size)
{
    std::snprintf(out, size, "%s", file.path);
}
