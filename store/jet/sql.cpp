// The statement layer: the few SQL shapes the program builds, parsed
// strictly.  Values are only ever single-quoted literals ('' is one quote),
// so nothing inside a value can be taken for part of the statement.
#include "internal.h"

namespace jet4 {

namespace {

bool space(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == 0x3000; }
bool punct(char16_t c) { return c == u'(' || c == u')' || c == u',' || c == u'=' || c == u'\'' || c == u'*' || c == u';' || c == u'[' || c == u']'; }

[[noreturn]] void syntax(const std::string& what) { throw Error(Error::Code::Syntax, "statement not understood: " + what); }

struct Parser {
    const std::u16string& s;
    size_t i = 0;

    void ws() { while (i < s.size() && space(s[i])) ++i; }
    bool at_end() { ws(); return i == s.size(); }
    bool peek(char16_t c) { ws(); return i < s.size() && s[i] == c; }
    void expect(char16_t c) {
        ws();
        if (i >= s.size() || s[i] != c) syntax(std::string("expected '") + char(c) + "'");
        ++i;
    }
    // A bare word (table, column, keyword) or a [bracketed] name.
    std::u16string word() {
        ws();
        if (i < s.size() && s[i] == u'[') {
            size_t j = s.find(u']', i + 1);
            if (j == std::u16string::npos || j == i + 1) syntax("unclosed or empty [name]");
            std::u16string w = s.substr(i + 1, j - i - 1);
            i = j + 1;
            return w;
        }
        size_t st = i;
        while (i < s.size() && !space(s[i]) && !punct(s[i])) ++i;
        if (st == i) syntax("expected a name");
        return s.substr(st, i - st);
    }
    void keyword(const char16_t* kw) {
        std::u16string w = word();
        if (!same_name(w, kw)) syntax("expected " + narrow(kw));
    }
    std::u16string literal() {
        expect(u'\'');
        std::u16string v;
        for (;;) {
            if (i >= s.size()) syntax("unterminated text value");
            char16_t c = s[i++];
            if (c == u'\'') {
                if (i < s.size() && s[i] == u'\'') { v.push_back(u'\''); ++i; continue; }
                return v;
            }
            v.push_back(c);
        }
    }
    int64_t integer() {
        ws();
        bool neg = false;
        if (i < s.size() && (s[i] == u'-' || s[i] == u'+')) { neg = s[i] == u'-'; ++i; }
        size_t st = i;
        int64_t v = 0;
        while (i < s.size() && s[i] >= u'0' && s[i] <= u'9') {
            if (v > (INT64_MAX - 9) / 10) syntax("number too large");
            v = v * 10 + (s[i] - u'0');
            ++i;
        }
        if (st == i) syntax("expected a number after '='");
        if (i < s.size() && !space(s[i]) && s[i] != u';') syntax("expected a number after '='");
        return neg ? -v : v;
    }
    void finish() {
        ws();
        if (i < s.size() && s[i] == u';') ++i;
        if (!at_end()) syntax("unexpected text after the statement");
    }
};

}  // namespace

Result execute(Database& db, const std::u16string& text) {
    Parser p{text};
    std::u16string verb = p.word();
    Result r;
    if (same_name(verb, u"select")) {
        p.expect(u'*');
        p.keyword(u"from");
        std::u16string t = p.word();
        p.finish();
        r.is_select = true;
        r.columns = db.columns(t);
        r.rows = db.rows(t);
        return r;
    }
    if (same_name(verb, u"insert")) {
        p.keyword(u"into");
        std::u16string t = p.word();
        p.expect(u'(');
        std::vector<std::u16string> cols;
        do { cols.push_back(p.word()); } while (p.peek(u',') && (p.expect(u','), true));
        p.expect(u')');
        p.keyword(u"values");
        p.expect(u'(');
        std::vector<std::pair<std::u16string, Value>> vals;
        for (size_t k = 0; k < cols.size(); ++k) {
            if (k) p.expect(u',');
            vals.push_back({cols[k], Value::of_text(p.literal())});
        }
        p.expect(u')');
        p.finish();
        r.changed = uint32_t(db.insert(t, vals));
        return r;
    }
    if (same_name(verb, u"update")) {
        std::u16string t = p.word();
        p.keyword(u"set");
        std::vector<std::pair<std::u16string, Value>> vals;
        do {
            std::u16string c = p.word();
            p.expect(u'=');
            vals.push_back({c, Value::of_text(p.literal())});
        } while (p.peek(u',') && (p.expect(u','), true));
        p.keyword(u"where");
        std::u16string key = p.word();
        p.expect(u'=');
        int64_t id = p.integer();
        p.finish();
        r.changed = db.update(t, key, id, vals);
        return r;
    }
    if (same_name(verb, u"delete")) {
        p.keyword(u"from");
        std::u16string t = p.word();
        p.keyword(u"where");
        std::u16string key = p.word();
        p.expect(u'=');
        int64_t id = p.integer();
        p.finish();
        r.changed = db.remove(t, key, id);
        return r;
    }
    syntax("only insert, update, delete and select * are run");
}

}  // namespace jet4
