/*
    SPDX-License-Identifier: GPL-2.0-or-later
*/
#include "commonsettingsparser.h"

#include "treeitem.h"

#include <QRegularExpression>
#include <QStringView>

#include <string>

// The reader is one forward scan over the text. It knows what syslog-ng's
// own lexer knows about structure: double-quoted strings (backslash escapes),
// single-quoted strings (no escapes), "#" comments outside strings, and the
// nesting of parentheses and braces. Nothing is cut at line ends, and no
// pattern is ever matched against a whole statement, so the work stays
// linear in the size of the text.
namespace
{
enum class State {
    Code,
    DoubleQuoted,
    SingleQuoted,
    Comment,
};

// What one scan of a piece of text (a top-level statement or one option of
// a body) found.
struct Piece {
    int end = 0; // the terminating ";" or the limit
    bool terminated = false; // ended by a ";" outside any delimiter
    bool balanced = true; // every delimiter closed by its own kind, no open string
    int lastSignificant = -1; // last character that is neither blank nor comment
    int firstParen = -1; // first "(" outside any delimiter
    int firstBrace = -1; // first "{" outside any delimiter
    int firstBraceMatch = -1; // the "}" that closes firstBrace
    int resync = -1; // first later line that looks like the start of a statement
};

bool isBlank(QChar c)
{
    return c.isSpace() || c.unicode() == 0xFEFF;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('-') || c == QLatin1Char('.');
}

// Characters a configuration file never holds: the control characters other
// than the blanks, and the replacement character that stands for bytes that
// were not UTF-8. A piece holding them is garbage, and writing it back would
// not give the same bytes.
bool isGarbage(QStringView text)
{
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\n' && u != u'\r' && u != u'\f' && u != u'\v') || u == 0x7F || u == 0xFFFD) {
            return true;
        }
    }
    return false;
}

QString rightTrimmed(QStringView text)
{
    int end = text.size();
    while (end > 0 && isBlank(text.at(end - 1))) {
        --end;
    }
    return text.left(end).toString();
}

// A line that begins, without indentation, with "@" or with
// "keyword [name] {": where a statement most likely starts again after one
// that is never closed. Looks at a bounded prefix only.
bool looksLikeStatementStart(const QString &s, int at)
{
    const int n = s.size();
    if (at >= n) {
        return false;
    }
    if (s.at(at) == QLatin1Char('@')) {
        return true;
    }
    if (!s.at(at).isLetter()) {
        return false;
    }
    const int cap = std::min(n, at + 256);
    int i = at;
    while (i < cap && isWordChar(s.at(i))) {
        ++i;
    }
    const int keywordEnd = i;
    while (i < cap && (s.at(i) == QLatin1Char(' ') || s.at(i) == QLatin1Char('\t'))) {
        ++i;
    }
    if (i < cap && s.at(i) == QLatin1Char('{')) {
        return true;
    }
    if (i == keywordEnd) {
        return false;
    }
    const int nameStart = i;
    while (i < cap && isWordChar(s.at(i))) {
        ++i;
    }
    if (i == nameStart) {
        return false;
    }
    while (i < cap && (s.at(i) == QLatin1Char(' ') || s.at(i) == QLatin1Char('\t'))) {
        ++i;
    }
    return i < cap && s.at(i) == QLatin1Char('{');
}

