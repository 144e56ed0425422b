// The file layer: locking, whole-file reads, and commits through a rollback
// journal so that every statement reaches the file whole or not at all.
//
// Commit order: (1) write the old contents of every page about to change,
// plus the old page count, to "<file>-journal" and flush it; (2) write the
// new pages in place, set the length, flush; (3) delete the journal.  A
// crash before (1) is complete leaves the file untouched and a journal that
// fails its checksum; a crash after it leaves a complete journal, and the
// next open puts the old pages back.
#include "internal.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#else
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace jet4 {

namespace {

int g_fault_at = 0;   // 1-based operation that "dies"; 0 = never
int g_ops = 0;
bool g_flush = true;

// Every step of a commit that touches the disk goes through here, so a test
// can stop the sequence at any step.
void step() {
    ++g_ops;
    if (g_fault_at && g_ops == g_fault_at)
        throw Error(Error::Code::Injected, "simulated crash at file operation " + std::to_string(g_ops));
}

[[noreturn]] void io_error(const std::string& what) { throw Error(Error::Code::Io, what); }

}  // namespace

namespace testing {
void set_fault_point(int n) { g_fault_at = n; g_ops = 0; }
void set_flush(bool on) { g_flush = on; }
int file_operations() { return g_ops; }
}  // namespace testing

struct OsFile {
#ifdef _WIN32
    HANDLE h = INVALID_HANDLE_VALUE;
    ~OsFile() { if (h != INVALID_HANDLE_VALUE) CloseHandle(h); }
#else
    int fd = -1;
    ~OsFile() { if (fd >= 0) ::close(fd); }
#endif
    std::string name;  // for messages

    uint64_t size() const {
#ifdef _WIN32
        LARGE_INTEGER li;
        if (!GetFileSizeEx(h, &li)) io_error("cannot read the size of " + name);
        return uint64_t(li.QuadPart);
#else
        struct stat st;
        if (fstat(fd, &st) != 0) io_error("cannot read the size of " + name);
        return uint64_t(st.st_size);
#endif
    }
    void read(uint64_t off, uint8_t* buf, size_t n) const {
        while (n) {
#ifdef _WIN32
            OVERLAPPED ov{};
            ov.Offset = DWORD(off);
            ov.OffsetHigh = DWORD(off >> 32);
            DWORD got = 0;
            DWORD want = n > (1u << 30) ? (1u << 30) : DWORD(n);
            if (!ReadFile(h, buf, want, &got, &ov) || got == 0) io_error("cannot read " + name);
#else
            ssize_t got = ::pread(fd, buf, n, off_t(off));
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) io_error("cannot read " + name);
#endif
            buf += got; off += uint64_t(got); n -= size_t(got);
        }
    }
    void write(uint64_t off, const uint8_t* buf, size_t n) {
        while (n) {
#ifdef _WIN32
            OVERLAPPED ov{};
            ov.Offset = DWORD(off);
            ov.OffsetHigh = DWORD(off >> 32);
            DWORD put = 0;
            DWORD want = n > (1u << 30) ? (1u << 30) : DWORD(n);
            if (!WriteFile(h, buf, want, &put, &ov) || put == 0) io_error("cannot write " + name);
#else
            ssize_t put = ::pwrite(fd, buf, n, off_t(off));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) io_error("cannot write " + name);
#endif
            buf += put; off += uint64_t(put); n -= size_t(put);
        }
    }
    void sync() {
        if (!g_flush) return;
#ifdef _WIN32
        if (!FlushFileBuffers(h)) io_error("cannot flush " + name);
#else
        if (::fsync(fd) != 0) io_error("cannot flush " + name);
#endif
    }
    void resize(uint64_t n) {
#ifdef _WIN32
        LARGE_INTEGER li;
        li.QuadPart = LONGLONG(n);
        if (!SetFilePointerEx(h, li, nullptr, FILE_BEGIN) || !SetEndOfFile(h)) io_error("cannot resize " + name);
#else
        if (::ftruncate(fd, off_t(n)) != 0) io_error("cannot resize " + name);
#endif
    }
};

