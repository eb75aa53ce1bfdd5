// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/TextMatch.h"

#include <QChar>

#include <sqlite3.h>

#include <cstring>
#include <string>
#include <vector>

namespace store {

namespace {

// Next code point of UTF-8 text at s[i], i advanced past it. A broken
// sequence yields its first byte as it stands, so nothing is ever skipped.
char32_t nextCodePoint(const unsigned char *s, int n, int &i)
{
    const unsigned char c = s[i];
    int len = 1;
    char32_t cp = c;
    if (c >= 0xC0 && c < 0xE0) {
        len = 2;
        cp = c & 0x1F;
    } else if (c >= 0xE0 && c < 0xF0) {
        len = 3;
        cp = c & 0x0F;
    } else if (c >= 0xF0 && c < 0xF8) {
        len = 4;
        cp = c & 0x07;
    }
    if (len == 1 || i + len > n) {
        ++i;
        return c;
    }
    for (int k = 1; k < len; ++k) {
        if ((s[i + k] & 0xC0) != 0x80) {
            ++i;
            return c;
        }
        cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    i += len;
    return cp;
}

inline char32_t fold(char32_t cp)
{
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    return QChar::toCaseFolded(cp);
}

std::u32string foldedCodePoints(const unsigned char *s, int n)
{
    std::u32string out;
    out.reserve(size_t(n));
    for (int i = 0; i < n;)
        out.push_back(fold(nextCodePoint(s, n, i)));
    return out;
}

// Does the line, from byte i on, begin with the folded needle?
bool startsAt(const unsigned char *s, int n, int i, const std::u32string &needle)
{
    for (const char32_t want : needle) {
        if (i >= n)
            return false;
        if (fold(nextCodePoint(s, n, i)) != want)
            return false;
    }
    return true;
}

bool hasWordStartFolded(const unsigned char *s, int n, const std::u32string &needle)
{
    for (int i = 0; i < n; ++i) {
        const void *blank = std::memchr(s + i, ' ', size_t(n - i));
        if (!blank)
            return false;
        i = int(static_cast<const unsigned char *>(blank) - s);
        if (startsAt(s, n, i + 1, needle))
            return true;
    }
    return false;
}

void destroyNeedle(void *p)
{
    delete static_cast<std::u32string *>(p);
}

void appendValue(std::string &line, sqlite3_value *v)
{
    if (sqlite3_value_type(v) == SQLITE_NULL)
        return;
    const auto *text = sqlite3_value_text(v);
    line.append(reinterpret_cast<const char *>(text), size_t(sqlite3_value_bytes(v)));
}

// The needle is the same for every row of one statement: folded once.
const std::u32string *needleOf(sqlite3_context *ctx, sqlite3_value *value)
{
    auto *needle = static_cast<std::u32string *>(sqlite3_get_auxdata(ctx, 0));
    if (!needle) {
        const auto *t = sqlite3_value_text(value);
        sqlite3_set_auxdata(ctx, 0, new std::u32string(foldedCodePoints(t, sqlite3_value_bytes(value))),
                            destroyNeedle);
        needle = static_cast<std::u32string *>(sqlite3_get_auxdata(ctx, 0));
        if (!needle)
            sqlite3_result_error_nomem(ctx);
    }
    return needle;
}

void wordStart(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    const std::u32string *needle = argc == 4 ? needleOf(ctx, argv[0]) : nullptr;
    if (!needle)
        return;
    thread_local std::string line;
    line.assign(1, ' ');
    appendValue(line, argv[1]);
    line.append(" - ");
    appendValue(line, argv[2]);
    line.append(" - ");
    appendValue(line, argv[3]);
    const auto *s = reinterpret_cast<const unsigned char *>(line.data());
    sqlite3_result_int(ctx, hasWordStartFolded(s, int(line.size()), *needle) ? 1 : 0);
}

void lineStart(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    const std::u32string *needle = argc == 3 ? needleOf(ctx, argv[0]) : nullptr;
    if (!needle)
        return;
    thread_local std::string line;
    line.clear();
    appendValue(line, argv[1]);
    line.append(" - ");
    appendValue(line, argv[2]);
    const auto *s = reinterpret_cast<const unsigned char *>(line.data());
    sqlite3_result_int(ctx, startsAt(s, int(line.size()), 0, *needle) ? 1 : 0);
}

} // namespace

bool hasWordStart(const char *line, int n, const char *needle, int nn)
{
    const auto *s = reinterpret_cast<const unsigned char *>(line);
    return hasWordStartFolded(s, n, foldedCodePoints(reinterpret_cast<const unsigned char *>(needle), nn));
}

void registerTextFunctions(sqlite3 *db)
{
    sqlite3_create_function_v2(db, kWordStartFunction, 4, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &wordStart,
                               nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(db, kLineStartFunction, 3, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, &lineStart,
                               nullptr, nullptr, nullptr);
}

} // namespace store
