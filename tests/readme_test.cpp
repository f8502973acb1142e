// The README and the pages under docs/ as they stand. Every fenced block in
// them is run by a test here, exactly as written and read from the file, or
// marked as a fragment with the reason: an HTML comment before it,
// "<!-- run: NAME -->" for the test named NAME below, or
// "<!-- fragment: reason -->". What they say the tool prints or measures is
// what the tool prints or measures.

#include "installed_tool.h"
#include "markdown_table.h"
#include "tool_under_test.h"
#include "twiddle_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

std::string readme()
{
    return read_file(SOURCE_DIR "/README.md");
}

// The README, then the pages under docs/ that it links, by name.
std::vector<fs::path> documents()
{
    std::vector<fs::path> files = {SOURCE_DIR "/README.md"};
    std::vector<fs::path> pages;
    for (const fs::directory_entry &entry : fs::directory_iterator(SOURCE_DIR "/docs"))
        if (entry.path().extension() == ".md")
            pages.push_back(entry.path());
    std::sort(pages.begin(), pages.end());
    files.insert(files.end(), pages.begin(), pages.end());
    return files;
}

struct readme_block {
    std::string where;     // the file and the line of the opening fence
    std::string marker;    // "run" or "fragment", or empty where there is none
    std::string name;      // what runs it, or why nothing does
    std::string language;  // after the opening fence
    std::string body;      // every line, each with its newline
    std::string paragraph; // the text before the marker, back to an empty line
};

// Every fenced block of the documents, in order.
std::vector<readme_block> readme_blocks()
{
    std::vector<readme_block> blocks;
    for (const fs::path &document : documents()) {
        std::vector<std::string> lines;
        std::istringstream text(read_file(document));
        for (std::string line; std::getline(text, line);)
            lines.push_back(line);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const std::size_t indent = lines[i].find_first_not_of(' ');
            if (indent == std::string::npos || lines[i].compare(indent, 3, "```") != 0)
                continue;
            readme_block block;
            block.where = fs::relative(document, SOURCE_DIR).string() + ":" + std::to_string(i + 1);
            block.language = lines[i].substr(indent + 3);
            std::size_t end = i + 1;
            for (; end < lines.size(); ++end) {
                const std::string &line = lines[end];
                const std::size_t first = line.find_first_not_of(' ');
                if (first != std::string::npos && line.compare(first, 3, "```") == 0)
                    break;
                block.body += (line.size() > indent ? line.substr(indent) : "") + "\n";
            }
            std::size_t before = i;
            while (before > 0 && lines[before - 1].empty())
                --before;
            if (before > 0) {
                const std::string &comment = lines[before - 1];
                for (const char *kind : {"run", "fragment"}) {
                    const std::string opening = std::string("<!-- ") + kind + ": ";
                    if (comment.rfind(opening, 0) == 0 && comment.size() > opening.size() + 4 &&
                        comment.substr(comment.size() - 4) == " -->") {
                        block.marker = kind;
                        block.name = comment.substr(opening.size(), comment.size() - opening.size() - 4);
                    }
                }
                std::size_t start = before - (block.marker.empty() ? 0 : 1);
                while (start > 0 && lines[start - 1].empty())
                    --start;
                std::size_t first = start;
                while (first > 0 && !lines[first - 1].empty())
                    --first;
                for (std::size_t p = first; p < start; ++p)
                    block.paragraph += lines[p] + "\n";
            }
            blocks.push_back(block);
            i = end;
        }
    }
    return blocks;
}

// The blocks that the test named name runs.
std::vector<readme_block> blocks_run_by(const std::string &name)
{
    std::vector<readme_block> run;
    for (const readme_block &block : readme_blocks())
        if (block.marker == "run" && block.name == name)
            run.push_back(block);
    return run;
}

// The one block that the test named name runs.
std::string block_run_by(const std::string &name)
{
    const std::vector<readme_block> run = blocks_run_by(name);
    EXPECT_EQ(run.size(), 1u) << "blocks marked \"run: " << name << "\"";
    return run.empty() ? "" : run.front().body;
}

// The names of the tests below that run blocks.
const std::set<std::string> block_runners = {
    "cmake_project", "make_project", "shell",         "multiply",      "output",
    "fetch_content", "ctest_recipe", "ctest_failure", "regenerate",    "cmsis_cmake",
    "cmsis_call",    "window_mfcc_cmake", "window_mfcc_buffers", "window_mfcc_call", "cortex_m55",
    "filter_design", "filter_cmake", "filter_call",   "float_cmake",   "float_call",
};

TEST(Readme, EveryBlockIsRunByATestOrMarkedAsAFragment)
{
    std::set<std::string> run;
    const std::vector<readme_block> blocks = readme_blocks();
    ASSERT_FALSE(blocks.empty());
    for (const readme_block &block : blocks) {
        SCOPED_TRACE(block.where);
        EXPECT_NE(block.marker, "") << "a block that is neither run nor marked as a fragment";
        if (block.marker == "run") {
            EXPECT_EQ(block_runners.count(block.name), 1u) << "no test runs blocks named " << block.name;
            run.insert(block.name);
        }
        if (block.marker == "fragment") {
            EXPECT_GT(block.name.size(), 3u) << "a fragment without its reason";
        }
    }
    for (const std::string &name : block_runners)
        EXPECT_EQ(run.count(name), 1u) << "no block for the test " << name;
}

