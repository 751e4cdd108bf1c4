#include "TsqlAdapter.h"

#include "DatabaseError.h"

#include <QSet>

namespace {

enum class T { Space, Word, Bracket, DQuote, String, Number, Param, Punct };

struct Tok {
    T type;
    QString text;
    bool generated = false;  // written by a rewrite, not taken from the statement
};

[[noreturn]] void reject(const QString& what)
{
    throw DatabaseError(QStringLiteral("The embedded database does not support this T-SQL: %1").arg(what));
}

bool isWordStart(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}

bool isWordChar(QChar c)
{
    return isWordStart(c) || (c >= u'0' && c <= u'9');
}

std::vector<Tok> tokenize(const QString& s)
{
    std::vector<Tok> out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    auto quoted = [&](QChar close, T type, const char* what) {
        // Quote char doubled inside means itself.
        qsizetype j = i + 1;
        for (;;) {
            if (j >= n)
                reject(QStringLiteral("unterminated %1").arg(QLatin1String(what)));
            if (s.at(j) == close) {
                if (j + 1 < n && s.at(j + 1) == close) {
                    j += 2;
                    continue;
                }
                break;
            }
            ++j;
        }
        out.push_back({type, s.mid(i, j - i + 1)});
        i = j + 1;
    };
    while (i < n) {
        const QChar c = s.at(i);
        if (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n') {
            qsizetype j = i;
            while (j < n && (s.at(j) == u' ' || s.at(j) == u'\t' || s.at(j) == u'\r' || s.at(j) == u'\n'))
                ++j;
            out.push_back({T::Space, s.mid(i, j - i)});
            i = j;
        } else if ((c == u'N' || c == u'n') && i + 1 < n && s.at(i + 1) == u'\'') {
            reject(QStringLiteral("N'...' literals (values are bound as parameters)"));
        } else if (isWordStart(c)) {
            qsizetype j = i;
            while (j < n && isWordChar(s.at(j)))
                ++j;
            out.push_back({T::Word, s.mid(i, j - i)});
            i = j;
        } else if (c == u'@' || c == u'#') {
            reject(QStringLiteral("variables and temporary tables ('%1')").arg(c));
        } else if (c == u'\'') {
            quoted(u'\'', T::String, "string literal");
        } else if (c == u'"') {
            quoted(u'"', T::DQuote, "quoted identifier");
        } else if (c == u'[') {
            quoted(u']', T::Bracket, "bracketed identifier");
        } else if (c.isDigit() || (c == u'.' && i + 1 < n && s.at(i + 1).isDigit())) {
            qsizetype j = i;
            while (j < n && (s.at(j).isDigit() || s.at(j) == u'.'))
                ++j;
            if (j < n && isWordStart(s.at(j)))
                reject(QStringLiteral("number '%1'").arg(s.mid(i, j - i + 1)));
            out.push_back({T::Number, s.mid(i, j - i)});
            i = j;
        } else if (c == u'?') {
            out.push_back({T::Param, QStringLiteral("?")});
            ++i;
        } else {
            const QString two = s.mid(i, 2);
            if (two == u"--" || two == u"/*")
                reject(QStringLiteral("comments"));
            if (two == u"||")
                reject(QStringLiteral("'||' (T-SQL concatenates with '+')"));
            if (two == u"<>" || two == u"<=" || two == u">=" || two == u"!=") {
                out.push_back({T::Punct, two});
                i += 2;
                continue;
            }
            if (c == u';')
                reject(QStringLiteral("';' (one statement at a time)"));
            if (QStringLiteral("(),.=<>*+-/%").contains(c)) {
                out.push_back({T::Punct, QString(c)});
                ++i;
                continue;
            }
            reject(QStringLiteral("the character '%1'").arg(c));
        }
    }
    return out;
}

bool isWord(const Tok& t, const char* upper)
{
    return t.type == T::Word && t.text.compare(QLatin1String(upper), Qt::CaseInsensitive) == 0;
}

bool isPunct(const Tok& t, const char* p)
{
    return t.type == T::Punct && t.text == QLatin1String(p);
}

// Index of the next / previous token that is not blank space; -1 when none.
qsizetype nextSig(const std::vector<Tok>& v, qsizetype i)
{
    for (qsizetype j = i + 1; j < static_cast<qsizetype>(v.size()); ++j)
        if (v[j].type != T::Space)
            return j;
    return -1;
}

qsizetype prevSig(const std::vector<Tok>& v, qsizetype i)
{
    for (qsizetype j = i - 1; j >= 0; --j)
        if (v[j].type != T::Space)
            return j;
    return -1;
}

Tok gen(T type, const char* text)
{
    return Tok{type, QString::fromLatin1(text), true};
}

const QSet<QString>& allowedKeywords()
{
    static const QSet<QString> k = {
        "SELECT", "DISTINCT", "FROM", "WHERE", "AND", "OR", "NOT", "IS", "NULL", "LIKE", "IN",
        "INSERT", "INTO", "VALUES", "UPDATE", "SET", "DELETE", "INNER", "JOIN", "ON", "AS",
        "GROUP", "BY", "ORDER", "ASC", "DESC",
    };
    return k;
}

const QSet<QString>& allowedFunctions()
{
    static const QSet<QString> f = {"GETDATE", "LEN", "LEFT", "SUM", "COUNT", "MIN", "MAX"};
    return f;
}

// T-SQL's reserved words and a few other T-SQL-only words: none may pass as a
// column or table name, since SQLite would read it differently or not at all.
const QSet<QString>& tsqlOnlyWords()
{
    static const QSet<QString> w = {
        "ADD", "ALL", "ALTER", "ANY", "APPLY", "AUTHORIZATION", "BACKUP", "BEGIN", "BETWEEN",
        "BREAK", "BROWSE", "BULK", "CASCADE", "CASE", "CATCH", "CHECK", "CHECKPOINT", "CLOSE",
        "CLUSTERED", "COALESCE", "COLLATE", "COLUMN", "COMMIT", "COMPUTE", "CONSTRAINT",
        "CONTAINS", "CONTAINSTABLE", "CONTINUE", "CONVERT", "CREATE", "CROSS", "CURRENT",
        "CURRENT_DATE", "CURRENT_TIME", "CURRENT_TIMESTAMP", "CURRENT_USER", "CURSOR",
        "DATABASE", "DBCC", "DEALLOCATE", "DECLARE", "DEFAULT", "DENY", "DISK", "DISTRIBUTED",
        "DOUBLE", "DROP", "DUMP", "ELSE", "END", "ERRLVL", "ESCAPE", "EXCEPT", "EXEC", "EXECUTE",
        "EXISTS", "EXIT", "EXTERNAL", "FETCH", "FILE", "FILLFACTOR", "FOR", "FOREIGN",
        "FREETEXT", "FREETEXTTABLE", "FULL", "FUNCTION", "GO", "GOTO", "GRANT", "HAVING",
        "HOLDLOCK", "IDENTITY", "IDENTITY_INSERT", "IDENTITYCOL", "IF", "INDEX", "INTERSECT",
        "KEY", "KILL", "LEFT", "LIMIT", "LINENO", "LOAD", "MERGE", "NATIONAL", "NOCHECK",
        "NOLOCK", "NONCLUSTERED", "NULLIF", "OF", "OFF", "OFFSET", "OFFSETS", "OPEN",
        "OPENDATASOURCE", "OPENQUERY", "OPENROWSET", "OPENXML", "OPTION", "OUTER", "OUTPUT",
        "OVER", "PATH", "PERCENT", "PIVOT", "PLAN", "PRECISION", "PRIMARY", "PRINT", "PROC",
        "PROCEDURE", "PUBLIC", "RAISERROR", "READ", "READTEXT", "RECONFIGURE", "REFERENCES",
        "REPLICATION", "RESTORE", "RESTRICT", "RETURN", "REVERT", "REVOKE", "RIGHT", "ROLLBACK",
        "ROWCOUNT", "ROWGUIDCOL", "RULE", "SAVE", "SCHEMA", "SECURITYAUDIT", "SESSION_USER",
        "SETUSER", "SHUTDOWN", "SOME", "STATISTICS", "SYSTEM_USER", "TABLE", "TABLESAMPLE",
        "TEXTSIZE", "THEN", "THROW", "TO", "TOP", "TRAN", "TRANSACTION", "TRIGGER", "TRUNCATE",
        "TRY", "TSEQUAL", "UNION", "UNIQUE", "UNPIVOT", "UPDATETEXT", "USE", "USER", "VARYING",
        "VIEW", "WAITFOR", "WHEN", "WHILE", "WITH", "WITHIN", "WRITETEXT", "XML",
    };
    return w;
}

enum class Pick { First, Last };

// Index of the first (or last) token in [from, to) at the nesting depth where
// `from` stands that `match` accepts; parentheses themselves are never
// matched. -1 when none.
template <typename Match>
qsizetype topLevel(const std::vector<Tok>& v, qsizetype from, qsizetype to, Match match, Pick pick = Pick::First)
{
    qsizetype found = -1;
    int depth = 0;
    for (qsizetype i = from; i < to; ++i) {
        if (isPunct(v[i], "("))
            ++depth;
        else if (isPunct(v[i], ")"))
            --depth;
        else if (depth == 0 && match(v[i], i)) {
            found = i;
            if (pick == Pick::First)
                break;
        }
    }
    return found;
}

// Index of the "(" whose parenthesis holds the token at `at`; -1 when none.
qsizetype openingParenthesis(const std::vector<Tok>& v, qsizetype at)
{
    int depth = 0;
    for (qsizetype i = at - 1; i >= 0; --i) {
        if (isPunct(v[i], ")"))
            ++depth;
        else if (isPunct(v[i], "(")) {
            if (depth == 0)
                return i;
            --depth;
        }
    }
    return -1;
}

// The first FOR of the statement itself (a rewrite writes none); -1 when none.
qsizetype firstFor(const std::vector<Tok>& v)
{
    for (qsizetype i = 0; i < static_cast<qsizetype>(v.size()); ++i)
        if (!v[i].generated && isWord(v[i], "FOR"))
            return i;
    return -1;
}

const QString& unsupportedFor()
{
    static const QString what =
        QStringLiteral("FOR other than FOR XML PATH('') over [text()] values in a subquery");
    return what;
}

// The parts of ( SELECT [DISTINCT] <expr> AS [text()] FROM ... FOR XML PATH('') ).
struct XmlSubquery {
    qsizetype open = -1;       // the subquery's "("
    qsizetype exprStart = -1;  // first token of <expr>
    qsizetype asAt = -1;       // AS before [text()]
    qsizetype fromAt = -1;     // the subquery's FROM
    qsizetype forAt = -1;      // FOR
    qsizetype close = -1;      // the subquery's ")"
    bool distinct = false;
    bool hasOrder = false;     // an ORDER BY of its own
};

// Finds the subquery around the FOR at `forAt`; anything else is refused.
XmlSubquery xmlSubquery(const std::vector<Tok>& v, qsizetype forAt)
{
    XmlSubquery q;
    q.forAt = forAt;
    // FOR XML PATH ( '' ) ) : the last parenthesis closes the subquery.
    const qsizetype xmlAt = nextSig(v, forAt);
    const qsizetype pathAt = xmlAt < 0 ? -1 : nextSig(v, xmlAt);
    const qsizetype po = pathAt < 0 ? -1 : nextSig(v, pathAt);
    const qsizetype lit = po < 0 ? -1 : nextSig(v, po);
    const qsizetype pc = lit < 0 ? -1 : nextSig(v, lit);
    q.close = pc < 0 ? -1 : nextSig(v, pc);
    if (q.close < 0 || !isWord(v[xmlAt], "XML") || !isWord(v[pathAt], "PATH") || !isPunct(v[po], "(")
        || v[lit].type != T::String || v[lit].text != u"''" || !isPunct(v[pc], ")")
        || !isPunct(v[q.close], ")"))
        reject(unsupportedFor());

    q.open = openingParenthesis(v, forAt);
    if (q.open < 0)
        reject(unsupportedFor());
    const qsizetype sel = nextSig(v, q.open);
    if (sel < 0 || !isWord(v[sel], "SELECT"))
        reject(unsupportedFor());
    q.exprStart = sel + 1;
    const qsizetype d = nextSig(v, sel);
    if (d >= 0 && isWord(v[d], "DISTINCT")) {
        q.distinct = true;
        q.exprStart = d + 1;
    }

    // FROM and, before it, the last AS [text()], at the subquery's own depth.
    q.fromAt = topLevel(v, q.exprStart, forAt, [](const Tok& t, qsizetype) { return isWord(t, "FROM"); });
    if (q.fromAt < 0)
        reject(unsupportedFor());
    q.asAt = topLevel(v, q.exprStart, q.fromAt, [&](const Tok& t, qsizetype i) {
        if (!isWord(t, "AS"))
            return false;
        const qsizetype a = nextSig(v, i);
        return a >= 0 && v[a].type == T::Bracket && v[a].text.compare(u"[text()]", Qt::CaseInsensitive) == 0;
    }, Pick::Last);
    if (q.asAt < 0)
        reject(unsupportedFor());
    q.hasOrder = topLevel(v, q.fromAt, forAt, [](const Tok& t, qsizetype) { return isWord(t, "ORDER"); }) >= 0;
    return q;
}

// What stands inside the subquery's parentheses instead: a group_concat over
// the distinct, XML-escaped values, sorted unless it orders them itself.
std::vector<Tok> groupConcat(const std::vector<Tok>& v, const XmlSubquery& q)
{
    std::vector<Tok> r;
    for (const char* t : {"SELECT", " ", "group_concat", "(", "tsql_xml", "(", "tsql_xml_value", ")", ",",
                          " ", "''", ")", " ", "FROM", " ", "(", "SELECT", " "}) {
        const QString s = QString::fromLatin1(t);
        r.push_back(gen(s == u" " ? T::Space : (s == u"''" ? T::String : (s.size() == 1 && !s.at(0).isLetter() ? T::Punct : T::Word)), t));
    }
    if (q.distinct)
        r.insert(r.end(), {gen(T::Word, "DISTINCT"), gen(T::Space, " ")});
    r.push_back(gen(T::Punct, "("));
    r.insert(r.end(), v.begin() + q.exprStart, v.begin() + q.asAt);
    for (Tok t : {gen(T::Punct, ")"), gen(T::Space, " "), gen(T::Word, "COLLATE"), gen(T::Space, " "),
                  gen(T::Word, "TEXT_CI"), gen(T::Space, " "), gen(T::Word, "AS"), gen(T::Space, " "),
                  gen(T::Word, "tsql_xml_value"), gen(T::Space, " ")})
        r.push_back(t);
    r.insert(r.end(), v.begin() + q.fromAt, v.begin() + q.forAt);
    if (!q.hasOrder)
        r.insert(r.end(), {gen(T::Word, "ORDER"), gen(T::Space, " "), gen(T::Word, "BY"), gen(T::Space, " "),
                           gen(T::Number, "1"), gen(T::Space, " ")});
    r.push_back(gen(T::Punct, ")"));
    return r;
}

// ( SELECT [DISTINCT] <expr> AS [text()] FROM ... FOR XML PATH('') )
// becomes a group_concat over the distinct, XML-escaped values. SQL Server
// gives the values in no promised order; here they come sorted, as its
// DISTINCT usually leaves them.
void rewriteForXml(std::vector<Tok>& v)
{
    for (qsizetype forAt = firstFor(v); forAt >= 0; forAt = firstFor(v)) {
        const XmlSubquery q = xmlSubquery(v, forAt);
        const std::vector<Tok> r = groupConcat(v, q);
        // Everything between the subquery's parentheses goes; its closing one stays.
        v.erase(v.begin() + q.open + 1, v.begin() + q.close);
        v.insert(v.begin() + q.open + 1, r.begin(), r.end());
    }
}

void validateAndRewrite(std::vector<Tok>& v)
{
    const qsizetype first = nextSig(v, -1);
    if (first < 0)
        reject(QStringLiteral("an empty statement"));
    if (!(isWord(v[first], "SELECT") || isWord(v[first], "INSERT") || isWord(v[first], "UPDATE")
          || isWord(v[first], "DELETE")))
        reject(QStringLiteral("a statement beginning with '%1'").arg(v[first].text));

    for (qsizetype i = 0; i < static_cast<qsizetype>(v.size()); ++i) {
        Tok& t = v[i];
        if (t.generated || t.type == T::Space)
            continue;
        const qsizetype prev = prevSig(v, i);
        const qsizetype next = nextSig(v, i);
        switch (t.type) {
        case T::Word: {
            const QString up = t.text.toUpper();
            const bool call = next >= 0 && isPunct(v[next], "(");
            const bool qualified = (prev >= 0 && isPunct(v[prev], "."));
            if (allowedKeywords().contains(up))
                break;
            if (call && !(prev >= 0 && isWord(v[prev], "INTO"))) {
                if (!allowedFunctions().contains(up))
                    reject(QStringLiteral("the function %1()").arg(t.text));
                if (up == u"LEFT")
                    t.text = QStringLiteral("tsql_left");
                break;
            }
            if (tsqlOnlyWords().contains(up) && !qualified)
                reject(up);
            break;
        }
        case T::Bracket: {
            const QString inner = t.text.mid(1, t.text.size() - 2);
            bool plain = !inner.isEmpty() && isWordStart(inner.at(0));
            for (QChar c : inner)
                plain = plain && isWordChar(c);
            // A derived table's or subquery's alias: ( ... ) [Name]
            if (!plain || prev < 0 || !isPunct(v[prev], ")"))
                reject(QStringLiteral("the bracketed identifier %1").arg(t.text));
            t.text = u'"' + inner + u'"';
            break;
        }
        case T::DQuote:
            // SQLite would take an unknown "name" for a string; only aliases are safe.
            if (prev < 0 || !isWord(v[prev], "AS"))
                reject(QStringLiteral("the quoted identifier %1 outside an AS alias").arg(t.text));
            break;
        case T::Punct:
            if (t.text == u"+") {
                const bool text = (prev >= 0 && v[prev].type == T::String) || (next >= 0 && v[next].type == T::String);
                if (text)
                    t.text = QStringLiteral("||");
            }
            break;
        default:
            break;
        }
    }
}

// Top-level select-list items that are exactly Getdate() [AS alias].
std::vector<int> dateTimeColumns(const std::vector<Tok>& v)
{
    std::vector<int> cols;
    const qsizetype first = nextSig(v, -1);
    if (first < 0 || !isWord(v[first], "SELECT"))
        return cols;
    std::vector<std::vector<const Tok*>> items(1);
    int depth = 0;
    for (qsizetype i = first + 1; i < static_cast<qsizetype>(v.size()); ++i) {
        const Tok& t = v[i];
        if (t.type == T::Space)
            continue;
        if (depth == 0 && isWord(t, "FROM"))
            break;
        if (isPunct(t, "("))
            ++depth;
        if (isPunct(t, ")"))
            --depth;
        if (depth == 0 && isPunct(t, ",")) {
            items.emplace_back();
            continue;
        }
        items.back().push_back(&t);
    }
    for (size_t c = 0; c < items.size(); ++c) {
        const auto& it = items[c];
        for (const Tok* t : it)
            if (isPunct(*t, "*"))
                return cols;  // column positions unknown past a star
        size_t k = 0;
        if (k < it.size() && isWord(*it[k], "DISTINCT"))
            ++k;
        if (it.size() >= k + 3 && isWord(*it[k], "GETDATE") && isPunct(*it[k + 1], "(") && isPunct(*it[k + 2], ")")
            && (it.size() == k + 3 || (it.size() == k + 5 && isWord(*it[k + 3], "AS")) || it.size() == k + 4))
            cols.push_back(static_cast<int>(c));
    }
    return cols;
}

}  // namespace

TsqlAdapter::Result TsqlAdapter::translate(const QString& tsql)
{
    std::vector<Tok> v = tokenize(tsql);
    Result r;
    r.dateTimeColumns = dateTimeColumns(v);
    rewriteForXml(v);
    validateAndRewrite(v);
    for (const Tok& t : v)
        r.sql += t.text;
    return r;
}
