// SPDX-License-Identifier: MIT
#include "QueryFilter.h"

#include <QVector>

namespace
{
struct Token
{
    enum Type
    {
        Word,
        Literal,
        Symbol,
        End
    } type;
    QString text;
};

bool tokenize(const QString& query, QVector<Token>* tokens)
{
    qsizetype i = 0;
    const qsizetype n = query.size();
    while (i < n) {
        const QChar c = query.at(i);
        if (c.isSpace()) {
            ++i;
        }
        else if (c.isLetter() || c == u'_') {
            qsizetype j = i;
            while (j < n && (query.at(j).isLetterOrNumber() || query.at(j) == u'_' || query.at(j) == u'.')) {
                ++j;
            }
            tokens->append({Token::Word, query.mid(i, j - i)});
            i = j;
        }
        else if (c.isDigit() || (c == u'-' && i + 1 < n && query.at(i + 1).isDigit())) {
            qsizetype j = i + 1;
            while (j < n && (query.at(j).isDigit() || query.at(j) == u'.')) {
                ++j;
            }
            tokens->append({Token::Literal, query.mid(i, j - i)});
            i = j;
        }
        else if (c == u'\'') {
            QString text;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar d = query.at(i);
                if (d == u'\\' && i + 1 < n) {
                    text += query.at(i + 1);
                    i += 2;
                }
                else if (d == u'\'' && i + 1 < n && query.at(i + 1) == u'\'') {
                    text += d;
                    i += 2;
                }
                else if (d == u'\'') {
                    ++i;
                    closed = true;
                    break;
                }
                else {
                    text += d;
                    ++i;
                }
            }
            if (!closed) {
                return false;
            }
            tokens->append({Token::Literal, text});
        }
        else {
            static const QStringList symbols = {QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>"),
                                                QStringLiteral("!="), QStringLiteral("="),  QStringLiteral("<"),
                                                QStringLiteral(">"),  QStringLiteral("("),  QStringLiteral(")"),
                                                QStringLiteral(",")};
            bool matched = false;
            for (const QString& symbol : symbols) {
                if (query.mid(i, symbol.size()) == symbol) {
                    tokens->append({Token::Symbol, symbol});
                    i += symbol.size();
                    matched = true;
                    break;
                }
            }
            if (!matched) {
                return false;
            }
        }
    }
    tokens->append({Token::End, QString()});
    return true;
}

class Parser
{
public:
    Parser(const ModuleDef& module, const QVector<Token>& tokens, QueryFilter* out)
        : m_module(module), m_tokens(tokens), m_out(out)
    {
    }

    bool parse() { return expression() && peek().type == Token::End; }

private:
    const Token& peek() const { return m_tokens.at(m_pos); }

    bool keyword(const char* word)
    {
        if (peek().type == Token::Word && peek().text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool symbol(const char* text)
    {
        if (peek().type == Token::Symbol && peek().text == QLatin1String(text)) {
            ++m_pos;
            return true;
        }
        return false;
    }

    bool expression()
    {
        if (!term()) {
            return false;
        }
        while (keyword("OR")) {
            m_out->sql += QStringLiteral(" OR ");
            if (!term()) {
                return false;
            }
        }
        return true;
    }

    bool term()
    {
        if (!factor()) {
            return false;
        }
        while (keyword("AND")) {
            m_out->sql += QStringLiteral(" AND ");
            if (!factor()) {
                return false;
            }
        }
        return true;
    }

    bool factor()
    {
        if (keyword("NOT")) {
            m_out->sql += QStringLiteral("NOT ");
            return factor();
        }
        if (symbol("(")) {
            m_out->sql += QLatin1Char('(');
            if (!expression() || !symbol(")")) {
                return false;
            }
            m_out->sql += QLatin1Char(')');
            return true;
        }
        return predicate();
    }

    bool literal()
    {
        if (peek().type != Token::Literal) {
            return false;
        }
        m_out->values.append(peek().text);
        ++m_pos;
        m_out->sql += QLatin1Char('?');
        return true;
    }

    // A bare column name or one qualified with the module's own table; nothing else.
    bool column()
    {
        if (peek().type != Token::Word) {
            return false;
        }
        QString name = peek().text;
        const qsizetype dot = name.indexOf(u'.');
        if (dot >= 0) {
            if (name.left(dot) != m_module.table) {
                return false;
            }
            name = name.mid(dot + 1);
        }
        const FieldDef* def = m_module.field(name);
        if (!def || !def->stored()) {
            return false;
        }
        ++m_pos;
        m_out->sql += QLatin1Char('"') + def->name + QLatin1Char('"');
        return true;
    }

    bool predicate()
    {
        if (!column()) {
            return false;
        }
        // MySQL compares text without regard to letter case; so does the real server's query.
        const QString nocase = QStringLiteral(" COLLATE NOCASE");
        if (keyword("IS")) {
            const bool negated = keyword("NOT");
            if (!keyword("NULL")) {
                return false;
            }
            m_out->sql += negated ? QStringLiteral(" IS NOT NULL") : QStringLiteral(" IS NULL");
            return true;
        }
        const bool negated = keyword("NOT");
        if (keyword("LIKE")) {
            m_out->sql += negated ? QStringLiteral(" NOT LIKE ") : QStringLiteral(" LIKE ");
            return literal();
        }
        if (keyword("IN")) {
            m_out->sql += nocase + (negated ? QStringLiteral(" NOT IN (") : QStringLiteral(" IN ("));
            if (!symbol("(") || !literal()) {
                return false;
            }
            while (symbol(",")) {
                m_out->sql += QLatin1Char(',');
                if (!literal()) {
                    return false;
                }
            }
            m_out->sql += QLatin1Char(')');
            return symbol(")");
        }
        if (negated || peek().type != Token::Symbol) {
            return false;
        }
        QString op = peek().text;
        if (op == QLatin1String("(") || op == QLatin1String(")") || op == QLatin1String(",")) {
            return false;
        }
        if (op == QLatin1String("<>")) {
            op = QStringLiteral("!=");
        }
        ++m_pos;
        m_out->sql += nocase + QLatin1Char(' ') + op + QLatin1Char(' ');
        return literal();
    }

    const ModuleDef& m_module;
    const QVector<Token>& m_tokens;
    QueryFilter* m_out;
    int m_pos = 0;
};
} // namespace

bool QueryFilter::parse(const ModuleDef& module, const QString& query, QueryFilter* filter)
{
    *filter = QueryFilter();
    if (query.trimmed().isEmpty()) {
        return true;
    }
    QVector<Token> tokens;
    if (!tokenize(query, &tokens)) {
        return false;
    }
    QueryFilter parsed;
    if (!Parser(module, tokens, &parsed).parse()) {
        return false;
    }
    *filter = parsed;
    return true;
}
