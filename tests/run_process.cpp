#include "run_process.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

void check(int result, const char *what)
{
    if (result != 0)
        throw std::runtime_error(std::string(what) + ": " + std::strerror(result));
}

int make_capture_file()
{
    std::string path = (std::filesystem::temp_directory_path() / "veltabgen-test-XXXXXX").string();
    const int fd = mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("mkostemp: " + std::string(std::strerror(errno)));
    unlink(path.c_str());
    return fd;
}

std::string read_capture_file(int fd)
{
    std::string text;
    char block[65536];
    lseek(fd, 0, SEEK_SET);
    for (ssize_t got; (got = read(fd, block, sizeof block)) > 0;)
        text.append(block, static_cast<std::size_t>(got));
    close(fd);
    return text;
}

// A device that fails every write with ENOSPC, as /dev/full does: a node of
// the same device made in a folder of the tests' own, so that no test opens
// the system's. Removed when the tests end. Making it takes root, as the
// tests' CI has; elsewhere the tests fall back on /dev/full.
const char *full_device()
{
    static const struct device_folder {
        std::string folder;
        std::string node = "/dev/full";
        device_folder()
        {
            std::string made =
                (std::filesystem::temp_directory_path() / "veltabgen-device-XXXXXX").string();
            if (mkdtemp(made.data()) == nullptr)
                return;
            folder = made;
            const std::string full = folder + "/full";
            if (mknod(full.c_str(), S_IFCHR | 0600, makedev(1, 7)) == 0)
                node = full;
        }
        ~device_folder()
        {
            if (!folder.empty())
                std::filesystem::remove_all(folder);
        }
    } device;
    return device.node.c_str();
}

} // namespace

process_result run_process(const std::vector<std::string> &command, const process_options &options)
{
    std::vector<std::string> full_command;
    if (!options.prelude.empty())
        full_command = {"/bin/sh", "-c", "trap '' XFSZ && " + options.prelude + " && exec \"$@\"",
                        "sh"};
    full_command.insert(full_command.end(), command.begin(), command.end());
    std::vector<char *> argv;
    for (const std::string &arg : full_command)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);

    const int in_fd = make_capture_file(); // empty: the command reads nothing
    const int out_fd = make_capture_file();
    const int err_fd = make_capture_file();

    posix_spawn_file_actions_t actions;
    check(posix_spawn_file_actions_init(&actions), "posix_spawn_file_actions_init");
    check(posix_spawn_file_actions_adddup2(&actions, in_fd, 0), "adddup2");
    if (!options.working_directory.empty())
        check(posix_spawn_file_actions_addchdir_np(&actions, options.working_directory.c_str()),
              "addchdir");
    switch (options.stdout_target) {
    case output_target::captured:
        check(posix_spawn_file_actions_adddup2(&actions, out_fd, 1), "adddup2");
        break;
    case output_target::full_device:
        check(posix_spawn_file_actions_addopen(&actions, 1, full_device(), O_WRONLY, 0), "addopen");
        break;
    case output_target::closed:
        check(posix_spawn_file_actions_addclose(&actions, 1), "addclose");
        break;
    }
    check(posix_spawn_file_actions_adddup2(&actions, err_fd, 2), "adddup2");

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    check(spawned, argv[0]);

    int wait_status = 0;
    if (waitpid(pid, &wait_status, 0) != pid)
        throw std::runtime_error("waitpid: " + std::string(std::strerror(errno)));

    close(in_fd);
    process_result result;
    result.command = full_command;
    result.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
    result.out = read_capture_file(out_fd);
    result.err = read_capture_file(err_fd);
    return result;
}