namespace {

#ifdef _WIN32
std::wstring wide(const Database::Impl& d, const wchar_t* suffix = L"") {
    std::wstring w;
    if (!d.wpath.empty()) w = d.wpath;
    else { auto u = utf8_to_utf16(d.path); w.assign(u.begin(), u.end()); }
    return w + suffix;
}
#endif

std::string journal_name(const Database::Impl& d) { return d.path + "-journal"; }

// Opens the journal if one exists (nullptr if none).
std::unique_ptr<OsFile> open_journal(const Database::Impl& d, bool create) {
    auto f = std::make_unique<OsFile>();
    f->name = journal_name(d);
#ifdef _WIN32
    f->h = CreateFileW(wide(d, L"-journal").c_str(), GENERIC_READ | (create ? GENERIC_WRITE : 0), FILE_SHARE_READ, nullptr,
                       create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f->h == INVALID_HANDLE_VALUE) {
        if (!create) return nullptr;
        io_error("cannot create " + f->name);
    }
#else
    f->fd = ::open(f->name.c_str(), create ? (O_RDWR | O_CREAT | O_TRUNC) : O_RDONLY, 0644);
    if (f->fd < 0) {
        if (!create) return nullptr;
        io_error("cannot create " + f->name);
    }
#endif
    return f;
}

void remove_journal(const Database::Impl& d) {
#ifdef _WIN32
    if (!DeleteFileW(wide(d, L"-journal").c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        io_error("cannot remove " + journal_name(d));
#else
    if (::unlink(journal_name(d).c_str()) != 0 && errno != ENOENT) io_error("cannot remove " + journal_name(d));
#endif
}

void sync_dir(const Database::Impl& d) {
#ifndef _WIN32
    std::string dir = d.path;
    auto slash = dir.find_last_of('/');
    dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : dir.substr(0, slash));
    int fd = g_flush ? ::open(dir.c_str(), O_RDONLY) : -1;
    if (fd >= 0) { ::fsync(fd); ::close(fd); }
#else
    (void)d;
#endif
}

constexpr char kMagic[8] = {'Q', 'V', 'K', 'J', 'E', 'T', '4', 'J'};

uint64_t fnv(const uint8_t* p, size_t n, uint64_t h = 1469598103934665603ull) {
    for (size_t i = 0; i < n; ++i) { h ^= p[i]; h *= 1099511628211ull; }
    return h;
}

struct Journal {
    uint32_t old_pages = 0;
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> records;
};

// A journal is valid only if complete: header, every record, checksum.
std::optional<Journal> parse_journal(const std::vector<uint8_t>& b) {
    if (b.size() < 24 || std::memcmp(b.data(), kMagic, 8) != 0) return std::nullopt;
    uint32_t n = rd32(b.data() + 12);
    size_t need = 16 + size_t(n) * (4 + kPage) + 8;
    if (n > (1u << 20) || b.size() != need) return std::nullopt;
    if (fnv(b.data(), need - 8) != rd64(b.data() + need - 8)) return std::nullopt;
    Journal j;
    j.old_pages = rd32(b.data() + 8);
    const uint8_t* p = b.data() + 16;
    for (uint32_t i = 0; i < n; ++i, p += 4 + kPage) j.records.push_back({rd32(p), std::vector<uint8_t>(p + 4, p + 4 + kPage)});
    return j;
}

std::vector<uint8_t> read_whole(const OsFile& f) {
    uint64_t n = f.size();
    if (n > (uint64_t(1) << 31)) io_error(f.name + " is too large");
    std::vector<uint8_t> b(static_cast<size_t>(n));
    if (n) f.read(0, b.data(), size_t(n));
    return b;
}

}  // namespace

void platform_open(Database::Impl& d, Database::Mode mode) {
    bool rw = mode == Database::Mode::ReadWrite;
    auto f = std::make_shared<OsFile>();
    f->name = d.path;
#ifdef _WIN32
    // Writers share reading only: an open by a program that may write (Access,
    // another qvkdb) fails here instead of racing with our commits.
    f->h = CreateFileW(wide(d).c_str(), GENERIC_READ | (rw ? GENERIC_WRITE : 0),
                       rw ? FILE_SHARE_READ : (FILE_SHARE_READ | FILE_SHARE_WRITE), nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f->h == INVALID_HANDLE_VALUE) {
        DWORD e = GetLastError();
        if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION)
            throw Error(Error::Code::Locked, d.path + " is open in another program");
        io_error("cannot open " + d.path);
    }
#else
    f->fd = ::open(d.path.c_str(), rw ? O_RDWR : O_RDONLY);
    if (f->fd < 0) io_error("cannot open " + d.path);
    if (rw && ::flock(f->fd, LOCK_EX | LOCK_NB) != 0) {
        if (errno == EWOULDBLOCK) throw Error(Error::Code::Locked, d.path + " is open in another program");
        io_error("cannot lock " + d.path);
    }
#endif
    d.file = f;
    d.writable = rw;
}

void platform_close(Database::Impl& d) { d.file.reset(); }

std::vector<uint8_t> platform_read_all(Database::Impl& d) {
    auto img = read_whole(*d.file);
    if (!d.writable) apply_journal_in_memory(d, img);
    return img;
}

