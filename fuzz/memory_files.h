#ifndef VELTABGEN_FUZZ_MEMORY_FILES_H
#define VELTABGEN_FUZZ_MEMORY_FILES_H

#include <cstddef>
#include <map>
#include <string>

// The files that runs have committed, by path, each with its whole text.
extern std::map<std::string, std::string> committed_files;

// The files that the tool reads but never writes, by path: a filter's
// design.
extern std::map<std::string, std::string> input_files;

// How many temporary files are open or left behind.
std::size_t open_temporary_files();

#endif
