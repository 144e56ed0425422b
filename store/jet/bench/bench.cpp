// Prints timings; never fails on speed.  Open and load a 10,000-row rule
// table, and one insert, update and delete on 10,000 rows against 10 rows:
// with the key index used, the ratios stay near 1.
#include "jet/jet4.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

std::string temp_path(const char* name) {
    const char* base = std::getenv("TMPDIR");
    return std::string(base && *base ? base : "/tmp") + "/jet4-bench-" + std::to_string(::getpid()) + "-" + name;
}

std::string make(const char* name, int rows) {
    std::string p = temp_path(name);
    auto img = jet4::create_rule_database_template();
    std::ofstream(p, std::ios::binary).write(reinterpret_cast<const char*>(img.data()), std::streamsize(img.size()));
    jet4::testing::set_flush(false);
    auto db = jet4::Database::open(p, jet4::Database::Mode::ReadWrite);
    for (int i = 0; i < rows; ++i)
        jet4::execute(*db, u"insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values "
                           u"('某个窗口标题','Chrome_WidgetWin_1','800 x 600','关闭','C:\\Program Files\\App\\app.exe')");
    jet4::testing::set_flush(true);
    return p;
}

template <class F>
double ms(F&& f, int reps = 1) {
    auto t0 = Clock::now();
    for (int i = 0; i < reps; ++i) f();
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count() / reps;
}

struct Costs { double insert, update, remove; int missed; };

// Every statement must change one row, or the figure is that of a no-op:
// each pass updates its own id and deletes ids no earlier pass deleted (on
// the 10-row table, the rows this pass inserted).
Costs statements(const std::string& p, int rows, int pass, bool flush) {
    jet4::testing::set_flush(flush);
    auto db = jet4::Database::open(p, jet4::Database::Mode::ReadWrite);
    const int reps = 20;
    Costs c{};
    auto run = [&](const std::u16string& s) { c.missed += jet4::execute(*db, s).changed == 1 ? 0 : 1; };
    c.insert = ms([&] {
        run(u"insert into 弹窗拦截(窗口标题,窗口类名,窗口大小,拦截方式,弹窗来源) values ('新','c','0 x 0','关闭','p')");
    }, reps);
    int id = rows / 2 + pass, round = 0;
    c.update = ms([&] {
        // A value that differs each time, so every update reaches the file.
        run(u"update 弹窗拦截 set 窗口标题='改" + jet4::utf8_to_utf16(std::to_string(++round)) +
            u"',窗口类名='c',窗口大小='1 x 1',拦截方式='隐藏',弹窗来源='q' where 编号序列=" + jet4::utf8_to_utf16(std::to_string(id)));
    }, reps);
    int next = (rows > 4 * reps ? rows / 3 : rows) + pass * reps;
    c.remove = ms([&] {
        run(u"delete from 弹窗拦截 where 编号序列=" + jet4::utf8_to_utf16(std::to_string(++next)));
    }, reps);
    jet4::testing::set_flush(true);
    return c;
}

}  // namespace

int main() {
    std::string big = make("big.mdb", 10000), small = make("small.mdb", 10);
    size_t n = 0;
    double load = ms([&] { n = jet4::Database::open(big)->rows(u"弹窗拦截").size(); }, 5);
    std::printf("open + load %zu rows: %.2f ms\n", n, load);
    for (int pass : {0, 1}) {
        bool flush = pass == 1;
        Costs b = statements(big, 10000, pass, flush), s = statements(small, 10, pass, flush);
        std::printf("%s:\n", flush ? "with flushes to disk" : "without flushes (engine cost)");
        if (b.missed || s.missed) std::printf("  (%d statements changed no row: figures are off)\n", b.missed + s.missed);
        std::printf("  insert  10000 rows %.3f ms, 10 rows %.3f ms, ratio %.2f\n", b.insert, s.insert, b.insert / s.insert);
        std::printf("  update  10000 rows %.3f ms, 10 rows %.3f ms, ratio %.2f\n", b.update, s.update, b.update / s.update);
        std::printf("  delete  10000 rows %.3f ms, 10 rows %.3f ms, ratio %.2f\n", b.remove, s.remove, b.remove / s.remove);
    }
    std::remove(big.c_str());
    std::remove(small.c_str());
    return 0;
}
