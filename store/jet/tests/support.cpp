#include "support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace jt {

std::string fixtures() { return JET4_FIXTURES; }

bool have_fixtures() {
    struct stat st;
    return stat((fixtures() + "/adox_jet4.mdb").c_str(), &st) == 0;
}

std::vector<std::string> fixture_files() {
    std::vector<std::string> out;
    for (const char* f : {"adox_jet4.mdb", "bigIndexTestV2000.mdb", "bigIndexTestV2003.mdb", "delTestV2000.mdb",
                          "delTestV2003.mdb", "empty2003.mdb", "emptyJet4.mdb", "indexTestV2003.mdb",
                          "testUnicodeCompV2003.mdb", "testV2000.mdb", "testV2003.mdb"})
        out.push_back(fixtures() + "/" + f);
    return out;
}

static std::string scratch_dir() {
    static std::string dir = [] {
        const char* base = std::getenv("TMPDIR");
        std::string tmpl = std::string(base && *base ? base : "/tmp") + "/jet4-test-XXXXXX";
        std::vector<char> buf(tmpl.begin(), tmpl.end());
        buf.push_back(0);
        if (!mkdtemp(buf.data())) std::abort();
        return std::string(buf.data());
    }();
    return dir;
}

std::string scratch(const std::string& name) {
    std::string p = scratch_dir() + "/" + name;
    std::remove(p.c_str());
    std::remove((p + "-journal").c_str());
    return p;
}

void write_file(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> read_file(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::string copy_to_scratch(const std::string& from, const std::string& name) {
    std::string to = scratch(name);
    write_file(to, read_file(from));
    chmod(to.c_str(), 0644);
    return to;
}

static std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string run(const std::string& cmd, int* rc) {
    FILE* p = popen(cmd.c_str(), "r");
    std::string out;
    char buf[4096];
    size_t n;
    while (p && (n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int st = p ? pclose(p) : -1;
    if (rc) *rc = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return out;
}

bool have_tool(const std::string& name) {
    int rc;
    run("command -v " + name + " >/dev/null 2>&1", &rc);
    return rc == 0;
}

bool have_mdb_reader() {
    struct stat st;
    return have_tool("node") && stat((std::string(JET4_NPM) + "/node_modules/mdb-reader").c_str(), &st) == 0;
}

static std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string l;
    while (std::getline(in, l))
        if (!l.empty()) out.push_back(l);
    return out;
}

static std::string rows_script() { return quote(std::string(JET4_NPM) + "/rows.mjs"); }

std::vector<std::string> rows_mdb_json(const std::string& file, const std::string& table) {
    return lines(run("node " + rows_script() + " mdb-json " + quote(file) + " " + quote(table) + " 2>/dev/null"));
}
std::vector<std::string> rows_mdb_reader(const std::string& file, const std::string& table) {
    return lines(run("node " + rows_script() + " mdb-reader " + quote(file) + " " + quote(table) + " 2>/dev/null"));
}
std::vector<std::string> rows_ours_json(const std::string& file, const std::string& table) {
    return lines(run("node " + rows_script() + " qvkdb " + quote(JET4_QVKDB) + " " + quote(file) + " " + quote(table) + " 2>/dev/null"));
}

std::string u8(const std::u16string& s) { return jet4::utf16_to_utf8(s); }
std::u16string u16(const std::string& s) { return jet4::utf8_to_utf16(s); }

}  // namespace jt

namespace jt {
TableRows all_rows(const std::string& mode, const std::string& file, const std::vector<std::string>& tables) {
    std::string cmd = "node " + rows_script() + " " + mode + " ";
    if (mode == "qvkdb") cmd += quote(JET4_QVKDB) + " ";
    cmd += quote(file) + " #";
    cmd.pop_back();
    for (auto& t : tables) cmd += " " + quote(t);
    if (tables.size() < 2) cmd += " " + quote("#none#");  // keep the "#TABLE" framing
    TableRows out;
    std::string cur;
    for (auto& l : lines(run(cmd + " 2>/dev/null"))) {
        if (l.rfind("#TABLE ", 0) == 0) { cur = l.substr(7); out[cur]; continue; }
        out[cur].push_back(l);
    }
    out.erase("#none#");
    return out;
}
}  // namespace jt