// A heading's anchor, as the link to it spells it: in lower case, each space
// a hyphen, with no punctuation but hyphens and underscores.
std::string anchor_of(const std::string &heading)
{
    std::string anchor;
    for (const char c : heading.substr(heading.find(' ') + 1)) {
        if (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_')
            anchor += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        else if (c == ' ')
            anchor += '-';
    }
    return anchor;
}

// Every link of the documents to a file of the project names one that is
// there, and one to a heading names a heading of that file; every page
// under docs/ is linked from the README.
TEST(Readme, LinksLeadToFilesAndHeadingsThatExist)
{
    std::set<fs::path> linked;
    for (const fs::path &document : documents()) {
        const std::string text = read_file(document);
        for (std::size_t at = text.find("]("); at != std::string::npos; at = text.find("](", at + 2)) {
            const std::string target = text.substr(at + 2, text.find(')', at) - at - 2);
            if (target.rfind("http", 0) == 0)
                continue;
            SCOPED_TRACE(fs::relative(document, SOURCE_DIR).string() + ": " + target);
            const std::size_t hash = target.find('#');
            const fs::path file = hash == 0 ? document
                                            : (document.parent_path() / target.substr(0, hash)).lexically_normal();
            ASSERT_TRUE(fs::exists(file)) << "no such file";
            if (document.filename() == "README.md")
                linked.insert(file);
            if (hash == std::string::npos)
                continue;
            std::set<std::string> anchors;
            std::istringstream lines(read_file(file));
            for (std::string line; std::getline(lines, line);)
                if (line.rfind("#", 0) == 0)
                    anchors.insert(anchor_of(line));
            EXPECT_EQ(anchors.count(target.substr(hash + 1)), 1u) << "no such heading";
        }
    }
    for (const fs::path &document : documents()) {
        if (document.parent_path().filename() == "docs") {
            EXPECT_EQ(linked.count(document.lexically_normal()), 1u) << document << " is not linked from the README";
        }
    }
}

// An option's name as the man page writes it: every hyphen a minus sign.
std::string roff_hyphens(std::string name)
{
    for (std::size_t at = name.find('-'); at != std::string::npos; at = name.find('-', at + 2))
        name.replace(at, 1, "\\-");
    return name;
}

// The section of text that begins with the line heading, up to the next
// heading of its level or above.
std::string section(const std::string &text, const std::string &heading)
{
    const std::size_t start = text.find("\n" + heading + "\n");
    if (start == std::string::npos)
        return "";
    const std::size_t level = heading.find(' ');
    std::size_t end = start + 1;
    for (;;) {
        end = text.find("\n#", end + 1);
        if (end == std::string::npos)
            return text.substr(start + 1);
        const std::size_t hashes = text.find_first_not_of('#', end + 1) - (end + 1);
        if (hashes <= level)
            return text.substr(start + 1, end - start);
    }
}

// The figures of a --stats report, by the label of their line.
std::map<std::string, std::string> figures_of(const std::string &report)
{
    std::map<std::string, std::string> figures;
    std::istringstream lines(report);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(':');
        std::istringstream value(line.substr(colon + 1));
        std::string figure, unit;
        value >> figure >> unit;
        figures[line.substr(0, colon)] = unit == "LSB" || unit == "dB" ? figure + " " + unit : figure;
    }
    return figures;
}

// Every row of the accuracy table is what --stats reports for its size and
// options.
TEST(Readme, AccuracyTableIsWhatStatsReports)
{
    const std::vector<std::string> table =
        table_rows(section(readme(), "## Accuracy"), "| N | options |");
    ASSERT_GT(table.size(), 1u) << "no table of figures in the README's Accuracy section";
    for (std::size_t row = 1; row < table.size(); ++row) {
        const std::string &line = table[row];
        const std::vector<std::string> cells = cells_of(line);
        ASSERT_EQ(cells.size(), 7u) << line;
        std::vector<std::string> args = {"--stats"};
        if (cells[1] != "(none)") {
            std::istringstream options(cells[1].substr(1, cells[1].size() - 2));
            for (std::string option; options >> option;)
                args.push_back(option);
        }
        args.push_back(cells[0]);
        const process_result result = run_tool(args);
        ASSERT_EQ(result.status, 0) << described(result);
        std::map<std::string, std::string> figures = figures_of(result.out);
        SCOPED_TRACE(line + "\n" + result.out);
        EXPECT_EQ(cells[2], figures["max error"]);
        EXPECT_EQ(cells[3], figures["rms error"]);
        EXPECT_EQ(cells[4], figures["snr"]);
        EXPECT_EQ(cells[5], figures["fft snr"]);
        EXPECT_EQ(cells[6], figures["saturated"]);
    }
}

// The output SNR of the reference FFT with 16-bit data that the README
// quotes is what the benchmark measures, row for row.
TEST(Readme, SixteenBitDataFiguresAreTheBenchmarks)
{
    const std::vector<std::string> quoted =
        table_rows(section(readme(), "## Accuracy"), "| N | (none) |");
    ASSERT_GT(quoted.size(), 1u) << "no table of the FFT's output SNR in the README";
    const process_result measured = run_process({FFT_SNR});
    ASSERT_EQ(measured.status, 0) << described(measured);
    const std::vector<std::string> rows = table_rows(measured.out, "| N |");
    EXPECT_EQ(quoted.front(), rows.front());
    for (std::size_t row = 1; row < quoted.size(); ++row) {
        const std::string size = cells_of(quoted[row]).front();
        const auto same_size = std::find_if(rows.begin(), rows.end(), [&](const std::string &line) {
            return cells_of(line).front() == size;
        });
        ASSERT_NE(same_size, rows.end()) << quoted[row];
        EXPECT_EQ(quoted[row], *same_size);
    }
}

// The README's multiply is the one the reference FFT does, line for line.
TEST(Readme, MultiplyIsTheReferenceFftsOwn)
{
    const std::string formula = block_run_by("multiply");
    ASSERT_NE(formula, "");
    const std::string code = read_file(FFT_Q15_SOURCE);
    std::istringstream lines(formula);
    for (std::string line; std::getline(lines, line);)
        EXPECT_NE(code.find("                " + line + "\n"), std::string::npos)
            << "fft_q15.c does not hold the README's line: " << line;
}

// The first lines' commands: the one that builds and runs the tool works in
// a fresh copy of the sources, and the one that builds and tests it is the
// one CI runs.
std::string first_line_command(const std::string &label)
{
    const std::string text = readme();
    const std::size_t at = text.find("\n- " + label + ": `");
    if (at == std::string::npos)
        return "";
    const std::size_t start = at + label.size() + 6;
    return text.substr(start, text.find("`\n", start) - start);
}

const package_form both_forms[] = {package_form::installed, package_form::in_tree};

class ReadmeRecipe : public InstalledToolTest {
protected:
    // Runs a block of shell commands in folder, as a user would, with the
    // installed tool on PATH (or none, where installed is false).
    process_result run_shell(const std::string &commands, const fs::path &where, bool installed = true)
    {
        process_options options;
        options.working_directory = where.string();
        options.prelude = std::string("export PATH=") + (installed ? bin().string() + ":" : "") +
                          "/usr/bin:/bin";
        return run_process({"/bin/sh", "-e", "-c", commands}, options);
    }

    fs::path bin() const { return prefix() / "bin"; }