// Scans from `begin` up to the first ";" outside strings, comments and
// delimiters, or up to `limit`.
Piece scanPiece(const QString &s, int begin, int limit, bool findResync)
{
    Piece p;
    std::string open; // kinds of the delimiters open at this point
    int outerOpener = -1; // position of the open delimiter outside all others
    State state = State::Code;
    const QChar *d = s.constData();
    for (int i = begin; i < limit; ++i) {
        const char16_t c = d[i].unicode();
        if (c == u'\n' && findResync && p.resync < 0 && looksLikeStatementStart(s, i + 1)) {
            p.resync = i + 1;
        }
        switch (state) {
        case State::DoubleQuoted:
            p.lastSignificant = i;
            if (c == u'\\' && i + 1 < limit) {
                p.lastSignificant = ++i;
            } else if (c == u'"') {
                state = State::Code;
            }
            continue;
        case State::SingleQuoted:
            p.lastSignificant = i;
            if (c == u'\'') {
                state = State::Code;
            }
            continue;
        case State::Comment:
            if (c == u'\n') {
                state = State::Code;
            }
            continue;
        case State::Code:
            break;
        }
        if (isBlank(d[i])) {
            continue;
        }
        if (c == u'#') {
            state = State::Comment;
            continue;
        }
        if (c == u';' && open.empty()) {
            p.end = i;
            p.terminated = true;
            return p;
        }
        p.lastSignificant = i;
        switch (c) {
        case u'"':
            state = State::DoubleQuoted;
            break;
        case u'\'':
            state = State::SingleQuoted;
            break;
        case u'(':
        case u'{':
            if (open.empty()) {
                outerOpener = i;
                if (c == u'(' && p.firstParen < 0) {
                    p.firstParen = i;
                } else if (c == u'{' && p.firstBrace < 0) {
                    p.firstBrace = i;
                }
            }
            open.push_back(c == u'(' ? '(' : '{');
            break;
        case u')':
        case u'}':
            if (open.empty() || open.back() != (c == u')' ? '(' : '{')) {
                p.balanced = false;
                break;
            }
            open.pop_back();
            if (open.empty() && outerOpener == p.firstBrace && p.firstBraceMatch < 0) {
                p.firstBraceMatch = i;
            }
            break;
        default:
            break;
        }
    }
    p.end = limit;
    if (state == State::DoubleQuoted || state == State::SingleQuoted || !open.empty()) {
        p.balanced = false;
    }
    return p;
}

// Text outside delimiters (a statement header, an option name) with every
// run of blanks outside strings made one blank and trimmed. Comments found
// in it are taken out and handed back, so that they can stand on their own.
struct Collapsed {
    QString text;
    QStringList comments;
};

Collapsed collapse(const QString &s, int begin, int end)
{
    Collapsed result;
    result.text.reserve(end - begin);
    State state = State::Code;
    bool pendingBlank = false;
    int commentStart = 0;
    for (int i = begin; i < end; ++i) {
        const QChar c = s.at(i);
        switch (state) {
        case State::Comment:
            if (c == QLatin1Char('\n')) {
                result.comments.append(rightTrimmed(QStringView(s).mid(commentStart, i - commentStart)));
                state = State::Code;
            }
            continue;
        case State::DoubleQuoted:
            result.text.append(c);
            if (c == QLatin1Char('\\') && i + 1 < end) {
                result.text.append(s.at(++i));
            } else if (c == QLatin1Char('"')) {
                state = State::Code;
            }
            continue;
        case State::SingleQuoted:
            result.text.append(c);
            if (c == QLatin1Char('\'')) {
                state = State::Code;
            }
            continue;
        case State::Code:
            break;
        }
        if (isBlank(c)) {
            pendingBlank = true;
            continue;
        }
        if (c == QLatin1Char('#')) {
            state = State::Comment;
            commentStart = i;
            pendingBlank = true;
            continue;
        }
        if (pendingBlank && !result.text.isEmpty()) {
            result.text.append(QLatin1Char(' '));
        }
        pendingBlank = false;
        result.text.append(c);
        if (c == QLatin1Char('"')) {
            state = State::DoubleQuoted;
        } else if (c == QLatin1Char('\'')) {
            state = State::SingleQuoted;
        }
    }
    if (state == State::Comment) {
        result.comments.append(rightTrimmed(QStringView(s).mid(commentStart, end - commentStart)));
    }
    return result;
}

// The comments in a stretch that holds only blanks and comments.
QStringList commentsIn(const QString &s, int begin, int end)
{
    return collapse(s, begin, end).comments;
}

// An option name: words separated by one blank ("file", "not match", or
// nothing for an expression that starts with a parenthesis).
bool isPlainName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z0-9_.-]*( [A-Za-z0-9_.-]+)*$"));
    return pattern.match(name).hasMatch();
}

bool isConditionName(const QString &name)
{
    static const QRegularExpression pattern(QStringLiteral("^(if|elif) ?\\("));
    return pattern.match(name).hasMatch();
}

bool isKeyword(const QString &word)
{
    static const QRegularExpression pattern(QStringLiteral("^[A-Za-z_][A-Za-z0-9_-]*$"));
    return pattern.match(word).hasMatch();
}

const QString Paren = QString::fromLatin1(CommonSettingsParser::ParenthesisOption);
const QString Brace = QString::fromLatin1(CommonSettingsParser::BraceOption);
const QString CommentMarker = QString::fromLatin1(CommonSettingsParser::CommentOption);

