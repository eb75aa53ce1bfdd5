// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/RtfHtml.h"

#include "text/CodePages.h"

#include <algorithm>
#include <string_view>

namespace Rtf {

namespace {

// The control words the reader acts on.
enum class Kw : std::uint8_t {
    // destinations
    FontTable, ColourTable, SkipDest, FieldResult,
    // document
    Rtf, Ansi, Mac, Pc, Pca, AnsiCpg, Deff,
    // font table entries
    Font, FCharset, Cpg,
    // colour table entries
    Red, Green, Blue,
    // character formatting
    Plain, Bold, Italic, Underline, UnderlineNone, Strike, Hidden, Super, Sub, NoSuperSub,
    FontSize, Colour, Highlight, Uc, U,
    // paragraphs
    Pard, Par, Line, Tab, Cell, Row, AlignLeft, AlignCentre, AlignRight, AlignJustify,
    SpaceBefore, SpaceAfter, LeftIndent, RightIndent, FirstIndent, LineSpacing, LineMultiple,
    // characters
    EmDash, EnDash, Bullet, LQuote, RQuote, LDblQuote, RDblQuote, EmSpace, EnSpace, Zwj,
    Zwnj,
    // binary data
    Bin,
};

enum class Dest : std::uint8_t { Text, FontTable, ColourTable, Skip };

struct GroupState
{
    CharFmt chr;
    ParaFmt para;
    Dest dest = Dest::Text;
    int uc = 1;           // fallback characters after \uN
    bool star = false;    // a \* was just read in this group
};

class RtfReader
{
public:
    explicit RtfReader(const QByteArray &data) : data_(data) {}

    QString run();

private:
    // Input.
    const QByteArray &data_;
    qsizetype pos_ = 0;

    // Groups.
    std::vector<GroupState> stack_;
    int excessDepth_ = 0;
    bool finished_ = false;

    // Document.
    int docCodePage_ = 1252;
    DocumentTables tables_;
    // Entry of the font table being read.
    int entryFont_ = -1;
    int entryCodePage_ = 0;
    QString entryName_;
    // Entry of the colour table being read.
    int red_ = 0, green_ = 0, blue_ = 0;
    bool colourSet_ = false;

    // Unicode.
    int pendingSkip_ = 0;
    char16_t pendingHigh_ = 0;

    // Paragraph being built and the output.
    std::vector<Run> runs_;
    HtmlWriter html_{tables_};

    GroupState &top() { return stack_.back(); }

