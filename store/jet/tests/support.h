// Helpers shared by the engine's tests: fixture paths, scratch copies, and
// running the independent readers (mdb-json, mdb-reader) on our files.
#pragma once

#include "jet/jet4.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace jt {

std::string fixtures();                          // folder of the real files
bool have_fixtures();
#define JET_NEED_FIXTURES()                                                                 \
    do {                                                                                    \
        if (!jt::have_fixtures()) GTEST_SKIP() << "fixtures not found at " << jt::fixtures() \
                                               << " (expected ../shared/fixtures/jet4)";    \
    } while (0)

std::vector<std::string> fixture_files();       // every .mdb in the folder
std::string scratch(const std::string& name);   // a fresh path in a private temp folder
std::string copy_to_scratch(const std::string& from, const std::string& name);
void write_file(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> read_file(const std::string& path);

// Runs a command; returns its stdout, sets *rc.
std::string run(const std::string& cmd, int* rc = nullptr);
bool have_tool(const std::string& name);
bool have_mdb_reader();

// Rows as parsed, normalised JSON text per row, from each reader.  Values
// are normalised so that the readers' formatting choices compare equal (see
// the .cpp); missing keys mean NULL.
std::vector<std::string> rows_mdb_json(const std::string& file, const std::string& table);
std::vector<std::string> rows_mdb_reader(const std::string& file, const std::string& table);
std::vector<std::string> rows_ours_json(const std::string& file, const std::string& table);  // qvkdb export --json
// Every named table at once (one reader process per file); a table the
// reader refuses maps to {"#ERROR ..."}.
using TableRows = std::map<std::string, std::vector<std::string>>;
TableRows all_rows(const std::string& mode, const std::string& file, const std::vector<std::string>& tables);

std::string u8(const std::u16string& s);
std::u16string u16(const std::string& s);

}  // namespace jt