    // A CMake project of a program named firmware, built for this host with
    // CMSIS-DSP from its unmodified sources, those of the FFTs and the
    // functions the MFCC calls, or of the filters, with lines of its own
    // after.
    void write_cmsis_project(const fs::path &project, const std::string &lines, bool filters = false)
    {
        fs::create_directories(project);
        std::string globs;
        for (const char *folder : {"TransformFunctions", "BasicMathFunctions", "ComplexMathFunctions",
                                   "FastMathFunctions", "MatrixFunctions", "StatisticsFunctions", "CommonTables"})
            globs += std::string(" ${dsp}/Source/") + folder + "/arm_*.c";
        if (filters)
            globs = " ${dsp}/Source/FilteringFunctions/arm_*.c";
        write_file(project / "CMakeLists.txt",
                   "cmake_minimum_required(VERSION 3.20)\n"
                   "project(firmware LANGUAGES C CXX)\n"
                   "set(dsp " CMSIS_DIR "/CMSIS-DSP)\n"
                   "file(GLOB dsp_sources" + globs + ")\n"
                   "add_library(cmsis_dsp STATIC ${dsp_sources})\n"
                   "target_include_directories(cmsis_dsp PUBLIC ${dsp}/Include ${dsp}/PrivateInclude)\n"
                   "target_compile_definitions(cmsis_dsp PUBLIC __GNUC_PYTHON__ ARM_ALL_FFT_TABLES)\n"
                   "add_executable(firmware main.c)\n"
                   "target_link_libraries(firmware PRIVATE cmsis_dsp m)\n" +
                       lines);
    }
};

TEST_F(ReadmeRecipe, FirstLinesBuildAndRunTheTool)
{
    const std::string build_and_run = first_line_command("Build and run");
    ASSERT_NE(build_and_run, "");
    // A fresh copy of the sources: no build folder, no packages fetched.
    const fs::path sources = folder / "veltabgen";
    fs::create_directories(sources);
    for (const fs::directory_entry &entry : fs::directory_iterator(SOURCE_DIR)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("build", 0) == 0 || name == ".git" || name == "web")
            continue;
        fs::copy(entry.path(), sources / name, fs::copy_options::recursive);
    }
    const process_result result = run_shell(build_and_run, sources, false);
    ASSERT_EQ(result.status, 0) << described(result) << result.out;
    EXPECT_EQ(read_file(sources / "build" / "twiddle_64.c"),
              render(table_for(64, default_scale), default_scale));

    // Then the README's install line, into a scratch prefix: the install is
    // whole. With a file of the build missing, it is refused before it
    // copies anything.
    const std::string install_section = section(readme(), "## Install");
    const std::size_t fence = install_section.find("```sh\n");
    ASSERT_NE(fence, std::string::npos) << "no install command in the README";
    std::string install_line =
        install_section.substr(fence + 6, install_section.find('\n', fence + 6) - fence - 6);
    ASSERT_NE(install_line.find("/usr/local"), std::string::npos) << install_line;
    install_line.replace(install_line.find("/usr/local"), 10, (folder / "prefix").string());
    const process_result installed = run_shell(install_line, sources, false);
    EXPECT_EQ(installed.status, 0) << described(installed) << installed.out;
    for (const char *file : {"bin/veltabgen", "share/man/man1/veltabgen.1.gz", "share/doc/veltabgen/changelog.gz",
                             "share/doc/veltabgen/copyright", "share/cmake/veltabgen/veltabgenConfig.cmake"})
        EXPECT_TRUE(fs::exists(folder / "prefix" / file)) << file << " is not installed";
    install_line.replace(install_line.find((folder / "prefix").string()), (folder / "prefix").string().size(),
                         (folder / "partial").string());
    // Each file that the build makes beside the tool, missing in turn.
    for (const char *built : {"changelog.gz", "veltabgen.1.gz"}) {
        SCOPED_TRACE(std::string(built) + " missing");
        const fs::path file = sources / "build" / "compressed" / built;
        fs::copy_file(file, folder / built);
        fs::remove(file);
        const process_result partial = run_shell(install_line, sources, false);
        EXPECT_NE(partial.status, 0) << described(partial);
        EXPECT_NE(partial.err.find("veltabgen is not built whole"), std::string::npos) << described(partial);
        EXPECT_FALSE(fs::exists(folder / "partial")) << "a partial install";
        fs::rename(folder / built, file);
    }

    const std::string build_and_test = first_line_command("Build and test");
    ASSERT_NE(build_and_test, "");
    // CI reads the command from the README's line of that label and runs it.
    EXPECT_NE(read_file(SOURCE_DIR "/.ci/run").find("^- Build and test: "), std::string::npos)
        << "CI does not run the README's test command";
}

// The two lines for a CMake project, in a project of a target named
// firmware, which prints its table; with the installed package, and with
// veltabgen built in the project's tree.
TEST_F(ReadmeRecipe, CMakeProjectGeneratesTheTableItsTargetIncludes)
{
    install();
    for (const package_form form : both_forms) {
        SCOPED_TRACE(name_of(form));
        const fs::path project = folder / "project";
        fs::create_directories(project);
        write_file(project / "CMakeLists.txt",
                   "cmake_minimum_required(VERSION 3.20)\n"
                   "project(firmware LANGUAGES C CXX)\n"
                   "add_executable(firmware " CLIENT_DIR "/print_tables.c)\n"
                   "target_compile_definitions(firmware PRIVATE TABLES_FROM_HEADERS\n"
                   "    \"TABLES=X(twiddle_1024, 1024)\")\n"
                   "target_compile_options(firmware PRIVATE -include twiddle_1024.h)\n" +
                       in_form(block_run_by("cmake_project"), form));
        const fs::path build = folder / ("build-" + std::to_string(static_cast<int>(form)));
        build_project(project, build, {"-DCMAKE_C_COMPILER=" C_COMPILER, "-DCMAKE_CXX_COMPILER=" CXX_COMPILER});
        ASSERT_FALSE(HasFailure());
        auto tables = tables_printed(run_step({(build / "firmware").string()}));
        EXPECT_EQ(tables["twiddle_1024"].entries, table_for(1024, default_scale));
        EXPECT_EQ(tables["twiddle_1024"].address_mod_4, 0);
    }
}

// The make rules of examples/make, which the README has users copy, in the
// README's project: they make the table and its header, then nothing more.
TEST_F(ReadmeRecipe, MakeProjectMakesTheTableAndItsHeader)
{
    const std::string rules = read_file(SOURCE_DIR "/examples/make/veltabgen.mk");
    install();
    const fs::path project = folder / "project";
    fs::create_directories(project);
    write_file(project / "veltabgen.mk", rules);
    write_file(project / "Makefile", block_run_by("make_project"));
    write_file(project / "main.c",
               "#include <stdio.h>\n#include \"twiddle_1024.h\"\n"
               "int main(void) { printf(\"%d %d\\n\", twiddle_1024[0], twiddle_1024[1]); "
               "return 0; }\n");
    const process_result made = run_shell("make", project);
    ASSERT_EQ(made.status, 0) << described(made) << made.out;
    EXPECT_EQ(run_step({(project / "main").string()}), "-32767 0\n");
    EXPECT_EQ(read_file(project / "twiddle_1024.h"),
              [] {
                  table_request request = default_request(1024, default_scale);
                  request.array_name = "twiddle_1024";
                  request.header_path = "twiddle_1024.h";
                  return render_header(request);
              }());
    const process_result again = run_shell("make", project);
    EXPECT_EQ(again.status, 0) << described(again);
    EXPECT_EQ(again.out.find("veltabgen"), std::string::npos) << again.out;
}

