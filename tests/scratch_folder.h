#ifndef VELTABGEN_TESTS_SCRATCH_FOLDER_H
#define VELTABGEN_TESTS_SCRATCH_FOLDER_H

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

// A test with a scratch folder of its own, made empty before it and removed
// after it.
class ScratchFolderTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    std::filesystem::path folder;
};

std::string read_file(const std::filesystem::path &path);
void write_file(const std::filesystem::path &path, const std::string &text);

// Every entry of a folder, by name: a file with its contents, a folder as
// "(folder)".
using folder_contents = std::map<std::string, std::string>;
folder_contents contents_of(const std::filesystem::path &folder);

#endif
