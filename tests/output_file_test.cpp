// Runs the tool with --output and --header as its users do, in a scratch
// folder, and checks that a file is replaced only by a complete one: on
// success it holds what standard output would, and on every failure an older
// file survives whole and no temporary file is left behind.

#include "scratch_folder.h"
#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <csignal>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <vector>

namespace {

namespace fs = std::filesystem;

class OutputFile : public ScratchFolderTest {
protected:
    // Runs the tool in the scratch folder.
    process_result run_here(const std::vector<std::string> &args, const std::string &prelude = "")
    {
        process_options options;
        options.working_directory = folder.string();
        options.prelude = prelude;
        return run_tool(args, options);
    }
};

const std::string must_differ =
    options_usage() + "ERROR:  The --header and --output files must differ.\n";

// The folder's files after --output=twiddle.c --header=twiddle.h for n
// points.
folder_contents pair_written(std::int32_t n)
{
    table_request request = default_request(n, default_scale);
    request.header_path = "twiddle.h";
    return {{"twiddle.c", with_tool_line_ends(render(table_for(n, default_scale), request))},
            {"twiddle.h", with_tool_line_ends(render_header(request))}};
}

// The Windows form of a path of the Linux host, as Wine's drive Z: shows it.
std::string windows_path(const fs::path &path)
{
    std::string windows = "Z:" + path.string();
    std::replace(windows.begin(), windows.end(), '/', '\\');
    return windows;
}

// Runs the tests' Windows helper (windows/windows_helper.cpp) under Wine.
process_result run_windows_helper(const std::vector<std::string> &args,
                                  const process_options &options)
{
    const char *helper = std::getenv("VELTABGEN_TEST_WINDOWS_HELPER");
    std::vector<std::string> command = {tool_command().front(), helper != nullptr ? helper : ""};
    command.insert(command.end(), args.begin(), args.end());
    return run_under_wine(command, options);
}

TEST_F(OutputFile, HoldsExactlyWhatStandardOutputWouldAndReplacesAnOlderFile)
{
    const std::vector<std::vector<std::string>> cases = {
        {"64"},
        {"-s", "1000.25", "32768"},
        {"--name=tw", "--align=gnu", "256"},
        {"--align=c11", "16", "--name", "t16"},
    };
    for (const auto &args : cases) {
        SCOPED_TRACE("args:" + bracketed(args));
        const process_result printed = run_here(args);
        ASSERT_EQ(printed.status, 0) << described(printed);

        write_file(folder / "twiddle.c", "an older table\n");
        std::vector<std::string> to_file = args;
        to_file.insert(to_file.begin(), "--output=twiddle.c");
        const process_result written = run_here(to_file);
        SCOPED_TRACE(described(written));
        EXPECT_EQ(written.status, 0);
        EXPECT_EQ(written.out, "");
        EXPECT_EQ(written.err, "");
        EXPECT_EQ(contents_of(folder), (folder_contents{{"twiddle.c", printed.out}}));
        fs::remove(folder / "twiddle.c");
    }
    // An option's value is all that follows its "=".
    const process_result odd_name = run_here({"--output=a=b.c", "16"});
    EXPECT_EQ(odd_name.status, 0) << described(odd_name);
    EXPECT_EQ(contents_of(folder).count("a=b.c"), 1u);
}

TEST_F(OutputFile, HeaderDeclaresTheArrayAndTheSourceIncludesIt)
{
    fs::create_directory(folder / "generated");
    write_file(folder / "generated" / "tw.h", "an older header\n");
    const process_result result = run_here({"--output", "generated/tw.c", "--name=tw", "-s", "500",
                                            "--header", "generated/tw.h", "128"});
    SCOPED_TRACE(described(result));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");

    table_request request = default_request(128, 500.0);
    request.array_name = "tw";
    request.header_path = "generated/tw.h";
    EXPECT_EQ(contents_of(folder / "generated"),
              (folder_contents{
                  {"tw.c", with_tool_line_ends(render(table_for(128, 500.0), request))},
                  {"tw.h", with_tool_line_ends(render_header(request))}}));

    // With the source on standard output, the header is still a file.
    const process_result printed = run_here({"--header=tw16.h", "16"});
    SCOPED_TRACE(described(printed));
    EXPECT_EQ(printed.status, 0);
    request = default_request(16, default_scale);
    request.header_path = "tw16.h";
    EXPECT_EQ(printed.out, with_tool_line_ends(render(table_for(16, default_scale), request)));
    EXPECT_EQ(read_file(folder / "tw16.h"), with_tool_line_ends(render_header(request)));

    // Question marks that make no trigraph are a name like any other, where
    // the system allows them.
    if (!tool_is_native())
        return;
    for (const char *name : {"t??.h", "t??x.h", "t?-.h", "?=.h"}) {
        const process_result named = run_here({std::string("--header=") + name, "16"});
        EXPECT_EQ(named.status, 0) << described(named);
        EXPECT_TRUE(fs::exists(folder / name)) << name;
    }
}

struct failure_case {
    std::vector<std::string> args;
    std::string error; // the start of the error line; empty for a fault in the command line
    std::string prelude;
    output_target stdout_target = output_target::captured;
};

// Runs each case in a folder that holds an older pair and a subfolder, and
// checks that the run failed as expected and left the folder as it was.
void expect_failures_leave_folder_unchanged(const fs::path &folder,
                                            const std::vector<failure_case> &cases)
{
    for (const auto &c : cases) {
        fs::remove_all(folder);
        fs::create_directories(folder / "folder");
        write_file(folder / "twiddle.c", "an older table\n");
        write_file(folder / "twiddle.h", "an older header\n");
        const folder_contents before = contents_of(folder);

        process_options options;
        options.working_directory = folder.string();
        options.prelude = c.prelude;
        options.stdout_target = c.stdout_target;
        const process_result result = run_tool(c.args, options);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.out, "");
        if (c.error.empty())
            EXPECT_EQ(result.err.rfind(with_tool_line_ends(options_usage()) + "ERROR:  ", 0), 0u);
        else
            EXPECT_EQ(result.err.substr(0, with_tool_line_ends(c.error).size()),
                      with_tool_line_ends(c.error));
        folder_contents after = contents_of(folder);
        after.erase("strace.log");
        EXPECT_EQ(after, before);
    }
}

// Under Wine, a file grown past the size limit would end Wine itself.
std::string file_size_limit(int kib)
{
    const std::string limit = "ulimit -f " + std::to_string(kib);
    return tool_is_native() ? limit : "trap '' XFSZ && " + limit;
}

