// libFuzzer target: open a mutated image, list and scan every table, run the
// checker.  Any crash, hang or sanitizer report is a bug; Error is fine.
#include "jet/jet4.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 22)) return 0;
    try {
        auto db = jet4::Database::from_bytes(std::vector<uint8_t>(data, data + size));
        for (auto& t : db->tables(true)) {
            try {
                auto cols = db->columns(t.name);
                for (auto& r : db->rows(t.name)) (void)jet4::row_to_json(cols, r);
            } catch (const jet4::Error&) {
            }
        }
        (void)db->check();
    } catch (const jet4::Error&) {
    }
    return 0;
}