    void openGroup();
    void closeGroup();
    void readControl();
    void handleWord(std::string_view word, bool hasParam, int param);
    bool destinationWord(Kw k, bool star, bool hasParam, int param);
    bool documentWord(Kw k, bool hasParam, int param);
    bool characterWord(Kw k, bool hasParam, int param);
    bool paragraphWord(Kw k, bool hasParam, int param);
    void textByte(unsigned char b);
    void textChar(char16_t c);
    void unicodeChar(int value);
    void appendToParagraph(QChar c);
    void endParagraph();
    void commitFontEntry();
    void commitColourEntry();
    const char16_t *currentTable() const;
    bool outputFull() const { return html_.full(); }
};

const std::unordered_map<std::string_view, Kw> &keywords()
{
    static const std::unordered_map<std::string_view, Kw> map = [] {
        std::unordered_map<std::string_view, Kw> m = {
            {"fonttbl", Kw::FontTable}, {"colortbl", Kw::ColourTable},
            {"fldrslt", Kw::FieldResult},
            {"rtf", Kw::Rtf}, {"ansi", Kw::Ansi}, {"mac", Kw::Mac}, {"pc", Kw::Pc},
            {"pca", Kw::Pca}, {"ansicpg", Kw::AnsiCpg}, {"deff", Kw::Deff},
            {"f", Kw::Font}, {"fcharset", Kw::FCharset}, {"cpg", Kw::Cpg},
            {"red", Kw::Red}, {"green", Kw::Green}, {"blue", Kw::Blue},
            {"plain", Kw::Plain}, {"b", Kw::Bold}, {"i", Kw::Italic},
            {"ul", Kw::Underline}, {"uld", Kw::Underline}, {"uldb", Kw::Underline},
            {"uldash", Kw::Underline}, {"uldashd", Kw::Underline}, {"uldashdd", Kw::Underline},
            {"ulth", Kw::Underline}, {"ulw", Kw::Underline}, {"ulwave", Kw::Underline},
            {"ulhwave", Kw::Underline}, {"ululdbwave", Kw::Underline}, {"ulldash", Kw::Underline},
            {"ulthd", Kw::Underline}, {"ulthdash", Kw::Underline}, {"ulnone", Kw::UnderlineNone},
            {"strike", Kw::Strike}, {"striked", Kw::Strike}, {"v", Kw::Hidden},
            {"super", Kw::Super}, {"sub", Kw::Sub}, {"nosupersub", Kw::NoSuperSub},
            {"up", Kw::Super}, {"dn", Kw::Sub},
            {"fs", Kw::FontSize}, {"cf", Kw::Colour}, {"highlight", Kw::Highlight},
            {"cb", Kw::Highlight}, {"chcbpat", Kw::Highlight}, {"uc", Kw::Uc}, {"u", Kw::U},
            {"pard", Kw::Pard}, {"par", Kw::Par}, {"sect", Kw::Par}, {"page", Kw::Par},
            {"column", Kw::Par}, {"line", Kw::Line}, {"tab", Kw::Tab}, {"cell", Kw::Cell},
            {"nestcell", Kw::Cell}, {"row", Kw::Row}, {"nestrow", Kw::Row},
            {"ql", Kw::AlignLeft}, {"qc", Kw::AlignCentre}, {"qr", Kw::AlignRight},
            {"qj", Kw::AlignJustify}, {"qd", Kw::AlignJustify},
            {"sb", Kw::SpaceBefore}, {"sa", Kw::SpaceAfter}, {"li", Kw::LeftIndent},
            {"ri", Kw::RightIndent}, {"fi", Kw::FirstIndent}, {"sl", Kw::LineSpacing}, {"slmult", Kw::LineMultiple},
            {"emdash", Kw::EmDash}, {"endash", Kw::EnDash}, {"bullet", Kw::Bullet},
            {"lquote", Kw::LQuote}, {"rquote", Kw::RQuote}, {"ldblquote", Kw::LDblQuote},
            {"rdblquote", Kw::RDblQuote}, {"emspace", Kw::EmSpace}, {"enspace", Kw::EnSpace},
            {"qmspace", Kw::EnSpace}, {"zwj", Kw::Zwj}, {"zwnj", Kw::Zwnj},
            {"bin", Kw::Bin},
        };
        // Destinations whose content is never shown.
        for (const char *d : {"stylesheet", "info", "pict", "object", "objdata", "header",
                              "headerl", "headerr", "headerf", "footer", "footerl", "footerr",
                              "footerf", "footnote", "fldinst", "themedata",
                              "colorschememapping", "datastore", "latentstyles", "listtable",
                              "listoverridetable", "revtbl", "rsidtbl", "xmlnstbl", "pgdsctbl",
                              "filetbl", "generator", "pnseclvl", "shpinst", "nonshppict",
                              "shppict", "bkmkstart", "bkmkend", "xe", "tc", "txe", "do",
                              "atnid", "atnauthor", "annotation", "atrfstart", "atrfend",
                              "author", "operator", "title", "subject", "keywords", "comment",
                              "doccomm", "company", "template", "docvar", "userprops",
                              "formfield", "datafield", "ftnsep", "ftnsepc", "ftncn",
                              "aftnsep", "aftnsepc", "aftncn", "mmathPr", "pn", "pntxta",
                              "pntxtb", "listpicture", "protusertbl", "wgrffmtfilter",
                              "passwordhash", "fchars", "lchars", "background", "sp", "sn",
                              "sv", "blipuid", "falt", "panose", "fontemb", "fontfile",
                              "upr", "ud", "oldcprops", "oldpprops", "oldsprops", "oldtprops",
                              "password", "private", "mhtmltag", "htmltag", "ebcstart",
                              "ebcend", "buptim", "creatim", "printim", "revtim", "hlinkbase",
                              "nextfile", "field_placeholder"}) {
            m.emplace(d, Kw::SkipDest);
        }
        return m;
    }();
    return map;
}

// The character a word stands for (\emdash and the like); 0 for any other.
char16_t specialCharacter(Kw k)
{
    switch (k) {
    case Kw::EmDash: return 0x2014;
    case Kw::EnDash: return 0x2013;
    case Kw::Bullet: return 0x2022;
    case Kw::LQuote: return 0x2018;
    case Kw::RQuote: return 0x2019;
    case Kw::LDblQuote: return 0x201C;
    case Kw::RDblQuote: return 0x201D;
    case Kw::EmSpace: return 0x2003;
    case Kw::EnSpace: return 0x2002;
    case Kw::Zwj: return 0x200D;
    case Kw::Zwnj: return 0x200C;
    default: return 0;
    }
}

const char16_t *RtfReader::currentTable() const
{
    int cp = 0;
    const int f = stack_.back().chr.font >= 0 ? stack_.back().chr.font : tables_.defaultFont;
    if (f >= 0) {
        const auto it = tables_.fonts.find(f);
        if (it != tables_.fonts.end())
            cp = it->second.codePage;
    }
    if (cp == 0)
        cp = docCodePage_;
    const char16_t *t = codePageTable(cp);
    return t ? t : westernTable();
}

void RtfReader::openGroup()
{
    pendingSkip_ = 0;
    if (int(stack_.size()) > kMaxGroupDepth) {
        ++excessDepth_;
        return;
    }
    GroupState s = top();
    s.star = false;
    stack_.push_back(s);
}

void RtfReader::closeGroup()
{
    pendingSkip_ = 0;
    if (excessDepth_ > 0) {
        --excessDepth_;
        return;
    }
    if (top().dest == Dest::FontTable)
        commitFontEntry();
    stack_.pop_back();
    if (stack_.size() <= 1) // the document's own group closed
        finished_ = true;
}

void RtfReader::commitFontEntry()
{
    if (entryFont_ >= 0 && !entryName_.trimmed().isEmpty()
        && (tables_.fonts.size() < size_t(kMaxTableEntries) || tables_.fonts.count(entryFont_))) {
        FontInfo &fi = tables_.fonts[entryFont_];
        fi.name = cssFontName(entryName_);
        fi.codePage = entryCodePage_;
    }
    entryName_.clear();
    entryFont_ = -1;
    entryCodePage_ = 0;
}

void RtfReader::commitColourEntry()
{
    if (tables_.colours.size() < size_t(kMaxTableEntries))
        tables_.colours.push_back(colourSet_ ? std::int64_t((red_ << 16) | (green_ << 8) | blue_) : -1);
    red_ = green_ = blue_ = 0;
    colourSet_ = false;
}

void RtfReader::appendToParagraph(QChar c)
{
    const CharFmt &fmt = top().chr;
    if (fmt.hidden)
        return;
    if (runs_.empty() || !(runs_.back().fmt == fmt))
        runs_.push_back(Run{fmt, QString()});
    runs_.back().text += c;
}

void RtfReader::textChar(char16_t c)
{
    // A lone high surrogate is completed only by the very next character.
    if (pendingHigh_) {
        const char16_t high = pendingHigh_;
        pendingHigh_ = 0;
        if (QChar::isLowSurrogate(c)) {
            if (top().dest == Dest::Text) {
                appendToParagraph(QChar(high));
                appendToParagraph(QChar(c));
            }
            return;
        }
        textChar(0xFFFD);
    }
    if (QChar::isHighSurrogate(c)) {
        pendingHigh_ = c;
        return;
    }
    if (QChar::isLowSurrogate(c))
        c = 0xFFFD;

    switch (top().dest) {
    case Dest::Skip:
        return;
    case Dest::ColourTable:
        if (c == u';')
            commitColourEntry();
        return;
    case Dest::FontTable:
        if (c == u';')
            commitFontEntry();
        else if (c >= 0x20 && entryName_.size() < 256)
            entryName_ += QChar(c);
        return;
    case Dest::Text:
        break;
    }
    if (c == u'\t' || c == 0x2028) {
        appendToParagraph(QChar(c));
        return;
    }
    if (c < 0x20 || (c >= 0x7F && c < 0xA0) || c == 0xFEFF || c == 0xFFFE || c == 0xFFFF)
        return;
    appendToParagraph(QChar(c));
}

void RtfReader::textByte(unsigned char b)
{
    if (b == '\t') {
        textChar(u'\t');
        return;
    }
    if (b < 0x20)
        return;
    const QChar c = decodeByte(b, currentTable());
    if (c.unicode() == 0)
        return; // undefined in this code page
    textChar(c.unicode());
}

void RtfReader::unicodeChar(int value)
{
    if (value < 0)
        value += 65536;
    if (value < 0 || value > 0xFFFF)
        value = 0xFFFD;
    textChar(char16_t(value));
}

void RtfReader::handleWord(std::string_view word, bool hasParam, int param)
{
    GroupState &g = top();
    const bool star = g.star;
    g.star = false;

    const auto &kw = keywords();
    const auto it = kw.find(word);
    if (it == kw.end()) {
        if (star)
            g.dest = Dest::Skip; // an optional destination we do not know
        return;
    }
    const Kw k = it->second;

    // Inside a skipped group only \bin matters (its data must be jumped).
    if (g.dest == Dest::Skip && k != Kw::Bin)
        return;
    if (destinationWord(k, star, hasParam, param))
        return;
    if (star) {
        g.dest = Dest::Skip;
        return;
    }
    if (documentWord(k, hasParam, param))
        return;
    // Everything below acts on text only.
    if (g.dest != Dest::Text)
        return;
    if (characterWord(k, hasParam, param) || paragraphWord(k, hasParam, param))
        return;
    if (const char16_t c = specialCharacter(k))
        textChar(c);
}

// The words that open a destination, and \bin; true when `k` was one.
bool RtfReader::destinationWord(Kw k, bool star, bool hasParam, int param)
{
    GroupState &g = top();
    switch (k) {
    case Kw::FontTable:
        g.dest = Dest::FontTable;
        entryName_.clear();
        entryFont_ = -1;
        return true;
    case Kw::ColourTable:
        g.dest = Dest::ColourTable;
        red_ = green_ = blue_ = 0;
        colourSet_ = false;
        return true;
    case Kw::SkipDest:
        g.dest = Dest::Skip;
        return true;
    case Kw::FieldResult:
        if (star)
            g.dest = Dest::Skip;
        return true;
    case Kw::Bin: {
        // Binary data: param bytes follow and are never text.
        const qsizetype len = hasParam ? std::max(0, param) : 0;
        pos_ += std::min(len, data_.size() - pos_);
        return true;
    }
    default:
        return false;
    }
}

// The document's code page and default font, the entries of the font and
// colour tables, and Unicode characters; true when `k` was one of them.
bool RtfReader::documentWord(Kw k, bool hasParam, int param)
{
    GroupState &g = top();
    switch (k) {
    case Kw::Rtf:
        return true;
    case Kw::Ansi: docCodePage_ = 1252; return true;
    case Kw::Mac: docCodePage_ = 10000; return true;
    case Kw::Pc: docCodePage_ = 437; return true;
    case Kw::Pca: docCodePage_ = 850; return true;
    case Kw::AnsiCpg:
        if (hasParam && codePageTable(param))
            docCodePage_ = param;
        return true;
    case Kw::Deff:
        if (hasParam && param >= 0)
            tables_.defaultFont = param;
        return true;
    case Kw::Font:
        if (g.dest == Dest::FontTable) {
            if (!entryName_.trimmed().isEmpty())
                commitFontEntry();
            entryFont_ = hasParam ? param : -1;
            entryName_.clear();
            entryCodePage_ = 0;
        } else if (hasParam && param >= 0) {
            g.chr.font = param;
        }
        return true;
    case Kw::FCharset:
        if (g.dest == Dest::FontTable && hasParam && entryCodePage_ == 0)
            entryCodePage_ = codePageOfCharset(param);
        return true;
    case Kw::Cpg:
        if (g.dest == Dest::FontTable && hasParam && codePageTable(param))
            entryCodePage_ = param;
        return true;
    case Kw::Red: red_ = std::clamp(param, 0, 255); colourSet_ = true; return true;
    case Kw::Green: green_ = std::clamp(param, 0, 255); colourSet_ = true; return true;
    case Kw::Blue: blue_ = std::clamp(param, 0, 255); colourSet_ = true; return true;
    case Kw::Uc: g.uc = hasParam ? std::clamp(param, 0, 16) : 1; return true;
    case Kw::U:
        // Also in the font table, where names may hold Unicode characters.
        if (hasParam) {
            unicodeChar(param);
            pendingSkip_ = g.uc;
        }
        return true;
    default:
        return false;
    }
}

// Character formatting; true when `k` was one of its words.
bool RtfReader::characterWord(Kw k, bool hasParam, int param)
{
    CharFmt &chr = top().chr;
    const bool on = !hasParam || param != 0; // toggles: \b = \b1, \b0 = off
    switch (k) {
    case Kw::Plain: chr = CharFmt{}; return true;
    case Kw::Bold: chr.bold = on; return true;
    case Kw::Italic: chr.italic = on; return true;
    case Kw::Underline: chr.underline = on; return true;
    case Kw::UnderlineNone: chr.underline = false; return true;
    case Kw::Strike: chr.strike = on; return true;
    case Kw::Hidden: chr.hidden = on; return true;
    case Kw::Super: chr.vAlign = (hasParam && param == 0) ? 0 : 1; return true;
    case Kw::Sub: chr.vAlign = (hasParam && param == 0) ? 0 : 2; return true;
    case Kw::NoSuperSub: chr.vAlign = 0; return true;
    case Kw::FontSize: chr.halfPoints = hasParam ? std::clamp(param, 1, 3276) : 24; return true;
    case Kw::Colour: chr.colour = hasParam ? std::clamp(param, 0, kMaxTableEntries) : 0; return true;
    case Kw::Highlight: chr.highlight = hasParam ? std::clamp(param, 0, kMaxTableEntries) : 0; return true;
    default: return false;
    }
}

// Paragraphs, their formatting and the breaks inside them; true when `k`
// was one of their words.
bool RtfReader::paragraphWord(Kw k, bool hasParam, int param)
{
    ParaFmt &para = top().para;
    switch (k) {
    case Kw::Pard: para = ParaFmt{}; return true;
    case Kw::Par:
    case Kw::Row:
        endParagraph();
        return true;
    case Kw::Line: textChar(0x2028); return true;
    case Kw::Tab:
    case Kw::Cell: textChar(u'\t'); return true;
    case Kw::AlignLeft: para.align = 0; return true;
    case Kw::AlignCentre: para.align = 1; return true;
    case Kw::AlignRight: para.align = 2; return true;
    case Kw::AlignJustify: para.align = 3; return true;
    case Kw::SpaceBefore: para.spaceBefore = std::clamp(param, 0, 31680); return true;
    case Kw::SpaceAfter: para.spaceAfter = std::clamp(param, 0, 31680); return true;
    case Kw::LeftIndent: para.leftIndent = std::clamp(param, -31680, 31680); return true;
    case Kw::RightIndent: para.rightIndent = std::clamp(param, -31680, 31680); return true;
    case Kw::FirstIndent: para.firstIndent = std::clamp(param, -31680, 31680); return true;
    case Kw::LineSpacing: para.lineSpacing = hasParam ? std::clamp(param, -31680, 31680) : 0; return true;
    case Kw::LineMultiple: para.lineMultiple = !hasParam || param != 0; return true;
    default: return false;
    }
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

void RtfReader::readControl()
{
    const qsizetype n = data_.size();
    const char *d = data_.constData();
    ++pos_; // the backslash
    if (pos_ >= n)
        return;
    const char c = d[pos_];

    if (isLetter(c)) {
        const qsizetype start = pos_;
        while (pos_ < n && isLetter(d[pos_]))
            ++pos_;
        // Words are at most 32 letters; a longer one is unknown anyway.
        const std::string_view word(d + start, size_t(std::min<qsizetype>(pos_ - start, 32)));
        bool hasParam = false;
        bool negative = false;
        std::int64_t value = 0;
        if (pos_ < n && d[pos_] == '-' && pos_ + 1 < n && isDigit(d[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        while (pos_ < n && isDigit(d[pos_])) {
            hasParam = true;
            if (value < 10000000000LL)
                value = value * 10 + (d[pos_] - '0');
            ++pos_;
        }
        if (pos_ < n && d[pos_] == ' ')
            ++pos_;
        if (negative)
            value = -value;
        value = std::clamp<std::int64_t>(value, -2147483647LL, 2147483647LL);

        if (pendingSkip_ > 0 && word != "bin") {
            --pendingSkip_;
            return;
        }
        pendingSkip_ = 0;
        handleWord(word, hasParam, int(value));
        return;
    }

    ++pos_; // the control symbol
    if (c == '\'') {
        int v = 0;
        int digits = 0;
        while (digits < 2 && pos_ < n && hexValue(d[pos_]) >= 0) {
            v = v * 16 + hexValue(d[pos_]);
            ++pos_;
            ++digits;
        }
        if (pendingSkip_ > 0) {
            --pendingSkip_;
            return;
        }
        if (digits > 0)
            textByte(static_cast<unsigned char>(v));
        return;
    }
    if (pendingSkip_ > 0) {
        --pendingSkip_;
        return;
    }
    switch (c) {
    case '\\':
    case '{':
    case '}':
        textChar(char16_t(static_cast<unsigned char>(c)));
        return;
    case '~':
        textChar(0x00A0);
        return;
    case '-':
        textChar(0x00AD);
        return;
    case '_':
        textChar(0x2011);
        return;
    case '*':
        top().star = true;
        return;
    case '\r':
    case '\n':
        handleWord("par", false, 0);
        return;
    case '\t':
        textChar(u'\t');
        return;
    default:
        return; // \: \| and anything unknown
    }
}

QString RtfReader::run()
{
    const qsizetype n = data_.size();
    const char *d = data_.constData();

    // Skip what stands before the document's group (blanks, a BOM).
    while (pos_ < n && d[pos_] != '{')
        ++pos_;

    stack_.reserve(64);
    stack_.push_back(GroupState{}); // outside the document

    while (pos_ < n && !finished_ && !outputFull()) {
        const char c = d[pos_];
        switch (c) {
        case '{':
            ++pos_;
            openGroup();
            break;
        case '}':
            ++pos_;
            closeGroup();
            break;
        case '\\':
            readControl();
            break;
        case '\r':
        case '\n':
            ++pos_;
            break;
        default:
            ++pos_;
            if (stack_.size() <= 1)
                break; // nothing outside the document's group
            if (pendingSkip_ > 0) {
                --pendingSkip_;
                break;
            }
            if (top().dest == Dest::Text && c >= 0x20 && c < 0x7F && !pendingHigh_) {
                appendToParagraph(QLatin1Char(c)); // plain ASCII text
                break;
            }
            textByte(static_cast<unsigned char>(c));
            break;
        }
    }
    // A document without a final \par (or a truncated one) still shows its
    // last paragraph.
    if (!runs_.empty()) {
        if (stack_.size() <= 1)
            stack_.push_back(GroupState{});
        endParagraph();
    }
    return html_.finish();
}

void RtfReader::endParagraph()
{
    if (pendingHigh_) {
        pendingHigh_ = 0;
        appendToParagraph(QChar(0xFFFD));
    }
    if (outputFull())
        return;
    html_.paragraph(top().para, runs_, top().chr.halfPoints);
    runs_.clear();
}

} // namespace

QString readRtf(const QByteArray &data)
{
    RtfReader reader(data);
    return reader.run();
}

} // namespace Rtf