TEST_F(OutputFile, EveryFailureLeavesTheOlderFilesWholeAndNoTemporaryFile)
{
    const std::string no_such_file = std::strerror(ENOENT);
    const std::string is_a_folder = std::strerror(EISDIR);
    const std::string not_a_folder = std::strerror(ENOTDIR);
    expect_failures_leave_folder_unchanged(folder, {
        {{"--output=missing/twiddle.c", "64"},
         "ERROR:  Unable to write missing/twiddle.c: " + no_such_file + "\n", ""},
        {{"--header=missing/twiddle.h", "--output=twiddle.c", "64"},
         "ERROR:  Unable to write missing/twiddle.h: " + no_such_file + "\n", ""},
        // The header is complete before the source fails, but is not put in
        // place without it.
        {{"--header=twiddle.h", "--output=missing/twiddle.c", "64"},
         "ERROR:  Unable to write missing/twiddle.c: " + no_such_file + "\n", ""},
        {{"--header=twiddle.h", "--output=folder", "64"},
         "ERROR:  Unable to write folder: " + is_a_folder + "\n", ""},
        {{"--header=folder", "--output=twiddle.c", "64"},
         "ERROR:  Unable to write folder: " + is_a_folder + "\n", ""},
        {{"--output=.", "64"}, "ERROR:  Unable to write .: " + is_a_folder + "\n", ""},
        {{"--output=folder/", "64"}, "ERROR:  Unable to write folder/: " + is_a_folder + "\n", ""},
        {{"--output=folder/.", "64"}, "ERROR:  Unable to write folder/.: " + is_a_folder + "\n", ""},
        // A file where a folder should be.
        {{"--header=twiddle.h/.", "--output=twiddle.c", "64"},
         "ERROR:  Unable to write twiddle.h/.: " + not_a_folder + "\n", ""},
        {{"--output=twiddle.c/", "64"}, "ERROR:  Unable to write twiddle.c/: " + not_a_folder + "\n", ""},
        {{"--output=twiddle.c/new.c", "64"},
         "ERROR:  Unable to write twiddle.c/new.c: " + not_a_folder + "\n", ""},
        // The path is shown on one line.
        {{"--output=missing/new\n\x01.c", "64"},
         "ERROR:  Unable to write missing/new\\n\\x01.c: " + no_such_file + "\n", ""},
        // With the source on standard output, the header waits for it.
        {{"--header=twiddle.h", "64"}, "ERROR:  Unable to write output: ", "",
         output_target::full_device},
        // A disk that fills up: the file may grow to 16 KiB, which the header
        // fits in and the largest source does not.
        {{"--output=twiddle.c", "32768"}, "ERROR:  Unable to write twiddle.c: ",
         file_size_limit(16)},
        {{"--header=twiddle.h", "--output=twiddle.c", "32768"},
         "ERROR:  Unable to write twiddle.c: ", file_size_limit(16)},
        {{"--output=twiddle.c", "100"}, "", ""},
        {{"--header=twiddle.h", "--output=twiddle.c", "--name=int", "64"}, "", ""},
        // One file, named two ways.
        {{"--header=./twiddle.c", "--output=twiddle.c", "64"}, "", ""},
        {{"--header=folder/../twiddle.c", "--output=twiddle.c", "64"}, "", ""},
        {{"--header=" + (folder / "twiddle.c").string(), "--output=twiddle.c", "64"}, "", ""},
        {{"--output=./folder//new.c", "--header=folder/new.c", "64"}, "", ""},
        {{"--header=twiddle.c", "--output=./twiddle.c", "64"}, "", ""},
        // What a layout does not take.
        {{"--layout=cmsis-rfft", "--header=twiddle.h", "--output=twiddle.c", "16"}, "", ""},
        {{"--type=q31", "--header=twiddle.h", "--output=twiddle.c", "64"}, "", ""},
        {{"--layout=cmsis-cfft", "-s", "500", "--output=twiddle.c", "64"}, "", ""},
        {{"--layout=fft", "--output=twiddle.c", "64"}, "", ""},
        {{"--output=twiddle.c//", "64"}, "ERROR:  Unable to write twiddle.c//: " + not_a_folder + "\n", ""},
    });
    // Windows' file systems compare names without regard to case.
    if (!tool_is_native())
        expect_failures_leave_folder_unchanged(
            folder, {{{"--header=TWIDDLE.C", "--output=twiddle.c", "64"}, "", ""}});
}

// Windows' null device is written as it is, never replaced.
TEST_F(OutputFile, WindowsNullDeviceIsWrittenInPlace)
{
    if (tool_is_native())
        GTEST_SKIP() << "a Windows device";
    const process_result result = run_here({"--output=NUL", "--header=nul", "64"});
    SCOPED_TRACE(described(result));
    EXPECT_EQ(result.status, 1); // one device, named two ways
    const process_result written = run_here({"--output=NUL", "64"});
    EXPECT_EQ(written.status, 0) << described(written);
    EXPECT_EQ(written.err, "");
    EXPECT_EQ(contents_of(folder), folder_contents{});
}

// Windows reaches one file by many names: a \\?\ or \\.\ prefix, a second
// drive letter on the same folder, a short name of the file or of its
// folder, a link to a folder. Each is refused as the plain spelling is,
// whether or not the file exists yet, where writing both would leave only
// the source, including itself.
TEST_F(OutputFile, OneFileUnderTwoWindowsNamesIsRefused)
{
    if (tool_is_native())
        GTEST_SKIP() << "Windows names";
    const std::string here = windows_path(folder);
    const struct {
        std::string source;
        std::string header; // <short> stands for the short name of the source or its folder
        bool source_must_exist = false;
    } cases[] = {
        {"twiddle.c", "\\\\?\\" + here + "\\twiddle.c"},
        {"twiddle.c", "\\\\.\\" + here + "\\twiddle.c"},
        {"twiddle.c", "//?/Z:" + folder.string() + "/twiddle.c"},
        // The tests' Wine prefix maps Y: onto the root, as Z: is.
        {"twiddle.c", "Y:" + here.substr(2) + "\\twiddle.c"},
        {"twiddle.c", "link\\twiddle.c"},
        {"long_folder_name/twiddle.c", "<short>\\twiddle.c"},
        {"twiddle_first.c", "<short>", true},
    };
    for (const auto &c : cases) {
        for (const bool source_exists : {true, false}) {
            if (c.source_must_exist && !source_exists)
                continue;
            fs::remove_all(folder);
            fs::create_directories(folder / "long_folder_name");
            fs::create_directory_symlink(".", folder / "link");
            if (source_exists)
                write_file(folder / c.source, "an older table\n");
            process_options options;
            options.working_directory = folder.string();
            std::string header = c.header;
            if (const std::size_t at = header.find("<short>"); at != std::string::npos) {
                const std::string named = c.source.substr(0, c.source.find('/'));
                const process_result short_name = run_windows_helper({"short-name", named}, options);
                ASSERT_EQ(short_name.status, 0) << described(short_name);
                header.replace(at, 7, short_name.out.substr(0, short_name.out.find_first_of("\r\n")));
            }
            const folder_contents before = contents_of(folder);
            const folder_contents before_inside = contents_of(folder / "long_folder_name");
            const process_result result =
                run_here({"--output=" + c.source, "--header=" + header, "64"});
            SCOPED_TRACE(described(result));
            SCOPED_TRACE(source_exists ? "the source exists" : "the source does not exist yet");
            EXPECT_EQ(result.status, 1);
            EXPECT_EQ(result.out, "");
            EXPECT_EQ(result.err, with_tool_line_ends(must_differ));
            EXPECT_EQ(contents_of(folder), before);
            EXPECT_EQ(contents_of(folder / "long_folder_name"), before_inside);
        }
    }
    // Two files in one folder, however it is named, are two files.
    fs::remove_all(folder);
    fs::create_directories(folder);
    const process_result two_files =
        run_here({"--output=twiddle.c", "--header=\\\\?\\" + here + "\\twiddle.h", "64"});
    EXPECT_EQ(two_files.status, 0) << described(two_files);
    EXPECT_EQ(contents_of(folder).size(), 2u);
}

