#ifndef VELTABGEN_TESTS_INSTALLED_TOOL_H
#define VELTABGEN_TESTS_INSTALLED_TOOL_H

#include "run_process.h"
#include "scratch_folder.h"

#include <filesystem>
#include <string>
#include <vector>

// Runs a step that must succeed, such as a build or a program: where it
// fails, the test fails with its command, status and output. Returns what it
// wrote to standard output.
std::string run_step(const std::vector<std::string> &command, const process_options &options = {});

// How a CMake project gets veltabgen_generate: from the installed package,
// or by building veltabgen in its own tree.
enum class package_form { installed, in_tree };

const char *name_of(package_form form);

// A project's lines with its find_package(veltabgen ...) line as form asks:
// as it is, or add_subdirectory of veltabgen's sources in its place.
std::string in_form(const std::string &lines, package_form form);

// A test that uses the tool as a user does once `cmake --install` has put it
// in a prefix: the tool just built, installed into the test's scratch folder.
class InstalledToolTest : public ScratchFolderTest {
protected:
    void install();

    std::filesystem::path prefix() const { return folder / "prefix"; }

    // Configures the CMake project at source in build, to find the installed
    // package, with the options given, and builds it.
    void build_project(const std::filesystem::path &source, const std::filesystem::path &build,
                       const std::vector<std::string> &options = {});
};

#endif
