// Uses the CMake package as a firmware project does: installed, with
// find_package and veltabgen_generate, natively and cross-compiled for a
// Cortex-M0; and built in the project's own tree, with FetchContent.

#include "run_process.h"
#include "scratch_folder.h"
#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// Fails the test with a step's output if the step failed.
std::string run_step(const std::vector<std::string> &command)
{
    const process_result result = run_process(command);
    EXPECT_EQ(result.status, 0) << described(result) << "\nstandard output:\n" << result.out;
    return result.out;
}

void expect_example_tables(const std::string &printed)
{
    auto tables = tables_printed(printed);
    EXPECT_EQ(tables["tw256"].address_mod_4, 0);
    EXPECT_EQ(tables["tw1024"].address_mod_4, 0);
    EXPECT_EQ(tables["tw256"].entries, table_for(256, default_scale));
    EXPECT_EQ(tables["tw1024"].entries, table_for(1024, 1000.25));
}

class CMakePackage : public ScratchFolderTest {
protected:
    // Installs the tool just built into the scratch folder.
    void install()
    {
        run_step({CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", prefix().string()});
    }

    fs::path prefix() const { return folder / "prefix"; }

    // Configures and builds the example project against the installed tool.
    void build_example(const fs::path &build, const std::vector<std::string> &options = {})
    {
        std::vector<std::string> configure = {CMAKE_COMMAND, "-S", EXAMPLE_DIR, "-B",
                                              build.string(), "-G", CMAKE_GENERATOR,
                                              "-DCMAKE_PREFIX_PATH=" + prefix().string()};
        configure.insert(configure.end(), options.begin(), options.end());
        run_step(configure);
        run_step({CMAKE_COMMAND, "--build", build.string()});
    }
};

TEST_F(CMakePackage, InstalledPackageGeneratesNamedAlignedTablesOnlyWhenNeeded)
{
    install();
    const fs::path build = folder / "native";
    build_example(build, {"-DCMAKE_C_COMPILER=" C_COMPILER});
    ASSERT_FALSE(HasFailure());
    expect_example_tables(run_step({(build / "print_tables").string()}));

    // A second build with nothing changed regenerates nothing.
    const fs::path table = build / "veltabgen" / "tw256.c";
    const fs::file_time_type generated = fs::last_write_time(table);
    const std::string second = run_step({CMAKE_COMMAND, "--build", build.string()});
    EXPECT_EQ(second.find("Generating"), std::string::npos) << second;
    EXPECT_EQ(fs::last_write_time(table), generated);

    // A new tool regenerates every table.
    fs::last_write_time(prefix() / "bin" / "veltabgen", generated + std::chrono::seconds(10));
    const std::string third = run_step({CMAKE_COMMAND, "--build", build.string()});
    EXPECT_NE(third.find("Generating the 256-point twiddle table tw256"), std::string::npos);
    EXPECT_NE(third.find("Generating the 1024-point twiddle table tw1024"), std::string::npos);
    EXPECT_GT(fs::last_write_time(table), generated);
}

// The tool runs on the build host while the tables are compiled for the
// target, each in a section that asks for 4-byte alignment.
TEST_F(CMakePackage, CrossCompiledFirmwareGetsFourByteAlignedTables)
{
    if (*ARM_OBJDUMP == '\0')
        GTEST_SKIP() << "arm-none-eabi-gcc is not installed";
    install();
    const fs::path build = folder / "cortex-m0";
    build_example(build, {"-DCMAKE_TOOLCHAIN_FILE=" TOOLCHAIN_DIR "/cortex_m0.cmake"});
    ASSERT_FALSE(HasFailure());

    std::istringstream sections(
        run_step({ARM_OBJDUMP, "-h", (build / "libtwiddle_tables.a").string()}));
    std::map<std::string, std::string> alignment;
    for (std::string line; std::getline(sections, line);) {
        std::istringstream words(line);
        std::string index, name, size, vma, lma, offset, align;
        if (words >> index >> name >> size >> vma >> lma >> offset >> align)
            alignment[name] = align;
    }
    EXPECT_EQ(alignment[".rodata.tw256"], "2**2");
    EXPECT_EQ(alignment[".rodata.tw1024"], "2**2");
}

TEST_F(CMakePackage, FunctionWorksWithTheToolBuiltInTheProjectsOwnTree)
{
    const fs::path build = folder / "superproject";
    run_step({CMAKE_COMMAND, "-S", TOOLCHAIN_DIR "/superproject", "-B", build.string(), "-G",
              CMAKE_GENERATOR, "-DVELTABGEN_SOURCE_DIR=" SOURCE_DIR,
              "-DCMAKE_C_COMPILER=" C_COMPILER, "-DCMAKE_CXX_COMPILER=" CXX_COMPILER});
    run_step({CMAKE_COMMAND, "--build", build.string()});
    ASSERT_FALSE(HasFailure());
    expect_example_tables(run_step({(build / "print_tables").string()}));
    const std::string second = run_step({CMAKE_COMMAND, "--build", build.string()});
    EXPECT_EQ(second.find("Generating"), std::string::npos) << second;
}

} // namespace