// Files of one name in two folders are two files, even where the folders
// are the roots of two file systems whose inode numbers coincide (two tmpfs
// mounts in a mount namespace of the test's own, where it can make one).
TEST_F(OutputFile, OneNameInTwoFoldersNamesTwoFiles)
{
    fs::create_directories(folder / "src");
    fs::create_directories(folder / "include");
    const process_result apart = run_here({"--output=src/tw.inc", "--header=include/tw.inc", "64"});
    SCOPED_TRACE(described(apart));
    EXPECT_EQ(apart.status, 0);
    table_request request = default_request(64, default_scale);
    request.header_path = "include/tw.inc";
    EXPECT_EQ(read_file(folder / "src" / "tw.inc"),
              with_tool_line_ends(render(table_for(64, default_scale), request)));
    EXPECT_EQ(read_file(folder / "include" / "tw.inc"), with_tool_line_ends(render_header(request)));

    if (!tool_is_native() || run_process({"/usr/bin/unshare", "-m", "/bin/true"}).status != 0)
        return;
    fs::create_directories(folder / "a");
    fs::create_directories(folder / "b");
    std::vector<std::string> command = {
        "/usr/bin/unshare", "-m", "/bin/sh", "-c",
        "mount -t tmpfs tmpfs a && mount -t tmpfs tmpfs b && "
        "[ \"$(stat -c %i a)\" = \"$(stat -c %i b)\" ] && \"$@\" && ls a b",
        "sh"};
    for (const std::string &word : tool_command())
        command.push_back(word);
    command.insert(command.end(), {"--output=a/tw.c", "--header=b/tw.c", "64"});
    process_options options;
    options.working_directory = folder.string();
    const process_result mounted = run_around_tool(command, options);
    EXPECT_EQ(mounted.status, 0) << described(mounted);
    EXPECT_EQ(mounted.out, "a:\ntw.c\n\nb:\ntw.c\n");
}

// A read-only file is replaced as any other, as the folder allows, and the
// file that replaces it is read-only too; no temporary file or second name
// is left, run after run.
TEST_F(OutputFile, ReadOnlyFilesAreReplacedAndStayReadOnly)
{
    write_file(folder / "twiddle.c", "an older table\n");
    write_file(folder / "twiddle.h", "an older header\n");
    for (const char *name : {"twiddle.c", "twiddle.h"})
        fs::permissions(folder / name, fs::perms(0444));
    for (const std::int32_t n : {64, 128, 256}) {
        const process_result result =
            run_here({"--output=twiddle.c", "--header=twiddle.h", std::to_string(n)});
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 0);
        EXPECT_EQ(contents_of(folder), pair_written(n));
        for (const char *name : {"twiddle.c", "twiddle.h"})
            EXPECT_EQ(fs::status(folder / name).permissions() & fs::perms(0222), fs::perms::none)
                << name;
    }
}

// Windows: a source held open by another process, which shares nothing,
// cannot be replaced. The header, already in place, is put back: both files
// stay as they were, read-only ones read-only, and no temporary file or
// second name is left.
TEST_F(OutputFile, AWindowsFileHeldOpenFailsTheCommitAndLeavesThePairAsItWas)
{
    if (tool_is_native())
        GTEST_SKIP() << "Windows sharing";
    for (const bool read_only : {false, true}) {
        SCOPED_TRACE(read_only ? "read-only pair" : "writable pair");
        fs::remove_all(folder);
        fs::create_directories(folder);
        write_file(folder / "twiddle.c", "an older table\n");
        write_file(folder / "twiddle.h", "an older header\n");
        if (read_only)
            for (const char *name : {"twiddle.c", "twiddle.h"})
                fs::permissions(folder / name, fs::perms(0444));
        const folder_contents before = contents_of(folder);
        process_options options;
        options.working_directory = folder.string();
        const process_result result = run_windows_helper(
            {"hold", "twiddle.c", tool_command().back(), "--header=twiddle.h", "--output=twiddle.c",
             "64"},
            options);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, with_tool_line_ends("ERROR:  Unable to write twiddle.c: " +
                                                  std::string(std::strerror(EACCES)) + "\n"));
        EXPECT_EQ(contents_of(folder), before);
        for (const char *name : {"twiddle.c", "twiddle.h"})
            EXPECT_EQ((fs::status(folder / name).permissions() & fs::perms(0222)) == fs::perms::none,
                      read_only)
                << name;
    }
}

// A file-size limit, without the signal ignored: the tool reports it as a
// full disk, where it would otherwise end silently.
TEST_F(OutputFile, FileSizeLimitIsAFailedWrite)
{
    if (!tool_is_native())
        GTEST_SKIP() << "Windows has no file-size signal";
    expect_failures_leave_folder_unchanged(folder, {
        {{"--output=twiddle.c", "32768"},
         "ERROR:  Unable to write twiddle.c: " + std::string(std::strerror(EFBIG)) + "\n",
         "ulimit -f 16"},
        {{"32768"}, "ERROR:  Unable to write output: " + std::string(std::strerror(EFBIG)) + "\n",
         "ulimit -f 16 && exec > folder/big.c"},
    });
}

// Whether strace can fail or signal the tool at a known system call: the
// steps are counted for the tool as it is built normally, whose only calls
// before its own are the loader's.
bool strace_works()
{
    return !SANITIZED_TOOL && tool_is_native() &&
           run_process({"/bin/sh", "-c", "strace -o /proc/self/fd/1 true"}).status == 0;
}

// In an strace log, the number, counted from 1 among the calls to call, of
// the call on the first line that holds marker, or, with after, of the first
// call after that line; 0 for none.
int call_number(const std::string &log, const std::string &call, const std::string &marker,
                bool after)
{
    std::istringstream lines(log);
    int calls = 0;
    bool marked = false;
    for (std::string line; std::getline(lines, line);) {
        const bool is_call = line.rfind(call + "(", 0) == 0;
        calls += is_call ? 1 : 0;
        if (marked && is_call)
            return calls;
        if (!marked && line.find(marker) != std::string::npos) {
            if (!after)
                return is_call ? calls : 0;
            marked = true;
        }
    }
    return 0;
}

// One system call made to fail at a known step of writing the pair, by
// strace: each failure leaves both older files as they were.
TEST_F(OutputFile, AFailureAtAnyStepLeavesThePairAsItWas)
{
    if (!strace_works())
        GTEST_SKIP() << "strace cannot trace the tool here";
    const auto failing = [](const std::string &call, const std::string &fault) {
        return "set -- strace -o strace.log -e trace=" + call + " -e inject=" + call + ":" +
               fault + " \"$@\"";
    };
    const std::vector<std::string> pair = {"--header=twiddle.h", "--output=twiddle.c", "32768"};
    const std::string source_failed = "ERROR:  Unable to write twiddle.c: ";
    const std::string header_failed = "ERROR:  Unable to write twiddle.h: ";
    expect_failures_leave_folder_unchanged(folder, {
        // One write of the source's runs out of room; the ones after it do not.
        {pair, source_failed + std::strerror(ENOSPC) + "\n", failing("write", "error=ENOSPC:when=3")},
        {pair, header_failed + std::strerror(EIO) + "\n", failing("fsync", "error=EIO:when=1")},
        {pair, source_failed + std::strerror(EIO) + "\n", failing("fsync", "error=EIO:when=2")},
        // The loader closes three files before the tool closes its two.
        {pair, source_failed + std::strerror(EIO) + "\n", failing("close", "error=EIO:when=5")},
        {pair, header_failed + std::strerror(EIO) + "\n", failing("renameat", "error=EIO:when=1")},
        // The header was in place when the source failed: the older one is
        // put back.
        {pair, source_failed + std::strerror(EIO) + "\n", failing("renameat", "error=EIO:when=2")},
    });
}

