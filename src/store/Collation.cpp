// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/Collation.h"

#include <QCollator>
#include <QLocale>

#include <sqlite3.h>

#include <cstring>

namespace store {

namespace {

QCollator &collator()
{
    static QCollator c = [] {
        QCollator col(QLocale(QLocale::German, QLocale::Germany));
        col.setCaseSensitivity(Qt::CaseInsensitive);
        col.setNumericMode(false);
        col.setIgnorePunctuation(false);
        return col;
    }();
    return c;
}

// Words made only of ASCII letters, digits and blanks are by far the most
// common keys; for them the dictionary order equals a case-folded byte
// comparison, which costs no conversion and no ICU call.
bool plainAscii(const char *s, int n)
{
    for (int i = 0; i < n; ++i) {
        const unsigned char ch = static_cast<unsigned char>(s[i]);
        const bool ok = (ch >= 'a' && ch <= 'z') || (ch >= 'A' && ch <= 'Z') || (ch >= '0' && ch <= '9') || ch == ' ';
        if (!ok)
            return false;
    }
    return true;
}

inline unsigned char fold(unsigned char ch)
{
    return (ch >= 'A' && ch <= 'Z') ? static_cast<unsigned char>(ch + 32) : ch;
}

int foldedCompare(const char *a, int na, const char *b, int nb)
{
    const int n = na < nb ? na : nb;
    for (int i = 0; i < n; ++i) {
        const unsigned char x = fold(static_cast<unsigned char>(a[i]));
        const unsigned char y = fold(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y ? -1 : 1;
    }
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

// Most keys are words of Latin letters, some with umlauts or accents. In the
// dictionary order an accent or letter case only counts where the words are
// otherwise equal, so the first difference of base letters decides. This
// walk finds it without ICU; whatever it does not know (other scripts,
// punctuation, words equal in their base letters) goes to the full order.
//
// Base letters of U+00C0..U+00FF; 0 where the letter has no plain base in
// the German order (Æ, Ð, ×, Ø, Þ, æ, ð, ÷, ø, þ) and ß, which stands for "ss".
const char kLatin1Base[64] = {
    'a', 'a', 'a', 'a', 'a', 'a', 0, 'c', 'e', 'e', 'e', 'e', 'i', 'i', 'i', 'i', //
    0,   'n', 'o', 'o', 'o', 'o', 'o', 0, 0,   'u', 'u', 'u', 'u', 'y', 0,   0,   //
    'a', 'a', 'a', 'a', 'a', 'a', 0, 'c', 'e', 'e', 'e', 'e', 'i', 'i', 'i', 'i', //
    0,   'n', 'o', 'o', 'o', 'o', 'o', 0, 0,   'u', 'u', 'u', 'u', 'y', 0,   'y', //
};

// Reads the base letters of one character into out (one, or two for ß);
// returns the bytes it used, or 0 for a character the walk does not know.
int baseLetters(const unsigned char *s, int n, char out[2], int &count)
{
    const unsigned char c = s[0];
    if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == ' ') {
        out[0] = char(c);
        count = 1;
        return 1;
    }
    if (c >= 'A' && c <= 'Z') {
        out[0] = char(c + 32);
        count = 1;
        return 1;
    }
    if (c == 0xC3 && n >= 2 && s[1] >= 0x80 && s[1] <= 0xBF) {
        const unsigned cp = 0xC0 + (s[1] - 0x80);
        if (cp == 0xDF) { // ß
            out[0] = out[1] = 's';
            count = 2;
            return 2;
        }
        const char base = kLatin1Base[cp - 0xC0];
        if (!base)
            return 0;
        // A combining mark after the letter belongs to it: leave such text
        // to the full order.
        if (n >= 3 && (s[2] == 0xCC || s[2] == 0xCD))
            return 0;
        out[0] = base;
        count = 1;
        return 2;
    }
    return 0;
}

// -1 or 1 when the base letters decide, 0 when the full order must.
int baseLetterCompare(const char *a, int na, const char *b, int nb)
{
    const auto *pa = reinterpret_cast<const unsigned char *>(a);
    const auto *pb = reinterpret_cast<const unsigned char *>(b);
    int ia = 0, ib = 0;
    char qa[2], qb[2];
    int ca = 0, cb = 0, ka = 0, kb = 0; // letters pending and their index
    while (true) {
        if (ka == ca) {
            if (ia >= na) {
                ca = 0;
            } else {
                const int used = baseLetters(pa + ia, na - ia, qa, ca);
                if (!used)
                    return 0;
                // A combining mark following a plain letter: full order.
                if (ia + used + 1 < na && (pa[ia + used] == 0xCC || pa[ia + used] == 0xCD))
                    return 0;
                ia += used;
            }
            ka = 0;
        }
        if (kb == cb) {
            if (ib >= nb) {
                cb = 0;
            } else {
                const int used = baseLetters(pb + ib, nb - ib, qb, cb);
                if (!used)
                    return 0;
                if (ib + used + 1 < nb && (pb[ib + used] == 0xCC || pb[ib + used] == 0xCD))
                    return 0;
                ib += used;
            }
            kb = 0;
        }
        const bool endA = ca == 0, endB = cb == 0;
        if (endA || endB)
            return endA && endB ? 0 : (endA ? -1 : 1);
        const char x = qa[ka++], y = qb[kb++];
        if (x != y)
            return x < y ? -1 : 1;
    }
}

int sign(int v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

int collate(void *, int na, const void *a, int nb, const void *b)
{
    return germanCompareUtf8(static_cast<const char *>(a), na, static_cast<const char *>(b), nb);
}

} // namespace

int germanCompare(const QString &a, const QString &b)
{
    const QByteArray ua = a.toUtf8();
    const QByteArray ub = b.toUtf8();
    return germanCompareUtf8(ua.constData(), int(ua.size()), ub.constData(), int(ub.size()));
}

int germanCompareUtf8(const char *a, int na, const char *b, int nb)
{
    if (plainAscii(a, na) && plainAscii(b, nb))
        return foldedCompare(a, na, b, nb);
    if (const int quick = baseLetterCompare(a, na, b, nb))
        return quick;
    return sign(collator().compare(QString::fromUtf8(a, na), QString::fromUtf8(b, nb)));
}

void registerGermanCollation(sqlite3 *db)
{
    sqlite3_create_collation_v2(db, kGermanCollation, SQLITE_UTF8, nullptr, &collate, nullptr);
}

} // namespace store