void apply_journal_in_memory(Database::Impl& d, std::vector<uint8_t>& img) {
    if (d.path.empty()) return;
    auto jf = open_journal(d, false);
    if (!jf) return;
    auto j = parse_journal(read_whole(*jf));
    if (!j) return;
    img.resize(size_t(j->old_pages) * kPage);
    for (auto& [pn, bytes] : j->records)
        if (pn < j->old_pages) std::memcpy(img.data() + size_t(pn) * kPage, bytes.data(), kPage);
}

void recover_journal(Database::Impl& d) {
    auto jf = open_journal(d, false);
    if (!jf) return;
    auto j = parse_journal(read_whole(*jf));
    jf.reset();
    if (j) {
        // The commit had started on the file: put every old page back.
        for (auto& [pn, bytes] : j->records)
            if (pn < j->old_pages) d.file->write(uint64_t(pn) * kPage, bytes.data(), kPage);
        d.file->resize(uint64_t(j->old_pages) * kPage);
        d.file->sync();
    }
    // An incomplete journal means the file was never touched.
    remove_journal(d);
    sync_dir(d);
}

// ---- transactions ----

uint8_t* Database::Impl::wpage(uint32_t n) {
    if (!in_tx) throw std::logic_error("page written outside a statement");
    if (n >= pages.size()) corrupt("write past the end of the file");
    if (n < pages_before && !before.count(n)) before.emplace(n, pages[n]);
    image_dirty = true;
    return pages[n].data();
}

uint32_t Database::Impl::append_page() {
    if (pages.size() >= (1u << 24) - 1) unsupported("the file cannot grow further");
    pages.emplace_back();
    pages.back().fill(0);
    image_dirty = true;
    return uint32_t(pages.size() - 1);
}

void Database::Impl::begin() {
    if (broken) throw Error(Error::Code::Io, "an earlier write was interrupted; reopen the database");
    if (!writable) throw Error(Error::Code::Io, "the database is open read-only");
    before.clear();
    pages_before = page_count();
    in_tx = true;
}

void Database::Impl::rollback() {
    for (auto& [n, data] : before) pages[n] = data;
    pages.resize(pages_before);
    before.clear();
    in_tx = false;
    image_dirty = true;
    read_catalog();
}

void Database::Impl::commit() {
    in_tx = false;
    std::vector<uint32_t> changed;
    for (auto& [n, old] : before)
        if (std::memcmp(old.data(), pages[n].data(), kPage) != 0) changed.push_back(n);
    for (uint32_t n = pages_before; n < page_count(); ++n) changed.push_back(n);
    if (changed.empty()) { before.clear(); return; }

    std::vector<uint8_t> jb(16);
    std::memcpy(jb.data(), kMagic, 8);
    wr32(jb.data() + 8, pages_before);
    uint32_t nrec = 0;
    for (auto& [n, old] : before) {
        if (std::memcmp(old.data(), pages[n].data(), kPage) == 0) continue;
        size_t at = jb.size();
        jb.resize(at + 4 + kPage);
        wr32(jb.data() + at, n);
        std::memcpy(jb.data() + at + 4, old.data(), kPage);
        ++nrec;
    }
    wr32(jb.data() + 12, nrec);
    jb.resize(jb.size() + 8);
    wr64(jb.data() + jb.size() - 8, fnv(jb.data(), jb.size() - 8));

    bool file_touched = false;
    try {
        {
            step();
            auto jf = open_journal(*this, true);
            size_t half = jb.size() / 2;
            jf->write(0, jb.data(), half);
            step();
            jf->write(half, jb.data() + half, jb.size() - half);
            step();
            jf->sync();
        }
        step();
        sync_dir(*this);
        file_touched = true;
        for (uint32_t n : changed) {
            step();
            file->write(uint64_t(n) * kPage, pages[n].data(), kPage);
        }
        if (page_count() < pages_before) { step(); file->resize(uint64_t(page_count()) * kPage); }
        step();
        file->sync();
        step();
        remove_journal(*this);
    } catch (const Error& e) {
        if (e.code == Error::Code::Injected) { broken = true; before.clear(); throw; }
        // A real failure: try to put the file back as it was now, so the
        // caller sees a refused statement and an unchanged file.
        try {
            if (file_touched) {
                for (auto& [n, old] : before) file->write(uint64_t(n) * kPage, old.data(), kPage);
                file->resize(uint64_t(pages_before) * kPage);
                file->sync();
            }
            remove_journal(*this);
        } catch (...) {
            broken = true;
        }
        in_tx = true;
        rollback();
        throw;
    }
    before.clear();
}

}  // namespace jet4