// A name that the run cannot remove after it, whether the pair was written or
// not, is reported by its name, and fails the run: the older header's second
// name after a good run, the source's temporary file after a failed write,
// and the older header itself where it cannot be put back. Nothing else is
// left, and no file is lost.
TEST_F(OutputFile, ANameThatCannotBeRemovedIsReportedByItsName)
{
    if (!strace_works())
        GTEST_SKIP() << "strace cannot trace the tool here";
    const folder_contents older = {{"twiddle.c", "older source\n"}, {"twiddle.h", "older header\n"}};
    const folder_contents newer = pair_written(64);
    const struct {
        std::string fault;      // strace's
        std::string error;      // the error line before the one that names what is left, if any
        std::string report;     // that line, with the name left for LEFT
        folder_contents result; // the pair after the run
        std::string left;       // what the name left holds
    } cases[] = {
        {"-e inject=unlinkat:error=EIO:when=1", "",
         "ERROR:  Unable to remove LEFT, left beside twiddle.h: Input/output error\n", newer, "older header\n"},
        // The source's temporary file is removed, the header's is not.
        {"-e inject=write:error=ENOSPC:when=3 -e inject=unlinkat:error=EIO:when=2",
         "ERROR:  Unable to write twiddle.c: No space left on device\n",
         "ERROR:  Unable to remove LEFT, left beside twiddle.h: Input/output error\n", older,
         pair_written(32768).at("twiddle.h")},
        {"-e inject=renameat:error=EIO:when=2..3", "ERROR:  Unable to write twiddle.c: Input/output error\n",
         "ERROR:  Unable to put the older twiddle.h back: it is kept as LEFT: Input/output error\n",
         {{"twiddle.c", "older source\n"}, {"twiddle.h", newer.at("twiddle.h")}}, "older header\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.fault);
        for (const auto &[name, text] : older)
            write_file(folder / name, text);
        const process_result result =
            run_here({"--header=twiddle.h", "--output=twiddle.c", c.fault.find("write") != std::string::npos ? "32768" : "64"},
                     "set -- strace -o strace.log -e trace=write,unlinkat,renameat " + c.fault + " \"$@\"");
        EXPECT_EQ(result.status, 1) << described(result);
        fs::remove(folder / "strace.log");
        folder_contents after = contents_of(folder);
        std::string left;
        for (const auto &[name, text] : folder_contents(after)) {
            if (name.rfind(".veltabgen-", 0) == 0) {
                EXPECT_TRUE(left.empty()) << "two names left";
                left = name;
                EXPECT_EQ(text, c.left) << name;
                after.erase(name);
            }
        }
        ASSERT_FALSE(left.empty()) << "no name left\n" << result.err;
        std::string report = c.report;
        report.replace(report.find("LEFT"), 4, left);
        EXPECT_EQ(result.err, with_tool_line_ends(c.error + report));
        if (c.fault.find("write") == std::string::npos) {
            EXPECT_EQ(after, c.result);
        } else {
            EXPECT_EQ(after, older);
        }
        fs::remove(folder / left);
    }
}

// The comments of the source and of the header record what the table is:
// each row that its layout writes, the header a part of them.
TEST_F(OutputFile, CommentsRecordTheLayoutTypeAndRounding)
{
    const auto row = [](const std::string &label, const std::string &value) {
        char line[80];
        std::snprintf(line, sizeof line, "/*      %-21s%-43s*/\n", label.c_str(), value.c_str());
        return std::string(line);
    };
    const struct {
        std::vector<std::string> args;
        std::vector<std::string> header_rows; // and then, in the source only
        std::vector<std::string> source_rows;
    } cases[] = {
        {{"--layout=cmsis-cfft", "64"},
         {row("Number of points:", "64"), row("Layout:", "cmsis-cfft"), row("Type:", "q15"),
          row("Rounding:", "as CMSIS-DSP's own tables")},
         {row("Appropriate FFTs:", "arm_cfft_q15"), row("Required alignment:", "4 byte (word)")}},
        {{"--layout=cmsis-rfft", "--type=q31", "--round=floor", "128"},
         {row("Number of points:", "128"), row("Layout:", "cmsis-rfft"), row("Type:", "q31"),
          row("Rounding:", "down, toward minus infinity")},
         {row("Appropriate FFTs:", "arm_rfft_q31"), row("Required alignment:", "4 byte (word)")}},
        {{"--round=nearest", "--align=gnu", "32"},
         {row("Number of points:", "32"), row("Scale factor:", "32767.500000000"),
          row("Rounding:", "to nearest, halves away from zero")},
         {row("Appropriate FFTs:", "QMX_cfftbf"), row("Required alignment:", "4 byte (word)")}},
        // A window's own rule, by name: halves go away from zero, not to even.
        {{"--layout=window", "--type=q31", "400"},
         {row("Number of points:", "400"), row("Layout:", "window"), row("Window:", "hann, periodic"),
          row("Type:", "q31"), row("Rounding:", "to nearest, halves away from zero")},
         {row("Required alignment:", "4 byte (word)")}},
        // Each frequency as it was given, or as the default is.
        {{"--layout=cmsis-mfcc", "--sample-rate=16000.14", "--fmin=62.5", "1024"},
         {row("Number of points:", "1024"), row("Layout:", "cmsis-mfcc"), row("Type:", "q15"),
          row("Sample rate:", "16000.14 Hz"), row("Mel filters:", "20, from 62.5 to 8000.07 Hz"),
          row("DCT outputs:", "13"), row("Window:", "hamming, periodic"),
          row("Rounding:", "as CMSIS-DSP's own tables")},
         {row("Read by:", "arm_mfcc_q15"), row("Required alignment:", "4 byte (word)")}},
        {{"--layout=cmsis-mfcc", "--sample-rate=10000000", "--fmin=1000000", "--fmax=5000000.0", "4096"},
         {row("Number of points:", "4096"), row("Layout:", "cmsis-mfcc"), row("Type:", "q15"),
          row("Sample rate:", "10000000 Hz"), row("Mel filters:", "20, from 1000000 to 5000000 Hz"),
          row("DCT outputs:", "13"), row("Window:", "hamming, periodic"),
          row("Rounding:", "as CMSIS-DSP's own tables")},
         {row("Read by:", "arm_mfcc_q15"), row("Required alignment:", "4 byte (word)")}},
    };
    for (const auto &c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--header=t.h", "--output=t.c"});
        const process_result result = run_here(args);
        SCOPED_TRACE(described(result));
        ASSERT_EQ(result.status, 0);
        std::string header_rows;
        for (const std::string &line : c.header_rows)
            header_rows += line;
        std::string source_rows = header_rows;
        for (const std::string &line : c.source_rows)
            source_rows += line;
        const std::string source = read_file(folder / "t.c");
        const std::string header = read_file(folder / "t.h");
        EXPECT_EQ(source.find(with_tool_line_ends(source_rows)), 2 * with_tool_line_ends(row("", "")).size())
            << source;
        EXPECT_EQ(header.find(with_tool_line_ends(header_rows + "\n#ifndef")),
                  with_tool_line_ends(row("", "")).size())
            << header;
    }
}

// A temporary name that another run has taken is passed over for another,
// and never removed: two creations made to find their names taken, by
// strace.
TEST_F(OutputFile, TakenTemporaryNamesArePassedOverAndNeverRemoved)
{
    if (!strace_works())
        GTEST_SKIP() << "strace cannot trace the tool here";
    const process_result result = run_here(
        {"--output=twiddle.c", "--header=twiddle.h", "64"},
        "set -- strace -o strace.log -e trace=openat,unlinkat "
        "-e inject=openat:error=EEXIST:when=4..5 \"$@\"");
    SCOPED_TRACE(described(result));
    EXPECT_EQ(result.status, 0);
    std::istringstream trace(read_file(folder / "strace.log"));
    std::vector<std::string> taken;
    std::vector<std::string> created;
    std::vector<std::string> removed;
    for (std::string line; std::getline(trace, line);) {
        const std::size_t name = line.find("\".veltabgen-");
        if (name == std::string::npos)
            continue;
        const std::string temp = line.substr(name + 1, line.find('"', name + 1) - name - 1);
        if (line.rfind("unlinkat", 0) == 0)
            removed.push_back(temp);
        else if (line.find("(INJECTED)") != std::string::npos)
            taken.push_back(temp);
        else
            created.push_back(temp);
    }
    ASSERT_EQ(taken.size(), 2u) << read_file(folder / "strace.log");
    EXPECT_NE(taken[0], taken[1]);
    for (const std::string &name : taken) {
        EXPECT_EQ(std::count(created.begin(), created.end(), name), 0) << name;
        EXPECT_EQ(std::count(removed.begin(), removed.end(), name), 0) << name;
    }
    fs::remove(folder / "strace.log");
    EXPECT_EQ(contents_of(folder).size(), 2u); // the pair, and nothing else
}

// A signal that ends the run removes its temporary files, and never comes
// between putting the header and the source in place: the pair is both old
// or both new. Signals at known steps, by strace, then at random moments.
TEST_F(OutputFile, SignalsLeaveNoTemporaryFileAndAWholePair)
{
    if (!strace_works())
        GTEST_SKIP() << "strace cannot trace the tool here";
    const std::vector<std::string> pair = {"--header=twiddle.h", "--output=twiddle.c", "32768"};
    process_options options;
    options.working_directory = folder.string();
    const process_result generated = run_tool(pair, options);
    ASSERT_EQ(generated.status, 0) << described(generated);
    const folder_contents new_pair = contents_of(folder);
    fs::remove(folder / "twiddle.c");
    fs::remove(folder / "twiddle.h");
    write_file(folder / "twiddle.c", "an older table\n");
    write_file(folder / "twiddle.h", "an older header\n");
    const folder_contents old_pair = contents_of(folder);

    const auto expect_whole_pair = [&](const std::string &step) {
        SCOPED_TRACE(step);
        folder_contents after = contents_of(folder);
        after.erase("strace.log");
        EXPECT_TRUE(after == old_pair || after == new_pair) << "files: " << after.size();
        for (const auto &[name, text] : after)
            EXPECT_EQ(name.rfind(".veltabgen-", 0), std::string::npos) << name;
        fs::remove(folder / "strace.log");
        for (const auto &[name, text] : old_pair)
            write_file(folder / name, text);
    };

    // The creation of each temporary file: the signal comes while the file
    // is being noted for removal, which it must then find.
    options.prelude = "set -- strace -o strace.log -e trace=openat \"$@\"";
    ASSERT_EQ(run_tool(pair, options).status, 0);
    const int header_created = call_number(read_file(folder / "strace.log"), "openat", "\".veltabgen-", false);
    ASSERT_GT(header_created, 0) << read_file(folder / "strace.log");
    for (const char *name : {"twiddle.c", "twiddle.h"})
        write_file(folder / name, old_pair.at(name));
    const std::string steps[] = {
        "openat:signal=INT:when=" + std::to_string(header_created),
        "openat:signal=TERM:when=" + std::to_string(header_created + 1),
        "write:signal=INT:when=2",    // both temporary files exist
        "fsync:signal=TERM:when=1",   // the header's is complete
        "fsync:signal=HUP:when=2",    // both are complete
        "renameat:signal=TERM:when=1", // held off until the pair is in place
        "renameat:signal=PIPE:when=2",
        "linkat:signal=INT:when=1",
    };
    for (const std::string &step : steps) {
        const std::string call = step.substr(0, step.find(':'));
        options.prelude =
            "set -- strace -o strace.log -e trace=" + call + " -e inject=" + step + " \"$@\"";
        const process_result result = run_tool(pair, options);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, -1);
        expect_whole_pair(step);
    }

    std::vector<std::string> command = {"/bin/sh", "-c",
                                        "\"$@\" & sleep \"$DELAY\"; kill -\"$SIGNAL\" $!; wait $!",
                                        "sh"};
    for (const std::string &word : tool_command())
        command.push_back(word);
    command.insert(command.end(), pair.begin(), pair.end());
    for (const char *signal : {"INT", "TERM", "HUP", "PIPE"}) {
        for (int run = 0; run < 10; ++run) {
            const std::string delay = "0.00" + std::to_string(run % 5);
            options.prelude = "export SIGNAL=" + std::string(signal) + " DELAY=" + delay;
            const process_result result = run_process(command, options);
            expect_whole_pair(std::string("SIG") + signal + " after " + delay + " s");
            if (HasFailure())
                return;
        }
    }
}

