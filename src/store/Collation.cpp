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
    return sign(collator().compare(QString::fromUtf8(a, na), QString::fromUtf8(b, nb)));
}

void registerGermanCollation(sqlite3 *db)
{
    sqlite3_create_collation_v2(db, kGermanCollation, SQLITE_UTF8, nullptr, &collate, nullptr);
}

} // namespace store
