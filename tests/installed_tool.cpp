#include "installed_tool.h"

#include "tool_under_test.h"

#include <gtest/gtest.h>

std::string run_step(const std::vector<std::string> &command, const process_options &options)
{
    const process_result result = run_process(command, options);
    EXPECT_EQ(result.status, 0) << described(result) << "\nstandard output:\n" << result.out;
    return result.out;
}

void InstalledToolTest::install()
{
    run_step({CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", prefix().string()});
}

void InstalledToolTest::build_project(const std::filesystem::path &source,
                                      const std::filesystem::path &build,
                                      const std::vector<std::string> &options)
{
    std::vector<std::string> configure = {CMAKE_COMMAND, "-S", source.string(), "-B",
                                          build.string(), "-DCMAKE_PREFIX_PATH=" + prefix().string()};
    configure.insert(configure.end(), options.begin(), options.end());
    run_step(configure);
    run_step({CMAKE_COMMAND, "--build", build.string()});
}

const char *name_of(package_form form)
{
    return form == package_form::installed ? "the installed package" : "veltabgen built in the project's tree";
}

std::string in_form(const std::string &lines, package_form form)
{
    const std::size_t start = lines.find("find_package(veltabgen ");
    EXPECT_NE(start, std::string::npos) << "no find_package(veltabgen ...) in:\n" << lines;
    if (form == package_form::installed || start == std::string::npos)
        return lines;
    std::string changed = lines;
    changed.replace(start, lines.find(')', start) + 1 - start, "add_subdirectory(" SOURCE_DIR " veltabgen-build)");
    return changed;
}