// A signal that the tool's caller ignores (nohup, trap '' HUP) is ignored by
// the tool too, whenever it comes: the run goes on to write the pair.
TEST_F(OutputFile, SignalsIgnoredByTheCallerStayIgnored)
{
    if (!strace_works())
        GTEST_SKIP() << "strace cannot trace the tool here";
    for (const char *step : {"write:signal=HUP:when=2", "renameat:signal=INT:when=1"}) {
        SCOPED_TRACE(step);
        write_file(folder / "twiddle.c", "an older table\n");
        write_file(folder / "twiddle.h", "an older header\n");
        const std::string call = std::string(step).substr(0, std::string(step).find(':'));
        const process_result result =
            run_here({"--header=twiddle.h", "--output=twiddle.c", "64"},
                     "trap '' HUP INT && set -- strace -o strace.log -e trace=" + call +
                         " -e inject=" + step + " \"$@\"");
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 0);
        fs::remove(folder / "strace.log");
        EXPECT_EQ(contents_of(folder), pair_written(64));
    }
}

// On a file system without hard links (vfat, exFAT: linkat fails with
// EPERM), the older header is moved aside instead while the pair is put in
// place, and put back if the source fails.
TEST_F(OutputFile, APairIsReplacedOnAFileSystemWithoutLinks)
{
    if (!strace_works())
        GTEST_SKIP() << "strace cannot trace the tool here";
    const std::vector<std::string> pair = {"--header=twiddle.h", "--output=twiddle.c", "64"};
    write_file(folder / "twiddle.c", "an older table\n");
    write_file(folder / "twiddle.h", "an older header\n");
    const std::string no_links =
        "set -- strace -o strace.log -e trace=linkat,renameat -e inject=linkat:error=EPERM";
    const process_result replaced = run_here(pair, no_links + " \"$@\"");
    SCOPED_TRACE(described(replaced));
    EXPECT_EQ(replaced.status, 0);
    EXPECT_NE(read_file(folder / "strace.log").find("linkat("), std::string::npos);
    fs::remove(folder / "strace.log");
    EXPECT_EQ(contents_of(folder), pair_written(64));

    // Any rename fails: moving the older header aside (1), putting the new
    // header in its place (2), or the source (3). The older header comes back.
    const std::string eio = std::string(std::strerror(EIO)) + "\n";
    expect_failures_leave_folder_unchanged(folder, {
        {pair, "ERROR:  Unable to write twiddle.h: " + eio,
         no_links + " -e inject=renameat:error=EIO:when=1 \"$@\""},
        {pair, "ERROR:  Unable to write twiddle.h: " + eio,
         no_links + " -e inject=renameat:error=EIO:when=2 \"$@\""},
        {pair, "ERROR:  Unable to write twiddle.c: " + eio,
         no_links + " -e inject=renameat:error=EIO:when=3 \"$@\""},
    });

    // Where the older header cannot be put back either, it stays whole under
    // its second name, never removed.
    write_file(folder / "twiddle.c", "an older table\n");
    write_file(folder / "twiddle.h", "an older header\n");
    const process_result stranded =
        run_here(pair, no_links + " -e inject=renameat:error=EIO:when=2..3 \"$@\"");
    EXPECT_EQ(stranded.status, 1) << described(stranded);
    fs::remove(folder / "strace.log");
    folder_contents after = contents_of(folder);
    EXPECT_EQ(after.count("twiddle.h"), 0u);
    EXPECT_EQ(after.erase("twiddle.c"), 1u);
    after.erase("folder");
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after.begin()->first.rfind(".veltabgen-", 0), 0u);
    EXPECT_EQ(after.begin()->second, "an older header\n");
}