class Reader
{
public:
    Reader(const QString &text, TreeItem *root, QStringList &unparsed)
        : s(text)
        , n(text.size())
        , m_root(root)
        , m_unparsed(unparsed)
    {
    }

    void read();

private:
    void readComment(int &pos);
    void readDirective(int &pos);
    void readStatement(int &pos);
    // The statement s[begin, semicolon); null when it is not one.
    TreeItem *buildStatement(int begin, const Piece &piece, QStringList &before, QStringList &after) const;
    // Cuts the body s[begin, end) of `statement` into options; false when a
    // piece of it is not an option.
    bool readBody(TreeItem *statement, int begin, int end) const;

    void addTopLevel(const QVector<QVariant> &columns)
    {
        m_root->appendChild(new TreeItem(columns, m_root));
    }
    void addComments(const QStringList &comments)
    {
        for (const QString &comment : comments) {
            addTopLevel({comment, QVariant(), QVariant()});
        }
    }
    void addUnparsed(int begin, int end)
    {
        const QString piece = rightTrimmed(QStringView(s).mid(begin, end - begin));
        if (!piece.isEmpty()) {
            m_unparsed.append(piece);
        }
    }

    const QString &s;
    const int n;
    TreeItem *m_root;
    QStringList &m_unparsed;
    // Characters scanned in vain by statements never closed; each such
    // statement is scanned again from where the next one seems to start, and
    // this bounds the rescans to a few times the text.
    qint64 m_wasted = 0;
};

void Reader::read()
{
    int pos = 0;
    while (pos < n) {
        if (isBlank(s.at(pos))) {
            ++pos;
        } else if (s.at(pos) == QLatin1Char('#')) {
            readComment(pos);
        } else if (s.at(pos) == QLatin1Char('@')) {
            readDirective(pos);
        } else {
            readStatement(pos);
        }
    }
}

void Reader::readComment(int &pos)
{
    int end = s.indexOf(QLatin1Char('\n'), pos);
    if (end < 0) {
        end = n;
    }
    const QStringView line = QStringView(s).mid(pos, end - pos);
    if (isGarbage(line)) {
        addUnparsed(pos, end);
    } else {
        addTopLevel({rightTrimmed(line), QVariant(), QVariant()});
    }
    pos = end;
}

// A directive is one line, up to a comment outside strings. When it ends
// with a double-quoted value and nothing before that value is quoted, the
// value goes to column 1 (the writer puts the quotes back).
void Reader::readDirective(int &pos)
{
    const int begin = pos;
    State state = State::Code;
    int quoteStart = -1; // start of the last string
    int strings = 0;
    bool quotedAtEnd = false; // the line ends with a double-quoted string
    int i = begin;
    for (; i < n && s.at(i) != QLatin1Char('\n'); ++i) {
        const QChar c = s.at(i);
        if (state == State::DoubleQuoted) {
            if (c == QLatin1Char('\\') && i + 1 < n && s.at(i + 1) != QLatin1Char('\n')) {
                ++i;
            } else if (c == QLatin1Char('"')) {
                state = State::Code;
                quotedAtEnd = true;
            }
            continue;
        }
        if (state == State::SingleQuoted) {
            if (c == QLatin1Char('\'')) {
                state = State::Code;
            }
            continue;
        }
        if (c == QLatin1Char('#')) {
            break;
        }
        if (!isBlank(c)) {
            quotedAtEnd = false;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            state = c == QLatin1Char('"') ? State::DoubleQuoted : State::SingleQuoted;
            quoteStart = i;
            ++strings;
        }
    }
    pos = i;
    const QString text = rightTrimmed(QStringView(s).mid(begin, i - begin));
    if (isGarbage(text)) {
        addUnparsed(begin, i);
        return;
    }
    if (state == State::Code && quotedAtEnd && strings == 1) {
        const int valueStart = quoteStart - begin + 1;
        const QString head = rightTrimmed(QStringView(text).left(quoteStart - begin));
        if (!head.isEmpty()) {
            addTopLevel({head, text.mid(valueStart, text.size() - valueStart - 1), QVariant()});
            return;
        }
    }
    addTopLevel({text, QVariant(), QVariant()});
}