// examples/make with the README's rules: a table in a section of its own;
// a change of one table's options makes that table again, and no other;
// the tool as a name on PATH or as a path; make check; and without the tool.
TEST_F(ReadmeRecipe, MakeExampleTakesOptionsPerTableAndChecksItsTables)
{
    install();
    const fs::path project = folder / "project";
    fs::create_directories(project);
    for (const char *file : {"Makefile", "main.c", "cmsis_main.c", "veltabgen.mk", "lowpass.txt"})
        fs::copy_file(fs::path(SOURCE_DIR "/examples/make") / file, project / file);

    const process_result missing = run_shell("make", project, false);
    EXPECT_NE(missing.status, 0) << described(missing);
    EXPECT_NE(missing.err.find("veltabgen is not on PATH"), std::string::npos) << described(missing);
    EXPECT_FALSE(fs::exists(project / "twiddle_256.c"));

    const process_result made = run_shell("make", project);
    ASSERT_EQ(made.status, 0) << described(made) << made.out;
    EXPECT_NE(run_step({(project / "tables_demo").string()}).find("twiddle_1024: -32767 0"),
              std::string::npos);
    EXPECT_EQ(section_alignments(run_step({"/usr/bin/objdump", "-h", (project / "twiddle_1024.o").string()}))
                  .count(".dtcm_data"),
              1u);
    EXPECT_EQ(run_shell("make check", project).status, 0);

    const auto times = [&] {
        std::map<std::string, fs::file_time_type> written;
        for (const char *file : {"twiddle_256.c", "twiddle_256.h", "twiddle_1024.c", "twiddle_1024.h"})
            written[file] = fs::last_write_time(project / file);
        return written;
    };
    const auto first = times();
    const process_result again = run_shell("make", project);
    EXPECT_EQ(again.out, "make: 'tables_demo' is up to date.\n")
        << "a second make with nothing changed runs something";
    EXPECT_EQ(times(), first);

    // Another section for the 1024-point table: it alone is made again.
    std::string makefile = read_file(project / "Makefile");
    const std::size_t section = makefile.find("--section=.dtcm_data");
    ASSERT_NE(makefile.find("VELTABGEN_FLAGS_twiddle_1024 = --section=.dtcm_data"), std::string::npos);
    ASSERT_NE(section, std::string::npos);
    makefile.replace(section, 20, "--section=.itcm_data");
    write_file(project / "Makefile", makefile);
    const process_result changed = run_shell("make", project);
    ASSERT_EQ(changed.status, 0) << described(changed);
    const auto second = times();
    EXPECT_EQ(second.at("twiddle_256.c"), first.at("twiddle_256.c"));
    EXPECT_EQ(second.at("twiddle_256.h"), first.at("twiddle_256.h"));
    EXPECT_NE(second.at("twiddle_1024.c"), first.at("twiddle_1024.c"));
    EXPECT_NE(read_file(project / "twiddle_1024.c").find("section(\".itcm_data\")"), std::string::npos);

    // Options for every table, given on make's command line, keep each
    // table's own; make check then checks the tables with both.
    const process_result rounded = run_shell("make VELTABGEN_FLAGS=--round=nearest", project);
    ASSERT_EQ(rounded.status, 0) << described(rounded);
    const std::string rounded_table = read_file(project / "twiddle_1024.c");
    EXPECT_NE(rounded_table.find("section(\".itcm_data\")"), std::string::npos);
    EXPECT_NE(rounded_table.find("Rounding:            to nearest"), std::string::npos);
    EXPECT_EQ(run_shell("make check VELTABGEN_FLAGS=--round=nearest", project).status, 0);
    EXPECT_NE(run_shell("make check", project).status, 0);
    ASSERT_EQ(run_shell("make", project).status, 0);

    // A section name with a $ reaches the tool as its record holds it.
    const process_result dollar =
        run_shell("make 'VELTABGEN_FLAGS_twiddle_256=--section=$$fast.1'", project);
    ASSERT_EQ(dollar.status, 0) << described(dollar);
    EXPECT_NE(read_file(project / "twiddle_256.c").find("section(\"$fast.1\")"), std::string::npos);
    EXPECT_NE(read_file(project / ".twiddle_256.flags").find("\n--section=$fast.1\n"), std::string::npos)
        << read_file(project / ".twiddle_256.flags");
    ASSERT_EQ(run_shell("make", project).status, 0);

    // Another tool, even one older than the tables, makes them again; a path
    // with a space is refused with a message that says why.
    fs::create_directories(folder / "old");
    fs::copy_file(bin() / "veltabgen", folder / "old" / "veltabgen");
    fs::last_write_time(folder / "old" / "veltabgen", fs::file_time_type::clock::now() - std::chrono::hours(24 * 365));
    const process_result older = run_shell("make VELTABGEN=" + (folder / "old" / "veltabgen").string(), project);
    EXPECT_EQ(older.status, 0) << described(older);
    EXPECT_NE(older.out.find((folder / "old" / "veltabgen").string() + " '--align=gnu' '--section=.itcm_data'"),
              std::string::npos)
        << older.out;
    // A tool of another version at the same path is seen, even with an
    // older time than the tables.
    const fs::path old_tool = folder / "old" / "veltabgen";
    fs::rename(old_tool, folder / "old" / "real-veltabgen");
    write_file(old_tool, "#!/bin/sh\n[ \"$1\" = --version ] && { echo 'veltabgen 9.9.9'; exit 0; }\n"
                         "exec " + (folder / "old" / "real-veltabgen").string() + " \"$@\"\n");
    fs::permissions(old_tool, fs::perms(0755));
    fs::last_write_time(old_tool, fs::file_time_type::clock::now() - std::chrono::hours(24 * 365));
    EXPECT_NE(run_shell("make -q VELTABGEN=" + old_tool.string(), project).status, 0)
        << "a new version of the tool at the same path leaves the tables up to date";
    const process_result newer = run_shell("make VELTABGEN=" + old_tool.string(), project);
    EXPECT_EQ(newer.status, 0) << described(newer);
    EXPECT_NE(newer.out.find(old_tool.string() + " '--align=gnu' '--name=twiddle_256'"), std::string::npos)
        << newer.out;
    EXPECT_EQ(run_shell("make -q VELTABGEN=" + old_tool.string(), project).status, 0);

    const process_result spaced = run_shell("make 'VELTABGEN=/opt/my tools/veltabgen'", project);
    EXPECT_NE(spaced.status, 0);
    EXPECT_NE(spaced.err.find("holds a space"), std::string::npos) << described(spaced);

    // The tool named as a name on PATH, and as a path without one.
    fs::remove(project / "twiddle_256.c");
    EXPECT_EQ(run_shell("make VELTABGEN=veltabgen", project).status, 0);
    fs::remove(project / "twiddle_256.c");
    const process_result by_path = run_shell("make VELTABGEN=" + (bin() / "veltabgen").string(), project, false);
    EXPECT_EQ(by_path.status, 0) << described(by_path);
    EXPECT_TRUE(fs::exists(project / "twiddle_256.c"));

    // Tables of any name, each with its options: CMSIS-DSP's FFTs with the
    // constant instances that the rules make, in a program for this host.
    if (*CMSIS_DIR != '\0') {
        const std::string cmsis = "make cmsis_demo CMSIS_DSP=" CMSIS_DIR "/CMSIS-DSP";
        const process_result demo = run_shell(cmsis, project);
        ASSERT_EQ(demo.status, 0) << described(demo) << demo.out;
        EXPECT_EQ(run_step({(project / "cmsis_demo").string()}),
                  "rfft_512: strongest bin 37\ncfft_1024: strongest bin 100\n"
                  "lowpass: 500 Hz at 0.0 dB\nlowpass: 5000 Hz at -26.5 dB\n");
        EXPECT_NE(read_file(project / "cfft_1024.h").find("extern const arm_cfft_instance_q31 cfft_1024;"),
                  std::string::npos);
        EXPECT_EQ(run_shell(cmsis + " -q", project).status, 0) << "a second make would make something";
        EXPECT_EQ(run_shell("make check-rfft_512 check-cfft_1024 check-lowpass", project).status, 0);
        // An edit of the filter's design makes its table again, and no other.
        const fs::file_time_type rfft = fs::last_write_time(project / "rfft_512.c");
        write_file(project / "lowpass.txt", read_file(project / "lowpass.txt") + "# edited\n");
        fs::last_write_time(project / "lowpass.txt", fs::last_write_time(project / "lowpass.c") + std::chrono::seconds(5));
        const process_result edited = run_shell(cmsis, project);
        EXPECT_EQ(edited.status, 0) << described(edited);
        EXPECT_NE(edited.out.find("--name=lowpass"), std::string::npos) << edited.out;
        EXPECT_EQ(edited.out.find("--name=rfft_512"), std::string::npos) << edited.out;
        EXPECT_EQ(fs::last_write_time(project / "rfft_512.c"), rfft);
        // The rules leave every other file alone, sources included.
        EXPECT_EQ(read_file(project / "cmsis_main.c"), read_file(SOURCE_DIR "/examples/make/cmsis_main.c"));
    }

    // A committed table that was edited fails the check.
    std::string table = read_file(project / "twiddle_256.c");
    table.replace(table.find("-0x7FFF"), 7, "-0x7FFE");
    write_file(project / "twiddle_256.c", table);
    const process_result stale = run_shell("make check", project);
    EXPECT_NE(stale.status, 0) << described(stale);
    EXPECT_NE(stale.err.find("twiddle_256.c differs from the generated text"), std::string::npos)
        << described(stale);
}