// What is not a regular file is written in place, as a redirection would
// write it, and stays what it was: a device, a FIFO, a link to either, and a
// link to the tool's own standard output.
TEST_F(OutputFile, DevicesFifosAndStandardOutputAreWrittenInPlace)
{
    if (!tool_is_native())
        GTEST_SKIP() << "Linux's special files";
    const std::string table = render(table_for(64, default_scale), default_scale);
    process_options options;
    options.working_directory = folder.string();

    // The null device, made in the scratch folder.
    if (mknod((folder / "null").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        fs::create_symlink("null", folder / "null-link");
        for (const auto &[source, header] : {std::pair{"null", "null-link"}, {"null-link", "null"}}) {
            const process_result result = run_tool(
                {std::string("--output=") + source, std::string("--header=") + header, "64"},
                options);
            SCOPED_TRACE(described(result));
            EXPECT_EQ(result.status, 0);
            EXPECT_TRUE(fs::is_character_file(folder / "null"));
            EXPECT_TRUE(fs::is_symlink(folder / "null-link"));
        }
    }

    // Each end of the FIFO waits for the other: a tool that never opened it
    // would leave the reader waiting, and a tool that waited in vain would
    // never end. A limit of their own fails the test fast instead.
    ASSERT_EQ(mkfifo((folder / "fifo").c_str(), 0666), 0);
    std::vector<std::string> command = {
        "/bin/sh", "-c",
        "timeout 60 cat fifo > read.c & timeout 60 \"$@\"; status=$?; wait $! || status=$?; "
        "exit $status",
        "sh"};
    for (const std::string &word : tool_command())
        command.push_back(word);
    command.insert(command.end(), {"--output=fifo", "64"});
    const process_result through_fifo = run_process(command, options);
    EXPECT_EQ(through_fifo.status, 0) << described(through_fifo);
    EXPECT_TRUE(fs::is_fifo(folder / "fifo"));
    EXPECT_EQ(read_file(folder / "read.c"), table);

    fs::create_symlink("/proc/self/fd/1", folder / "stdout");
    const process_result to_stdout = run_tool({"--output=stdout", "64"}, options);
    EXPECT_EQ(to_stdout.status, 0) << described(to_stdout);
    EXPECT_EQ(to_stdout.out, table);
    EXPECT_TRUE(fs::is_symlink(folder / "stdout"));
}

// A standard stream closed at the start takes no file's number, so that a
// run writing its source to a file succeeds.
TEST_F(OutputFile, ClosedStandardOutputIsNoFailureWhenTheSourceGoesToAFile)
{
    process_options options;
    options.working_directory = folder.string();
    options.stdout_target = output_target::closed;
    const process_result result = run_tool({"--output=tw.c", "--header=tw.h", "64"}, options);
    SCOPED_TRACE(described(result));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    table_request request = default_request(64, default_scale);
    request.header_path = "tw.h";
    EXPECT_EQ(read_file(folder / "tw.c"), with_tool_line_ends(render(table_for(64, default_scale), request)));
}

// The temporary name does not grow with the file's, so that --output can
// write every name and path that a redirection can.
TEST_F(OutputFile, AnyNameARedirectionCanWriteCanBeWritten)
{
    const std::string longest_name = std::string(253, 'n') + ".c";
    std::vector<std::string> paths = {longest_name};
    if (tool_is_native()) {
        // A relative path of PATH_MAX - 1 bytes, in folders of 200 bytes.
        std::string path;
        while (path.size() + 201 + 4 <= 4095)
            path += std::string(200, 'd') + "/";
        path += std::string(4095 - path.size() - 2, 'f') + ".c";
        paths.push_back(path);
    }
    const std::string table =
        with_tool_line_ends(render(table_for(16, default_scale), default_scale));
    process_options options;
    options.working_directory = folder.string();
    for (const std::string &path : paths) {
        const std::string folders = path.substr(0, path.rfind('/') + 1);
        if (!folders.empty()) {
            ASSERT_EQ(run_process({"/bin/mkdir", "-p", folders}, options).status, 0);
        }
        const process_result result = run_tool({"--output=" + path, "16"}, options);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 0);
        const process_result written = run_process({"/bin/cat", path}, options);
        EXPECT_EQ(written.out, table);
        // Folders this deep are beyond the reach of absolute paths.
        run_process({"/bin/rm", "-rf", folders.empty() ? path : folders.substr(0, 200)}, options);
    }
}

// The text with the line ends that the tool does not write: CR LF where it
// writes LF, and LF where it writes CR LF.
std::string with_other_line_ends(const std::string &text)
{
    std::string converted;
    for (char c : text) {
        if (c == '\n' && with_tool_line_ends("\n") == "\n")
            converted += '\r';
        if (c != '\r')
            converted += c;
    }
    return converted;
}

// The line that begins at line (from 1) of text, and what follows it.
std::size_t start_of_line(const std::string &text, int line)
{
    std::size_t at = 0;
    for (int i = 1; i < line; ++i)
        at = text.find('\n', at) + 1;
    return at;
}

// --check reads the pair and compares it with what the same command line
// would write; it writes, creates and changes nothing.
TEST_F(OutputFile, CheckFindsTheFirstLineThatDiffersAndChangesNothing)
{
    const std::vector<std::string> pair = {"--output=tw.c", "--header=tw.h", "--name=tw",
                                           "--section=.fast", "128"};
    const process_result generated = run_here(pair);
    ASSERT_EQ(generated.status, 0) << described(generated);
    const std::string source = read_file(folder / "tw.c");
    const std::string header = read_file(folder / "tw.h");
    std::vector<std::string> check = pair;
    check.push_back("--check");

    const auto with_line_changed = [](std::string text, int line) {
        text[start_of_line(text, line) + 5] ^= 1;
        return text;
    };
    const auto with_space_before_end_of_line = [](const std::string &text, int line) {
        const std::size_t end = start_of_line(text, line + 1) - with_tool_line_ends("\n").size();
        return text.substr(0, end) + " " + text.substr(end);
    };
    const std::string other_size =
        with_tool_line_ends(render(table_for(256, default_scale), default_scale));
    const struct {
        std::string source; // null: missing
        std::string header;
        std::string error;
    } cases[] = {
        {source, header, ""},
        {with_line_changed(source, 20), header, "ERROR:  tw.c differs from the generated text at line 20.\n"},
        {source.substr(0, start_of_line(source, 11)), header,
         "ERROR:  tw.c differs from the generated text at line 11.\n"},
        // What follows the text begins the line after its last.
        {source + "\n", header,
         "ERROR:  tw.c differs from the generated text at line " +
             std::to_string(std::count(source.begin(), source.end(), '\n') + 1) + ".\n"},
        {other_size, header, "ERROR:  tw.c differs from the generated text at line 3.\n"},
        {source, with_line_changed(header, 12), "ERROR:  tw.h differs from the generated text at line 12.\n"},
        {"", header, "ERROR:  tw.c differs from the generated text at line 1.\n"},
        {"(missing)", header, "ERROR:  Unable to read tw.c: " + std::string(std::strerror(ENOENT)) + "\n"},
        {source, "(missing)", "ERROR:  Unable to read tw.h: " + std::string(std::strerror(ENOENT)) + "\n"},
        // A difference at a line's end is that line's.
        {with_space_before_end_of_line(source, 20), header,
         "ERROR:  tw.c differs from the generated text at line 20.\n"},
        {with_other_line_ends(source), header, "ERROR:  tw.c differs from the generated text at line 1.\n"},
        {source, with_other_line_ends(header), "ERROR:  tw.h differs from the generated text at line 1.\n"},
        // A folder cannot be read, for the same reason everywhere.
        {"(folder)", header, "ERROR:  Unable to read tw.c: " + std::string(std::strerror(EISDIR)) + "\n"},
        {source, "(folder)", "ERROR:  Unable to read tw.h: " + std::string(std::strerror(EISDIR)) + "\n"},
    };
    for (const auto &c : cases) {
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (const auto &[name, text] : {std::pair{"tw.c", c.source}, {"tw.h", c.header}}) {
            if (text == "(folder)")
                fs::create_directory(folder / name);
            else if (text != "(missing)")
                write_file(folder / name, text);
        }
        const folder_contents before = contents_of(folder);
        const process_result result = run_here(check);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, c.error.empty() ? 0 : 1);
        EXPECT_EQ(result.out, "");
        if (c.error.back() == ' ')
            EXPECT_EQ(result.err.rfind(c.error, 0), 0u);
        else
            EXPECT_EQ(result.err, with_tool_line_ends(c.error));
        EXPECT_EQ(contents_of(folder), before);
    }

    // A file that fails as it is read, which no file can be made to do for
    // root: the first read of the source fails, injected by strace.
    if (!strace_works())
        return;
    fs::remove_all(folder);
    fs::create_directories(folder);
    write_file(folder / "tw.c", source);
    write_file(folder / "tw.h", header);
    const process_result traced =
        run_here(check, "set -- strace -o strace.log -e trace=openat,read \"$@\"");
    ASSERT_EQ(traced.status, 0) << described(traced);
    const int read = call_number(read_file(folder / "strace.log"), "read", "\"tw.c\"", true);
    ASSERT_GT(read, 0) << read_file(folder / "strace.log");
    const process_result failed =
        run_here(check, "set -- strace -o strace.log -e trace=read -e inject=read:error=EIO:when=" +
                            std::to_string(read) + " \"$@\"");
    SCOPED_TRACE(described(failed));
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.err, "ERROR:  Unable to read tw.c: " + std::string(std::strerror(EIO)) + "\n");
}

