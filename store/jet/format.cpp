// Text conversions and the printed forms of values.
#include "internal.h"

#include <cmath>
#include <cstdio>

namespace jet4 {

std::u16string utf8_to_utf16(const std::string& s) {
    std::u16string out;
    size_t i = 0, n = s.size();
    auto cont = [&](size_t k) { return k < n && (uint8_t(s[k]) & 0xC0) == 0x80; };
    while (i < n) {
        uint8_t c = uint8_t(s[i]);
        uint32_t cp;
        size_t len;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0 && cont(i + 1)) { cp = ((c & 0x1Fu) << 6) | (uint8_t(s[i + 1]) & 0x3F); len = 2; if (cp < 0x80) cp = 0xFFFD; }
        else if ((c & 0xF0) == 0xE0 && cont(i + 1) && cont(i + 2)) {
            cp = ((c & 0x0Fu) << 12) | ((uint8_t(s[i + 1]) & 0x3Fu) << 6) | (uint8_t(s[i + 2]) & 0x3F); len = 3;
            if (cp < 0x800 || (cp >= 0xD800 && cp < 0xE000)) cp = 0xFFFD;
        } else if ((c & 0xF8) == 0xF0 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
            cp = ((c & 0x07u) << 18) | ((uint8_t(s[i + 1]) & 0x3Fu) << 12) | ((uint8_t(s[i + 2]) & 0x3Fu) << 6) | (uint8_t(s[i + 3]) & 0x3F);
            len = 4;
            if (cp < 0x10000 || cp > 0x10FFFF) cp = 0xFFFD;
        } else { cp = 0xFFFD; len = 1; }
        i += len;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(char16_t(0xD800 + (cp >> 10)));
            out.push_back(char16_t(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(char16_t(cp));
        }
    }
    return out;
}

std::string utf16_to_utf8(const std::u16string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp < 0xE000) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) out.push_back(char(cp));
        else if (cp < 0x800) { out.push_back(char(0xC0 | (cp >> 6))); out.push_back(char(0x80 | (cp & 0x3F))); }
        else if (cp < 0x10000) {
            out.push_back(char(0xE0 | (cp >> 12))); out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(char(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(char(0xF0 | (cp >> 18))); out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(char(0x80 | ((cp >> 6) & 0x3F))); out.push_back(char(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

namespace {

struct Civil { int64_t y; unsigned m, d, hh, mm, ss; };

// Dates count days from 1899-12-30; the fraction's magnitude is the time of day.
Civil civil(double v) {
    double day = std::trunc(v);
    int64_t secs = int64_t(std::fabs(v - day) * 86400.0 + 0.5);
    int64_t z = int64_t(day) - 25569 + 719468;  // days since 0000-03-01
    if (secs >= 86400) { secs -= 86400; z += 1; }
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    unsigned d = unsigned(doy - (153 * mp + 2) / 5 + 1);
    unsigned m = unsigned(mp < 10 ? mp + 3 : mp - 9);
    int64_t y = yoe + era * 400 + (m <= 2);
    return {y, m, d, unsigned(secs / 3600), unsigned(secs / 60 % 60), unsigned(secs % 60)};
}

std::string base64(const std::vector<uint8_t>& b) {
    static const char* tab = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < b.size(); i += 3) {
        uint32_t v = uint32_t(b[i]) << 16;
        if (i + 1 < b.size()) v |= uint32_t(b[i + 1]) << 8;
        if (i + 2 < b.size()) v |= b[i + 2];
        out.push_back(tab[(v >> 18) & 63]);
        out.push_back(tab[(v >> 12) & 63]);
        out.push_back(i + 1 < b.size() ? tab[(v >> 6) & 63] : '=');
        out.push_back(i + 2 < b.size() ? tab[v & 63] : '=');
    }
    return out;
}

std::string guid_text(const std::vector<uint8_t>& b) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  unsigned(rd32(b.data())), unsigned(rd16(b.data() + 4)), unsigned(rd16(b.data() + 6)),
                  b[8], b[9], b[10], b[11], b[12], b[13], b[14], b[15]);
    return buf;
}

std::string currency_text(int64_t v) {
    char buf[48];
    uint64_t mag = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
    std::snprintf(buf, sizeof buf, "%s%llu.%04llu", v < 0 ? "-" : "", (unsigned long long)(mag / 10000),
                  (unsigned long long)(mag % 10000));
    return buf;
}

std::string json_string(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) { char b[8]; std::snprintf(b, sizeof b, "\\u%04x", c); out += b; }
            else out.push_back(char(c));
        }
    }
    return out + "\"";
}

