// qvkdb: look into and change Jet 4 databases from the command line.
// Arguments and output are UTF-8.
#include "jet/jet4.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

int usage() {
    std::fputs(
        "usage: qvkdb tables FILE\n"
        "       qvkdb export [--json] FILE TABLE\n"
        "       qvkdb exec FILE \"STATEMENT\"\n"
        "       qvkdb check FILE\n"
        "       qvkdb create FILE\n",
        stderr);
    return 2;
}

std::unique_ptr<jet4::Database> open_db(const std::string& path, jet4::Database::Mode mode) {
#ifdef _WIN32
    std::u16string u = jet4::utf8_to_utf16(path);
    return jet4::Database::open(std::wstring(u.begin(), u.end()), mode);
#else
    return jet4::Database::open(path, mode);
#endif
}

void out(const std::string& s) { std::fwrite(s.data(), 1, s.size(), stdout); }

std::string tsv_field(const std::string& s) {
    std::string r;
    for (char c : s) r += (c == '\t' || c == '\n' || c == '\r') ? ' ' : c;
    return r;
}

void print_rows(const std::vector<jet4::Column>& cols, const std::vector<jet4::Row>& rows, bool json) {
    if (json) {
        for (auto& r : rows) out(jet4::row_to_json(cols, r) + "\n");
        return;
    }
    std::string line;
    for (size_t i = 0; i < cols.size(); ++i) line += (i ? "\t" : "") + tsv_field(jet4::utf16_to_utf8(cols[i].name));
    out(line + "\n");
    for (auto& r : rows) {
        line.clear();
        for (size_t i = 0; i < cols.size(); ++i) line += (i ? "\t" : "") + tsv_field(jet4::value_to_text(r[i]));
        out(line + "\n");
    }
}

bool write_new_file(const std::string& path, const std::vector<uint8_t>& bytes) {
#ifdef _WIN32
    std::u16string u = jet4::utf8_to_utf16(path);
    std::wstring w(u.begin(), u.end());
    HANDLE h = CreateFileW(w.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD put = 0;
    bool ok = WriteFile(h, bytes.data(), DWORD(bytes.size()), &put, nullptr) && put == bytes.size();
    ok = FlushFileBuffers(h) && ok;
    CloseHandle(h);
    return ok;
#else
    FILE* f = std::fopen(path.c_str(), "wbx");
    if (!f) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
#endif
}

int run(const std::vector<std::string>& a) {
    if (a.size() < 2) return usage();
    const std::string& cmd = a[0];
    using Mode = jet4::Database::Mode;
    if (cmd == "tables" && a.size() == 2) {
        auto db = open_db(a[1], Mode::ReadOnly);
        for (auto& t : db->tables(false)) out(jet4::utf16_to_utf8(t.name) + "\n");
        return 0;
    }
    if (cmd == "export" && (a.size() == 3 || (a.size() == 4 && a[1] == "--json"))) {
        bool json = a.size() == 4;
        auto db = open_db(a[a.size() - 2], Mode::ReadOnly);
        std::u16string t = jet4::utf8_to_utf16(a.back());
        print_rows(db->columns(t), db->rows(t), json);
        return 0;
    }
    if (cmd == "exec" && a.size() == 3) {
        auto db = open_db(a[1], Mode::ReadWrite);
        auto r = jet4::execute(*db, jet4::utf8_to_utf16(a[2]));
        if (r.is_select) print_rows(r.columns, r.rows, false);
        else out(std::to_string(r.changed) + "\n");
        return 0;
    }
    if (cmd == "check" && a.size() == 2) {
        auto db = open_db(a[1], Mode::ReadOnly);
        auto problems = db->check();
        if (problems.empty()) { out("ok\n"); return 0; }
        for (auto& p : problems) out(p + "\n");
        return 1;
    }
    if (cmd == "create" && a.size() == 2) {
        if (!write_new_file(a[1], jet4::create_rule_database_template())) {
            std::fprintf(stderr, "qvkdb: cannot create %s (does it exist already?)\n", a[1].c_str());
            return 1;
        }
        return 0;
    }
    return usage();
}

int main_utf8(const std::vector<std::string>& args) {
    try {
        return run(args);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "qvkdb: %s\n", e.what());
        return 1;
    }
}

}  // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        std::wstring w(argv[i]);
        args.push_back(jet4::utf16_to_utf8(std::u16string(w.begin(), w.end())));
    }
    return main_utf8(args);
}
#else
int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return main_utf8(args);
}
#endif