// A file that replaces another keeps its permissions, as redirection into
// it would; a new one gets those redirection would give it.
TEST_F(OutputFile, PermissionsAreThoseOfRedirection)
{
    if (!tool_is_native())
        GTEST_SKIP() << "Windows files have no Unix permissions";
    write_file(folder / "shared.c", "an older table\n");
    fs::permissions(folder / "shared.c", fs::perms(0640));
    const process_result replacing = run_here({"--output=shared.c", "16"});
    ASSERT_EQ(replacing.status, 0) << described(replacing);
    EXPECT_EQ(fs::status(folder / "shared.c").permissions(), fs::perms(0640));

    const mode_t umask_now = umask(0);
    umask(umask_now);
    const process_result creating = run_here({"--output=new.c", "16"});
    ASSERT_EQ(creating.status, 0) << described(creating);
    EXPECT_EQ(fs::status(folder / "new.c").permissions(), fs::perms(0666 & ~umask_now));

    // A umask that would narrow them leaves them as they were.
    const process_result narrowed = run_here({"--output=shared.c", "16"}, "umask 077");
    ASSERT_EQ(narrowed.status, 0) << described(narrowed);
    EXPECT_EQ(fs::status(folder / "shared.c").permissions(), fs::perms(0640));
}

// Where the permissions cannot be set on the new files (a file system
// without Unix modes refuses fchmod), a pair is never left more open than
// the files it replaces.
TEST_F(OutputFile, ReplacedFilesAreNeverLeftMoreOpen)
{
    if (!strace_works())
        GTEST_SKIP() << "strace cannot trace the tool here";
    for (const auto &[name, mode] : {std::pair{"tw.h", 0600}, std::pair{"tw.c", 0640}}) {
        write_file(folder / name, "older\n");
        fs::permissions(folder / name, fs::perms(mode));
    }
    const process_result result =
        run_here({"--header=tw.h", "--output=tw.c", "64"},
                 "umask 022 && set -- strace -o strace.log -e trace=fchmod -e inject=fchmod:error=EPERM \"$@\"");
    ASSERT_EQ(result.status, 0) << described(result);
    EXPECT_NE(read_file(folder / "strace.log").find("fchmod("), std::string::npos) << "no fchmod was failed";
    EXPECT_EQ(fs::status(folder / "tw.h").permissions(), fs::perms(0600));
    EXPECT_EQ(fs::status(folder / "tw.c").permissions(), fs::perms(0640));
}

// Standard output redirected into the header's file is the source's file:
// writing the header there would replace the source with the header alone.
TEST_F(OutputFile, StandardOutputThatIsTheHeaderIsOneFileUnderTwoNames)
{
    if (tool_is_native())
        fs::create_symlink("/proc/self/fd/1", folder / "stdout");
    std::vector<std::vector<std::string>> refused = {{"--header=tw.h", "64"},
                                                     {"--header=./tw.h", "--name=tw", "64"}};
    if (tool_is_native())
        refused.push_back({"--output=stdout", "--header=tw.h", "64"});
    for (const auto &args : refused) {
        write_file(folder / "tw.h", "an older header\n");
        const process_result result = run_here(args, "exec > tw.h");
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, with_tool_line_ends(must_differ));
        EXPECT_EQ(read_file(folder / "tw.h"), ""); // as the redirection left it
    }
    // Standard output in another file, or the header beside a source of its
    // own, is no such pair.
    const process_result apart = run_here({"--header=tw.h", "64"}, "exec > tw.c");
    EXPECT_EQ(apart.status, 0) << described(apart);
    table_request request = default_request(64, default_scale);
    request.header_path = "tw.h";
    EXPECT_EQ(read_file(folder / "tw.c"), with_tool_line_ends(render(table_for(64, default_scale), request)));
    EXPECT_EQ(read_file(folder / "tw.h"), with_tool_line_ends(render_header(request)));
    const process_result elsewhere = run_here({"--header=tw.h", "--output=tw.c", "64"}, "exec > tw.h");
    EXPECT_EQ(elsewhere.status, 0) << described(elsewhere);
    EXPECT_EQ(read_file(folder / "tw.h"), with_tool_line_ends(render_header(request)));
}

// A regular file is replaced, even where it is also standard output and has
// another name, which keeps the older text; links to standard output and
// error are written in place, and truncated as a redirection would.
TEST_F(OutputFile, LinksToStandardStreamsAreWrittenInPlaceAndRegularFilesReplaced)
{
    if (!tool_is_native())
        GTEST_SKIP() << "Linux's links and /proc";
    const std::string table = render(table_for(64, default_scale), default_scale);
    write_file(folder / "tw.c", "an older table\n");
    fs::create_hard_link(folder / "tw.c", folder / "other.c");
    const process_result replaced = run_here({"--output=tw.c", "64"}, "exec >> tw.c");
    EXPECT_EQ(replaced.status, 0) << described(replaced);
    EXPECT_EQ(read_file(folder / "tw.c"), table);
    EXPECT_EQ(read_file(folder / "other.c"), "an older table\n");

    fs::create_symlink("/proc/self/fd/2", folder / "stderr");
    const process_result to_stderr = run_here({"--output=stderr", "64"});
    EXPECT_EQ(to_stderr.status, 0) << described(to_stderr);
    EXPECT_EQ(to_stderr.err, table);
    EXPECT_TRUE(fs::is_symlink(folder / "stderr"));

    fs::create_symlink("/proc/self/fd/1", folder / "stdout");
    write_file(folder / "out.c", std::string(table.size() * 2, 'x'));
    const process_result truncated = run_here({"--output=stdout", "64"}, "exec 1<> out.c");
    EXPECT_EQ(truncated.status, 0) << described(truncated);
    EXPECT_EQ(read_file(folder / "out.c"), table);
}