// The command lines, run as they stand in a scratch folder, with the tool
// installed.
TEST_F(ReadmeRecipe, CommandLinesRun)
{
    install();
    const std::vector<readme_block> blocks = blocks_run_by("shell");
    ASSERT_FALSE(blocks.empty());
    for (const readme_block &block : blocks) {
        const process_result result = run_shell(block.body, folder);
        EXPECT_EQ(result.status, 0) << described(result) << "\n" << block.where;
        EXPECT_EQ(result.err, "") << block.where;
    }
    EXPECT_EQ(read_file(folder / "twiddle_64.c"), render(table_for(64, default_scale), default_scale));
}

// The command that a paragraph shows before a block of what it writes: the
// last inline "veltabgen ..." of the paragraph.
std::string command_shown(const std::string &paragraph)
{
    const std::size_t start = paragraph.rfind("`veltabgen ");
    if (start == std::string::npos)
        return "";
    return paragraph.substr(start + 1, paragraph.find('`', start + 1) - start - 1);
}

// Whether lines of text, one after another, hold the lines of part.
bool holds_lines(const std::string &text, const std::string &part, std::size_t &from)
{
    const std::size_t at = text.find(part, from);
    if (at == std::string::npos || (at > 0 && text[at - 1] != '\n'))
        return false;
    from = at + part.size();
    return true;
}

// The man page's examples, as printed there once roff's escaped hyphens are
// read, run in a folder that holds the design file they name.
TEST_F(ReadmeRecipe, ManPageExamplesRun)
{
    install();
    const std::string page = read_file(SOURCE_DIR "/src/veltabgen.1.in");
    fs::copy_file(SOURCE_DIR "/examples/make/lowpass.txt", folder / "lowpass.txt");
    int examples = 0;
    for (std::size_t at = page.find("\n.EX\n"); at != std::string::npos; at = page.find("\n.EX\n", at + 1)) {
        const std::size_t start = at + 5;
        std::string lines = page.substr(start, page.find("\n.EE\n", start) + 1 - start);
        for (std::size_t hyphen = lines.find("\\-"); hyphen != std::string::npos; hyphen = lines.find("\\-", hyphen))
            lines.erase(hyphen, 1);
        if (lines.rfind("veltabgen ", 0) != 0)
            continue; // fragments of a Makefile or a CMakeLists.txt
        ++examples;
        const process_result result = run_shell(lines, folder);
        EXPECT_EQ(result.status, 0) << described(result) << "\n" << lines;
        EXPECT_EQ(result.err, "") << lines;
    }
    EXPECT_GE(examples, 3);
    for (const char *made : {"twiddle_1024.c", "tw256.c", "tw256.h", "rfft_512.c", "hann_400.c", "lowpass.c", "lowpass.h"})
        EXPECT_TRUE(fs::exists(folder / made)) << made;
}

// A block of the tool's output is what the command before it writes: to
// standard output, or to the file of --output. "..." stands for lines left
// out, and the block's first and last parts then begin and end the output.
TEST_F(ReadmeRecipe, OutputIsWhatTheToolWrites)
{
    install();
    const std::vector<readme_block> blocks = blocks_run_by("output");
    ASSERT_FALSE(blocks.empty());
    for (const readme_block &block : blocks) {
        SCOPED_TRACE(block.where);
        const std::string command = command_shown(block.paragraph);
        ASSERT_NE(command, "") << "no command before the block";
        const process_result result = run_shell(command, folder);
        ASSERT_EQ(result.status, 0) << described(result);
        std::string written = result.out;
        const std::size_t output = command.find("--output=");
        if (output != std::string::npos)
            written = read_file(folder / command.substr(output + 9, command.find(' ', output) - output - 9));
        std::vector<std::string> parts(1);
        std::istringstream lines(block.body);
        for (std::string line; std::getline(lines, line);) {
            if (line == "...")
                parts.emplace_back();
            else
                parts.back() += line + "\n";
        }
        std::size_t from = 0;
        for (std::size_t i = 0; i < parts.size(); ++i) {
            EXPECT_TRUE(holds_lines(written, parts[i], from)) << "not written:\n" << parts[i];
            if (parts.size() > 1 && i == 0) {
                EXPECT_EQ(written.rfind(parts[i], 0), 0u) << "the output does not begin so";
            }
        }
        if (parts.size() > 1) {
            EXPECT_EQ(from, written.size()) << "the output does not end so";
        }
    }
}

