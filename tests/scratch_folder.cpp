#include "scratch_folder.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

void ScratchFolderTest::SetUp()
{
    const testing::TestInfo *test = testing::UnitTest::GetInstance()->current_test_info();
    folder = fs::temp_directory_path() / ("veltabgen-" + std::to_string(getpid()) + "-" +
                                          test->test_suite_name() + "-" + test->name());
    fs::remove_all(folder);
    fs::create_directories(folder);
}

void ScratchFolderTest::TearDown()
{
    fs::remove_all(folder);
}

std::string read_file(const fs::path &path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void write_file(const fs::path &path, const std::string &text)
{
    std::ofstream(path, std::ios::binary) << text;
}

folder_contents contents_of(const fs::path &folder)
{
    folder_contents contents;
    for (const fs::directory_entry &entry : fs::directory_iterator(folder))
        contents[entry.path().filename().string()] =
            entry.is_regular_file() ? read_file(entry.path()) : "(folder)";
    return contents;
}