void Reader::readStatement(int &pos)
{
    const int begin = pos;
    const Piece piece = scanPiece(s, begin, n, true);
    if (!piece.terminated) {
        // Never closed: what follows the first line that looks like a new
        // statement gets its own chance, as long as the rescans stay cheap.
        m_wasted += n - begin;
        if (piece.resync > begin && m_wasted <= 3 * qint64(n) + 65536) {
            addUnparsed(begin, piece.resync);
            pos = piece.resync;
        } else {
            addUnparsed(begin, n);
            pos = n;
        }
        return;
    }
    pos = piece.end + 1;
    QStringList before;
    QStringList after;
    TreeItem *statement = piece.balanced ? buildStatement(begin, piece, before, after) : nullptr;
    if (!statement) {
        addUnparsed(begin, pos);
        return;
    }
    addComments(before);
    m_root->appendChild(statement);
    addComments(after);
}

// A statement is "keyword [name] { body }" followed by its ";", where the
// first brace is closed by the last one.
TreeItem *Reader::buildStatement(int begin, const Piece &piece, QStringList &before, QStringList &after) const
{
    const int close = piece.lastSignificant;
    if (piece.firstBrace < 0 || close < 0 || piece.firstBraceMatch != close || isGarbage(QStringView(s).mid(begin, piece.end - begin))) {
        return nullptr;
    }
    Collapsed header = collapse(s, begin, piece.firstBrace);
    const int blank = header.text.indexOf(QLatin1Char(' '));
    const QString keyword = blank < 0 ? header.text : header.text.left(blank);
    const QString name = blank < 0 ? QString(QLatin1String("")) : header.text.mid(blank + 1);
    if (!isKeyword(keyword)) {
        return nullptr;
    }
    auto statement = new TreeItem({keyword, name, QVariant()}, m_root);
    if (!readBody(statement, piece.firstBrace + 1, close)) {
        delete statement;
        return nullptr;
    }
    before = header.comments;
    after = commentsIn(s, close + 1, piece.end);
    return statement;
}

// One option is "name(argument)", "name {argument}", a conditional
// "if (...) {...} else {...}", or a filter expression such as
// "match(...) and program(...)". Its kind follows from its last character:
// the name is what stands before the first delimiter of that kind, and the
// argument everything between that delimiter and the last character, so
// that name + delimiters + argument gives the option back.
bool Reader::readBody(TreeItem *statement, int begin, int end) const
{
    auto add = [statement](const QString &name, const QVariant &marker, const QVariant &argument) {
        statement->appendChild(new TreeItem({name, marker, argument}, statement));
    };
    int i = begin;
    while (i < end) {
        const QChar c = s.at(i);
        if (isBlank(c) || c == QLatin1Char(';')) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('#')) {
            int lineEnd = s.indexOf(QLatin1Char('\n'), i);
            if (lineEnd < 0 || lineEnd > end) {
                lineEnd = end;
            }
            add(rightTrimmed(QStringView(s).mid(i, lineEnd - i)), CommentMarker, QVariant());
            i = lineEnd;
            continue;
        }
        const Piece option = scanPiece(s, i, end, false);
        const int last = option.lastSignificant;
        if (!option.balanced || last < i) {
            return false;
        }
        const bool braced = s.at(last) == QLatin1Char('}');
        const int opener = braced ? option.firstBrace : option.firstParen;
        if ((!braced && s.at(last) != QLatin1Char(')')) || opener < 0) {
            return false;
        }
        const Collapsed name = collapse(s, i, opener);
        if (!isPlainName(name.text) && !(braced && isConditionName(name.text))) {
            return false;
        }
        for (const QString &comment : name.comments) {
            add(comment, CommentMarker, QVariant());
        }
        add(name.text, braced ? Brace : Paren, s.mid(opener + 1, last - opener - 1));
        for (const QString &comment : commentsIn(s, last + 1, option.end)) {
            add(comment, CommentMarker, QVariant());
        }
        i = option.end + 1;
    }
    return true;
}
}

CommonSettingsParser::CommonSettingsParser(const QString &configFile, QObject *parent)
    : AbstractConfigParser(configFile, parent)
{
}

CommonSettingsParser::~CommonSettingsParser() = default;

TreeItem *CommonSettingsParser::parse() const
{
    return parseText(readConfig());
}

TreeItem *CommonSettingsParser::parseText(const QString &text) const
{
    m_unparsed.clear();
    auto root = new TreeItem({QStringLiteral("Parameter"), QStringLiteral("Name"), QStringLiteral("Value")});
    Reader(text, root, m_unparsed).read();
    return root;
}

QStringList CommonSettingsParser::unparsedStatements() const
{
    return m_unparsed;
}