// The function in a project that builds veltabgen in its own tree, with two
// subfolders that generate a table of one name each.
TEST_F(ReadmeRecipe, FetchContentBuildsTheToolInTheProjectsTree)
{
    const fs::path project = folder / "project";
    fs::create_directories(project / "third_party");
    fs::create_directory_symlink(SOURCE_DIR, project / "third_party" / "veltabgen");
    for (const char *subfolder : {"left", "right"}) {
        fs::create_directories(project / subfolder);
        write_file(project / subfolder / "CMakeLists.txt",
                   std::string("add_library(") + subfolder + "_tables STATIC)\n"
                   "veltabgen_generate(" + subfolder + "_tables SIZE 64 NAME tw HEADER)\n");
    }
    write_file(project / "CMakeLists.txt",
               "cmake_minimum_required(VERSION 3.20)\n"
               "project(firmware LANGUAGES C CXX)\n"
               "add_executable(firmware " CLIENT_DIR "/print_tables.c)\n"
               "target_compile_definitions(firmware PRIVATE \"TABLES=X(twiddle_256, 256)\")\n" +
                   block_run_by("fetch_content") + "add_subdirectory(left)\nadd_subdirectory(right)\n");
    const fs::path build_folder = folder / "build";
    run_step({CMAKE_COMMAND, "-S", project.string(), "-B", build_folder.string(),
              "-DCMAKE_C_COMPILER=" C_COMPILER, "-DCMAKE_CXX_COMPILER=" CXX_COMPILER});
    run_step({CMAKE_COMMAND, "--build", build_folder.string()});
    ASSERT_FALSE(HasFailure());
    EXPECT_EQ(tables_printed(run_step({(build_folder / "firmware").string()}))["twiddle_256"].entries,
              table_for(256, default_scale));
    const std::string second = run_step({CMAKE_COMMAND, "--build", build_folder.string()});
    EXPECT_EQ(second.find("Generating"), std::string::npos) << second;
    // A table's files belong to the folder that generates it.
    for (const char *subfolder : {"left", "right"})
        EXPECT_NE(read_file(build_folder / subfolder / "veltabgen" / "tw.c").find("const short tw[2 * 32]"),
                  std::string::npos)
            << subfolder;
}

// A committed table, checked by the README's CTest lines: they pass while the
// table is current, fail with the README's message once an entry on the
// line it names is edited, and pass again once the README's command has made
// the table anew. A toolchain whose emulator fails whatever it runs changes
// nothing: the tool is a program of the host. No test found is a failure.
TEST_F(ReadmeRecipe, CommittedTableIsCheckedByCTest)
{
    const std::string recipe = block_run_by("ctest_recipe");
    EXPECT_NE(read_file(SOURCE_DIR "/examples/firmware_table/CMakeLists.txt").find(recipe),
              std::string::npos)
        << "examples/firmware_table does not check its table as the README does";
    install();
    const fs::path project = folder / "project";
    fs::create_directories(project / "src");
    const std::string regenerate = block_run_by("regenerate");
    ASSERT_EQ(run_shell(regenerate, project).status, 0);
    write_file(folder / "emulator.sh", "#!/bin/sh\necho \"the emulator ran $*\" >&2\nexit 3\n");
    fs::permissions(folder / "emulator.sh", fs::perms(0755));
    write_file(folder / "emulated.cmake",
               "set(CMAKE_SYSTEM_NAME Generic)\n"
               "set(CMAKE_CROSSCOMPILING_EMULATOR " + (folder / "emulator.sh").string() + ")\n");

    std::string failure = block_run_by("ctest_failure");
    ASSERT_NE(failure, "");
    const std::size_t at_line = failure.rfind("line ");
    const int line = std::stoi(failure.substr(at_line + 5));
    const fs::path table = project / "src" / "twiddle_1024.c";
    const std::string current = read_file(table);

    // Built in the project's tree, the tool is built for the target: that
    // form serves native builds alone.
    const struct {
        package_form form;
        bool emulated;
    } builds[] = {{package_form::installed, false}, {package_form::installed, true}, {package_form::in_tree, false}};
    for (const auto &[form, emulated] : builds) {
        SCOPED_TRACE(std::string(name_of(form)) + (emulated ? ", a toolchain with an emulator" : ", a native build"));
        write_file(project / "CMakeLists.txt",
                   "cmake_minimum_required(VERSION 3.20)\n"
                   "project(committed LANGUAGES NONE)\n" + in_form(recipe, form));
        const fs::path build_folder =
            folder / (std::string(emulated ? "emulated" : "native") + (form == package_form::in_tree ? "-in-tree" : ""));
        std::vector<std::string> options;
        if (emulated)
            options.push_back("-DCMAKE_TOOLCHAIN_FILE=" + (folder / "emulated.cmake").string());
        build_project(project, build_folder, options);
        const std::vector<std::string> ctest = {CTEST_COMMAND, "--test-dir", build_folder.string(),
                                                "--output-on-failure", "--no-tests=error"};
        const process_result current_run = run_process(ctest);
        EXPECT_EQ(current_run.status, 0) << current_run.out;

        // An entry of the line that the README's message names, edited.
        std::string edited = current;
        std::size_t start = 0;
        for (int i = 1; i < line; ++i)
            start = edited.find('\n', start) + 1;
        const std::size_t entry = edited.find("0x", start);
        ASSERT_LT(entry, edited.find('\n', start)) << "line " << line << " holds no entry";
        edited[entry + 5] = edited[entry + 5] == '0' ? '1' : '0';
        write_file(table, edited);
        const process_result stale = run_process(ctest);
        EXPECT_NE(stale.status, 0);
        EXPECT_NE(stale.out.find("\n" + failure), std::string::npos) << stale.out;

        ASSERT_EQ(run_shell(regenerate, project).status, 0);
        EXPECT_EQ(read_file(table), current);
        EXPECT_EQ(run_process(ctest).status, 0);
    }
}

