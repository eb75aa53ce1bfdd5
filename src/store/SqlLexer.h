// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// A small lexer for the SQL texts and criteria the program hands the engine:
// enough to tell names, quoted texts, numbers and symbols apart.

#include "store/Engine.h"

#include <QString>
#include <QVariant>

#include <vector>

namespace store {

struct Token
{
    enum Kind { Word, Quoted, Number, Symbol, End } kind = End;
    QString text;  // unquoted for identifiers in brackets or double quotes
    int begin = 0; // position in the statement
    int end = 0;
    bool bracketed = false; // [..] "..." or `..`
};

class Lexer
{
public:
    explicit Lexer(const QString &s) : s_(s) {}

    Token next()
    {
        while (i_ < s_.size() && s_[i_].isSpace())
            ++i_;
        Token t;
        t.begin = i_;
        if (i_ >= s_.size()) {
            t.end = i_;
            return t;
        }
        const QChar ch = s_[i_];
        if (ch == QLatin1Char('[') || ch == QLatin1Char('"') || ch == QLatin1Char('`')) {
            const QChar close = ch == QLatin1Char('[') ? QLatin1Char(']') : ch;
            ++i_;
            while (i_ < s_.size()) {
                if (s_[i_] == close) {
                    if (close != QLatin1Char(']') && i_ + 1 < s_.size() && s_[i_ + 1] == close) {
                        t.text += close;
                        i_ += 2;
                        continue;
                    }
                    break;
                }
                t.text += s_[i_++];
            }
            if (i_ >= s_.size())
                throw Error(QStringLiteral("Syntaxfehler: ein Name in Klammern oder Anführungszeichen ist nicht "
                                           "abgeschlossen."));
            ++i_;
            t.kind = ch == QLatin1Char('"') ? Token::Quoted : Token::Word;
            t.bracketed = true;
        } else if (ch == QLatin1Char('\'')) {
            ++i_;
            while (true) {
                if (i_ >= s_.size())
                    throw Error(QStringLiteral("Syntaxfehler: eine Zeichenfolge in Hochkommas ist nicht "
                                               "abgeschlossen."));
                if (s_[i_] == QLatin1Char('\'')) {
                    if (i_ + 1 < s_.size() && s_[i_ + 1] == QLatin1Char('\'')) {
                        t.text += QLatin1Char('\'');
                        i_ += 2;
                        continue;
                    }
                    ++i_;
                    break;
                }
                t.text += s_[i_++];
            }
            t.kind = Token::Quoted;
        } else if (ch.isDigit() || (ch == QLatin1Char('.') && i_ + 1 < s_.size() && s_[i_ + 1].isDigit())) {
            while (i_ < s_.size() && (s_[i_].isDigit() || s_[i_] == QLatin1Char('.')))
                t.text += s_[i_++];
            t.kind = Token::Number;
        } else if (ch.isLetter() || ch == QLatin1Char('_')) {
            while (i_ < s_.size() && (s_[i_].isLetterOrNumber() || s_[i_] == QLatin1Char('_')))
                t.text += s_[i_++];
            t.kind = Token::Word;
        } else {
            t.text = ch;
            ++i_;
            if (i_ < s_.size()) {
                const QString two = t.text + s_[i_];
                if (two == QLatin1String("<>") || two == QLatin1String("<=") || two == QLatin1String(">=")
                    || two == QLatin1String("!=")) {
                    t.text = two;
                    ++i_;
                }
            }
            t.kind = Token::Symbol;
        }
        t.end = i_;
        return t;
    }

private:
    const QString &s_;
    int i_ = 0;
};

inline bool isKeyword(const Token &t, const char *kw)
{
    return t.kind == Token::Word && !t.bracketed && t.text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0;
}

inline bool isSymbol(const Token &t, const char *symbol)
{
    return t.kind == Token::Symbol && t.text == QLatin1String(symbol);
}

// Every token of a text, the end left out.
inline std::vector<Token> tokensOf(const QString &text)
{
    std::vector<Token> toks;
    Lexer lx(text);
    for (Token t = lx.next(); t.kind != Token::End; t = lx.next())
        toks.push_back(t);
    return toks;
}

// The value of a number token: a whole number, or with a point a real one.
// `ok` tells whether the text was a number of its kind at all.
inline QVariant numberValue(const Token &t, bool *ok = nullptr)
{
    if (t.text.contains(QLatin1Char('.')))
        return t.text.toDouble(ok);
    return t.text.toLongLong(ok);
}

} // namespace store