// A folder where the tool may not create a file, for either reason the
// system gives (EACCES, EPERM), is named as such.
TEST_F(OutputFile, AFolderThatRefusesANewFileIsNamed)
{
    if (!strace_works())
        GTEST_SKIP() << "strace cannot trace the tool here";
    const std::vector<std::string> args = {"--output=twiddle.c", "64"};
    const process_result traced = run_here(args, "set -- strace -o strace.log -e trace=openat \"$@\"");
    ASSERT_EQ(traced.status, 0) << described(traced);
    const int created = call_number(read_file(folder / "strace.log"), "openat", "\".veltabgen-", false);
    ASSERT_GT(created, 0) << read_file(folder / "strace.log");
    for (const char *error : {"EPERM", "EACCES"}) {
        const process_result refused = run_here(
            args, "set -- strace -o strace.log -e trace=openat -e inject=openat:error=" +
                      std::string(error) + ":when=" + std::to_string(created) + " \"$@\"");
        SCOPED_TRACE(described(refused));
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err, "ERROR:  Unable to write twiddle.c: its folder is not writable (" +
                                   std::string(std::strerror(std::string(error) == "EPERM" ? EPERM : EACCES)) +
                                   ")\n");
    }
}

// A file directly under the root folder: its folder is the root, never an
// empty name. The root is a scratch folder of the test's, in a mount
// namespace of its own, with the system's /usr bound into it for the tool,
// and /proc for a sanitized one.
TEST_F(OutputFile, AFileInTheRootFolderIsWritten)
{
    if (!tool_is_native() || run_process({"/usr/bin/unshare", "-m", "/bin/true"}).status != 0)
        GTEST_SKIP() << "no mount namespace to make a root in";
    const fs::path tool = tool_command().front();
    for (const char *made : {"root/usr", "root/tool", "root/proc"})
        fs::create_directories(folder / made);
    fs::create_directory_symlink("usr/lib", folder / "root" / "lib");
    fs::create_directory_symlink("usr/lib64", folder / "root" / "lib64");
    const process_result result = run_process(
        {"/usr/bin/unshare", "-m", "/bin/sh", "-c",
         "mount --bind /usr root/usr && mount --bind /proc root/proc && mount --bind \"$1\" root/tool && "
         "exec /usr/sbin/chroot root \"/tool/$2\" --output=/tw.c 64",
         "sh", tool.parent_path().string(), tool.filename().string()},
        [&] {
            process_options options;
            options.working_directory = folder.string();
            return options;
        }());
    SCOPED_TRACE(described(result));
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(read_file(folder / "root" / "tw.c"), render(table_for(64, default_scale), default_scale));
}

// Every signal that would end the run removes the temporary file first, and
// then ends it as it would have: here, while the source goes to a pipe that
// nobody reads, the header's temporary file already written. Under Wine,
// SIGINT is the console's Ctrl-C, which ends a program with
// STATUS_CONTROL_C_EXIT, of which the host sees the low byte.
TEST_F(OutputFile, EverySignalThatEndsTheRunRemovesItsTemporaryFiles)
{
    // The signal goes to the tool's own process: not to a stand-in for Wine
    // that runs it as a child.
    if (!tool_is_native() && fs::path(tool_command().front()).filename().string().rfind("wine", 0) != 0)
        GTEST_SKIP() << "the tool is run by a stand-in for Wine";
    std::vector<std::pair<const char *, int>> signals = {{"INT", SIGINT}};
    if (tool_is_native())
        signals = {{"INT", SIGINT},   {"TERM", SIGTERM},     {"HUP", SIGHUP},   {"QUIT", SIGQUIT},
                   {"ALRM", SIGALRM}, {"USR1", SIGUSR1},     {"USR2", SIGUSR2}, {"XCPU", SIGXCPU},
                   {"VTALRM", SIGVTALRM}, {"PROF", SIGPROF}, {"PIPE", SIGPIPE}, {"RTMIN", SIGRTMIN}};
    // The shell becomes the tool, whose process a watcher in the background
    // signals once the temporary file is there.
    std::vector<std::string> command = {
        "/bin/sh", "-c",
        "rm -f pipe empty && mkfifo pipe && : > empty && exec 3<> pipe || exit 2; "
        "{ until ls -a | grep -q '^\\.veltabgen-' || ! kill -0 $$; do sleep 0.01; done; kill -\"$SIGNAL\" $$; } & "
        "exec \"$@\" > pipe < empty",
        "sh"};
    for (const std::string &word : tool_command())
        command.push_back(word);
    command.insert(command.end(), {"--header=tw.h", "32768"});
    for (const auto &[name, number] : signals) {
        SCOPED_TRACE(std::string("SIG") + name);
        process_options options;
        options.working_directory = folder.string();
        options.prelude = "export SIGNAL=" + std::to_string(number);
        const process_result result = run_around_tool(command, options);
        SCOPED_TRACE(described(result));
        EXPECT_EQ(result.status, tool_is_native() ? -1 : 58); // STATUS_CONTROL_C_EXIT
        folder_contents after = contents_of(folder);
        EXPECT_EQ(after.erase("pipe") + after.erase("empty"), 2u);
        EXPECT_EQ(after, folder_contents{});
        fs::remove(folder / "pipe");
        fs::remove(folder / "empty");
    }
}

// A pipe whose reader has gone is a failed write, told as Linux tells it.
TEST_F(OutputFile, ABrokenPipeIsAFailedWrite)
{
    std::vector<std::string> command = {
        "/bin/sh", "-c", "{ \"$@\" 32768; echo $? > status; } | head -c 1 > head.c", "sh"};
    for (const std::string &word : tool_command())
        command.push_back(word);
    process_options options;
    options.working_directory = folder.string();
    options.prelude = "trap '' PIPE";
    const process_result result = run_around_tool(command, options);
    SCOPED_TRACE(described(result));
    EXPECT_EQ(read_file(folder / "status"), "1\n");
    EXPECT_EQ(result.err, with_tool_line_ends("ERROR:  Unable to write output: " +
                                              std::string(std::strerror(EPIPE)) + "\n"));
}

// Windows: a colon past the drive names a stream of a file, never a folder;
// such a name is refused, and nothing is written.
TEST_F(OutputFile, AWindowsStreamNameIsRefused)
{
    if (tool_is_native())
        GTEST_SKIP() << "Windows names";
    const std::string invalid = std::strerror(EINVAL);
    expect_failures_leave_folder_unchanged(folder, {
        {{"--header=twiddle.c:x", "--output=new.c", "64"},
         "ERROR:  Unable to write twiddle.c:x: " + invalid + "\n", ""},
        {{"--output=new.c", "--header=new.c::$DATA", "64"},
         "ERROR:  Unable to write new.c::$DATA: " + invalid + "\n", ""},
        {{"--output=twiddle.c::$DATA", "64"},
         "ERROR:  Unable to write twiddle.c::$DATA: " + invalid + "\n", ""},
    });
}

// Windows: a name with a lone surrogate, given through CreateProcessW, has no
// exact spelling in UTF-8; it is refused rather than taken for another file.
TEST_F(OutputFile, AWindowsNameWithALoneSurrogateIsRefused)
{
    if (tool_is_native())
        GTEST_SKIP() << "Windows names";
    write_file(folder / "t\uFFFD.c", "another file\n");
    const folder_contents before = contents_of(folder);
    process_options options;
    options.working_directory = folder.string();
    const process_result result =
        run_windows_helper({"lone-surrogates", tool_command().back()}, options);
    SCOPED_TRACE(described(result));
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind(with_tool_line_ends("ERROR:  Unable to write t"), 0), 0u);
    EXPECT_EQ(contents_of(folder), before);
}

} // namespace