// The README's lines for a CMake firmware with CMSIS-DSP, in a project that
// builds the library for the host from its unmodified sources: the real FFT
// that the README's line runs gives what the library's own instance gives.
TEST_F(ReadmeRecipe, CmsisLinesRunTheLibrarysRealFftOnTheGeneratedTables)
{
    if (*CMSIS_DIR == '\0')
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    install();
    for (const package_form form : both_forms) {
        SCOPED_TRACE(name_of(form));
        const fs::path project = folder / "project";
        write_cmsis_project(project, in_form(block_run_by("cmsis_cmake"), form));
        write_file(project / "main.c",
                   "#include <stdio.h>\n#include <string.h>\n#include \"rfft_256.h\"\n"
                   "static q15_t samples[2 * 256 + 2], spectrum[2 * 256], input[2 * 256 + 2], expected[2 * 256];\n"
                   "int main(void)\n{\n"
                   "    arm_rfft_instance_q15 library;\n"
                   "    unsigned i;\n"
                   "    for (i = 0; i < 256; ++i)\n"
                   "        input[i] = (q15_t)((i * 7919u) % 65536u - 32768);\n"
                   "    memcpy(samples, input, sizeof samples);\n    " +
                       block_run_by("cmsis_call") +
                       "    arm_rfft_init_q15(&library, 256, 0, 1);\n"
                       "    arm_rfft_q15(&library, input, expected);\n"
                       "    printf(\"%s\\n\", memcmp(spectrum, expected, sizeof spectrum) == 0 ? \"same\" : \"different\");\n"
                       "    return 0;\n}\n");
        const fs::path build = folder / ("build-" + std::to_string(static_cast<int>(form)));
        build_project(project, build, {"-DCMAKE_C_COMPILER=" C_COMPILER, "-DCMAKE_CXX_COMPILER=" CXX_COMPILER});
        ASSERT_FALSE(HasFailure());
        EXPECT_EQ(run_step({(build / "firmware").string()}), "same\n");
    }
}

// The README's lines for an f32 real FFT: with no init call, its output is
// what the library's init function for its size gives, word for word.
TEST_F(ReadmeRecipe, FloatLinesRunTheLibrarysFastRealFft)
{
    if (*CMSIS_DIR == '\0')
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    install();
    for (const package_form form : both_forms) {
        SCOPED_TRACE(name_of(form));
        const fs::path project = folder / "project";
        write_cmsis_project(project, in_form(block_run_by("float_cmake"), form));
        write_file(project / "main.c",
                   "#include <stdio.h>\n#include <string.h>\n#include \"spectrum.h\"\n"
                   "static float32_t samples[1024], bins[1024], input[1024], expected[1024];\n"
                   "int main(void)\n{\n"
                   "    arm_rfft_fast_instance_f32 library;\n"
                   "    unsigned i;\n"
                   "    for (i = 0; i < 1024; ++i)\n"
                   "        input[i] = (float32_t)((i * 7919u) % 65536u) / 32768.0f - 1.0f;\n"
                   "    memcpy(samples, input, sizeof samples);\n    " +
                       block_run_by("float_call") +
                       "    arm_rfft_fast_init_1024_f32(&library);\n"
                       "    arm_rfft_fast_f32(&library, input, expected, 0);\n"
                       "    printf(\"%s\\n\", memcmp(bins, expected, sizeof bins) == 0 ? \"same\" : \"different\");\n"
                       "    return 0;\n}\n");
        const fs::path build = folder / ("build-" + std::to_string(static_cast<int>(form)));
        build_project(project, build, {"-DCMAKE_C_COMPILER=" C_COMPILER, "-DCMAKE_CXX_COMPILER=" CXX_COMPILER});
        ASSERT_FALSE(HasFailure());
        EXPECT_EQ(run_step({(build / "firmware").string()}), "same\n");
    }
}

// The README's lines for a window and an MFCC: the window is Hann's,
// periodic; the MFCC's buffers take the sizes of its header, which are its
// frame's, its FFT's and its outputs'; its window is Hann's of the frame,
// padded with zeros; and the MFCC of the README's one C call gives what the
// library gives set up by its init function with the same tables.
TEST_F(ReadmeRecipe, WindowAndMfccLinesGiveTheLibrarysMfcc)
{
    if (*CMSIS_DIR == '\0')
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    install();
    for (const package_form form : both_forms) {
        SCOPED_TRACE(name_of(form));
        const fs::path project = folder / "project";
        write_cmsis_project(project, in_form(block_run_by("window_mfcc_cmake"), form));
        write_file(project / "main.c",
                   "#include <math.h>\n#include <stdio.h>\n#include <string.h>\n"
                   "#include \"hann_400.h\"\n#include \"mfcc.h\"\n" +
                       block_run_by("window_mfcc_buffers") +
                       "static q15_t copy[mfcc_FFT_LENGTH], expected[mfcc_DCT_OUTPUTS];\n"
                       "static q31_t library_scratch[2 * mfcc_FFT_LENGTH];\n"
                       "int main(void)\n{\n"
                       "    arm_mfcc_instance_q15 library;\n"
                       "    unsigned i;\n"
                       "    for (i = 0; i < mfcc_FRAME_LENGTH; ++i)\n"
                       "        frame[i] = (q15_t)(12000.0 * sin(0.3 * i) + 3000.0 * sin(1.7 * i));\n"
                       "    memcpy(copy, frame, sizeof copy);\n    " +
                       block_run_by("window_mfcc_call") +
                       "    arm_mfcc_init_q15(&library, mfcc_FFT_LENGTH, mfcc_MEL_FILTERS, mfcc_DCT_OUTPUTS, mfcc_dct,\n"
                       "                      mfcc_filter_pos, mfcc_filter_lengths, mfcc_filter_coefs, mfcc_window);\n"
                       "    arm_mfcc_q15(&library, copy, expected, library_scratch);\n"
                       "    printf(\"%s %d %d %d %d %d %d %d %d\\n\",\n"
                       "           memcmp(coefficients, expected, sizeof expected) == 0 ? \"same\" : \"different\",\n"
                       "           hann_400[0], hann_400[100], hann_400[200], mfcc_FRAME_LENGTH, mfcc_FFT_LENGTH,\n"
                       "           mfcc_window[320], mfcc_window[639], mfcc_window[640]);\n"
                       "    return 0;\n}\n");
        const fs::path build = folder / ("build-" + std::to_string(static_cast<int>(form)));
        build_project(project, build, {"-DCMAKE_C_COMPILER=" C_COMPILER, "-DCMAKE_CXX_COMPILER=" CXX_COMPILER});
        ASSERT_FALSE(HasFailure());
        // Hann's window of 640 values peaks at 320; its last is
        // 0.5 - 0.5 cos(2 pi 639 / 640), 0.0000241 of full scale: 1.
        EXPECT_EQ(run_step({(build / "firmware").string()}), "same 0 16384 32767 640 1024 32767 1 0\n");
    }
}