std::string number_text(double d, int digits) {
    if (!std::isfinite(d)) return "null";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*g", digits, d);
    return buf;
}

}  // namespace

std::string date_text(double v, bool mdb_style) {
    // A damaged value can hold any double; beyond a few million years the day count no longer
    // fits the calendar arithmetic, so such a value is shown as the bare number.
    if (!std::isfinite(v) || std::fabs(v) > 1e9) return number_text(v, 17);
    Civil c = civil(v);
    char buf[64];
    if (mdb_style)
        std::snprintf(buf, sizeof buf, "%02u/%02u/%02u %02u:%02u:%02u", c.m, c.d, unsigned(((c.y % 100) + 100) % 100), c.hh, c.mm, c.ss);
    else
        std::snprintf(buf, sizeof buf, "%04lld-%02u-%02u %02u:%02u:%02u", (long long)c.y, c.m, c.d, c.hh, c.mm, c.ss);
    return buf;
}

std::string value_to_text(const Value& v) {
    switch (v.kind) {
    case Value::Kind::Null: return "";
    case Value::Kind::Bool: return v.i ? "True" : "False";
    case Value::Kind::Int: return std::to_string(v.i);
    case Value::Kind::Single: return number_text(v.d, 9);
    case Value::Kind::Double: return number_text(v.d, 17);
    case Value::Kind::Currency: return currency_text(v.i);
    case Value::Kind::DateTime: return date_text(v.d, false);
    case Value::Kind::Text: case Value::Kind::Numeric: return utf16_to_utf8(v.text);
    case Value::Kind::Binary: {
        std::string s;
        char b[3];
        for (uint8_t x : v.bytes) { std::snprintf(b, sizeof b, "%02x", x); s += b; }
        return s;
    }
    case Value::Kind::Guid: return guid_text(v.bytes);
    }
    return "";
}

std::string row_to_json(const std::vector<Column>& cols, const Row& row) {
    std::string out = "{";
    bool first = true;
    for (size_t i = 0; i < cols.size() && i < row.size(); ++i) {
        const Value& v = row[i];
        if (v.is_null()) continue;
        if (type_name(cols[i].type)[0] == '?') continue;  // mdb-json leaves out types it does not know
        if (!first) out += ",";
        first = false;
        out += json_string(utf16_to_utf8(cols[i].name)) + ":";
        switch (v.kind) {
        case Value::Kind::Bool: out += v.i ? "1" : "0"; break;
        case Value::Kind::Int: out += std::to_string(v.i); break;
        case Value::Kind::Single: out += number_text(v.d, 9); break;
        case Value::Kind::Double: out += number_text(v.d, 17); break;
        case Value::Kind::Currency: out += currency_text(v.i); break;
        case Value::Kind::Numeric: out += utf16_to_utf8(v.text); break;
        case Value::Kind::DateTime: out += json_string(date_text(v.d, true)); break;
        case Value::Kind::Text: out += json_string(utf16_to_utf8(v.text)); break;
        case Value::Kind::Guid: {
            // mdb-json prints a GUID as binary data holding its text form.
            std::string g = guid_text(v.bytes);
            g.erase(24, 1);  // and without the last dash
            out += "{\"$binary\": \"" + base64(std::vector<uint8_t>(g.begin(), g.end())) + "\", \"$type\": \"00\"}";
            break;
        }
        case Value::Kind::Binary: out += "{\"$binary\": \"" + base64(v.bytes) + "\", \"$type\": \"00\"}"; break;
        case Value::Kind::Null: break;
        }
    }
    return out + "}";
}

}  // namespace jet4