// The README's lines for a filter: scipy's design, saved by the README's
// Python; the CMake line, with the installed package and with veltabgen
// built in the project's tree; and the C call, a block at a time: a tone in
// the pass band passes, one above it falls by the design's 26.5 dB. An edit
// of the design makes the table again.
TEST_F(ReadmeRecipe, FilterLinesRunTheLibrarysBiquadCascadeOnTheDesign)
{
    if (*CMSIS_DIR == '\0')
        GTEST_SKIP() << "no CMSIS-DSP: configure with -DVELTABGEN_CMSIS_DIR=<folder>";
    install();
    for (const package_form form : both_forms) {
        SCOPED_TRACE(name_of(form));
        const fs::path project = folder / ("project-" + std::to_string(static_cast<int>(form)));
        write_cmsis_project(project, in_form(block_run_by("filter_cmake"), form), true);
        write_file(project / "design.py", block_run_by("filter_design"));
        run_step({"/usr/bin/python3", (project / "design.py").string()}, [&] {
            process_options options;
            options.working_directory = project.string();
            return options;
        }());
        write_file(project / "main.c",
                   "#include <math.h>\n#include <stdio.h>\n#include \"lowpass.h\"\n"
                   "static q15_t in[lowpass_BLOCK_SIZE], out[lowpass_BLOCK_SIZE];\n"
                   "int main(void)\n{\n"
                   "    unsigned i, block, n;\n"
                   "    for (i = 0; i < 2; ++i) {\n"
                   "        const double hertz = i == 0 ? 500.0 : 5000.0;\n"
                   "        double power = 0.0;\n"
                   "        for (block = 0; block < 64; ++block) {\n"
                   "            for (n = 0; n < lowpass_BLOCK_SIZE; ++n)\n"
                   "                in[n] = (q15_t)(16000.0 * sin(6.283185307179586 * hertz *\n"
                   "                                              (block * lowpass_BLOCK_SIZE + n) / 16000.0));\n"
                   "            " + block_run_by("filter_call") +
                   "            for (n = 0; block >= 32 && n < lowpass_BLOCK_SIZE; ++n)\n"
                   "                power += (double)out[n] * out[n];\n"
                   "        }\n"
                   "        printf(\"%.1f\\n\", 10.0 * log10(power / (32.0 * lowpass_BLOCK_SIZE) / (16000.0 * 16000.0 / 2.0)));\n"
                   "    }\n"
                   "    return 0;\n}\n");
        const fs::path build = folder / ("build-" + std::to_string(static_cast<int>(form)));
        build_project(project, build, {"-DCMAKE_C_COMPILER=" C_COMPILER, "-DCMAKE_CXX_COMPILER=" CXX_COMPILER});
        ASSERT_FALSE(HasFailure());
        EXPECT_EQ(run_step({(build / "firmware").string()}), "-0.0\n-26.5\n");
        write_file(project / "lowpass.txt", read_file(project / "lowpass.txt") + "# edited\n");
        const std::string rebuilt = run_step({CMAKE_COMMAND, "--build", build.string()});
        EXPECT_NE(rebuilt.find("Generating the cmsis-biquad table lowpass, for blocks of 64 samples"),
                  std::string::npos)
            << rebuilt;
    }
}

// The page's lines for a Cortex-M55, run in a copy of the sources: qemu
// runs the demo, which prints what it prints on the host.
TEST_F(ReadmeRecipe, CortexM55DemoRunsUnderQemu)
{
    if (*QEMU_SYSTEM_ARM == '\0' || *ARM_GCC == '\0')
        GTEST_SKIP() << "qemu-system-arm or arm-none-eabi-gcc is not installed";
    install();
    const fs::path example = folder / "examples" / "fft_q15";
    fs::create_directories(example.parent_path());
    fs::copy(SOURCE_DIR "/examples/fft_q15", example, fs::copy_options::recursive);
    build_project(example, folder / "host", {"-DCMAKE_C_COMPILER=" C_COMPILER});
    ASSERT_FALSE(HasFailure());
    const std::string host = run_step({(folder / "host" / "fft_demo").string()});
    const process_result run = run_shell(block_run_by("cortex_m55"), folder);
    EXPECT_EQ(run.status, 0) << described(run) << run.out;
    EXPECT_FALSE(host.empty());
    EXPECT_TRUE(run.err == host) << "the firmware's output differs from the host's";
}

// Every option that --help lists is documented and used where its users
// meet it: in the README's table of options, the man page and the fuzzer's
// dictionary; where it sets the table, in the CMake function and on the
// page. An option added to the tool alone fails here, by name.
TEST(Options, EveryOptionIsWhereItsUsersMeetIt)
{
    const process_result help = run_tool({"--help"});
    ASSERT_EQ(help.status, 0) << described(help);
    std::vector<std::string> options;
    std::set<std::string> flags; // the options that take no value
    std::istringstream lines(help.out);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("  --", 0) != 0)
            continue;
        const std::size_t end = line.find_first_of(" =", 4);
        options.push_back(line.substr(4, end - 4));
        if (line[end] != '=')
            flags.insert(options.back());
    }
    ASSERT_GE(options.size(), 10u) << help.out;

    const std::string options_table = section(readme(), "### Options");
    const std::string man_page = read_file(SOURCE_DIR "/src/veltabgen.1.in");
    const std::string dictionary = read_file(SOURCE_DIR "/fuzz/command_line.dict");
    const std::string function = read_file(SOURCE_DIR "/cmake/veltabgenGenerate.cmake");
    const std::string page = read_file(SOURCE_DIR "/web/shell.html");
    // What the function and the page leave to the command line: the files
    // they name themselves, and what only a person at a terminal asks for.
    const std::set<std::string> not_in_function = {"output", "check", "stats", "help", "version"};
    const std::set<std::string> not_on_page = {"output", "check", "stats", "help", "version"};
    for (const std::string &option : options) {
        SCOPED_TRACE("--" + option);
        EXPECT_NE(options_table.find("| `--" + option), std::string::npos) << "not in the README's table";
        EXPECT_NE(man_page.find("\\-\\-" + roff_hyphens(option)), std::string::npos) << "not in the man page";
        EXPECT_NE(dictionary.find("\"--" + option), std::string::npos) << "not in the fuzz dictionary";
        if (not_in_function.count(option) == 0) {
            EXPECT_NE(function.find("--" + option + (flags.count(option) == 0 ? "=" : "")), std::string::npos)
                << "not passed by veltabgen_generate";
        }
        if (not_on_page.count(option) == 0) {
            EXPECT_NE(page.find("(--" + option + ")"), std::string::npos) << "not a field of the page";
        }
    }
}

} // namespace
