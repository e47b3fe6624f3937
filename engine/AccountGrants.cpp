#include "engine/AccountGrants.h"

namespace tarnwick::engine {
namespace {

// The text of a grant line split at its top level: outside backticks, quotes and parentheses.
class GrantText {
  public:
    explicit GrantText(const QString& text) : text_(text) {}

    // Where `word` (" ON ", " TO ", ",") next stands at the top level from `from`, or -1.
    qsizetype Find(QStringView word, qsizetype from) const {
        QChar quote;
        int depth = 0;
        for (qsizetype i = from; i < text_.size(); ++i) {
            const QChar c = text_[i];
            if (!quote.isNull()) {
                if (c == quote) quote = {};  // a doubled quote reopens at once: still inside
                continue;
            }
            if (c == u'`' || c == u'\'' || c == u'"') {
                quote = c;
            } else if (c == u'(') {
                ++depth;
            } else if (c == u')') {
                --depth;
            } else if (depth == 0 && QStringView(text_).mid(i).startsWith(word)) {
                return i;
            }
        }
        return -1;
    }

  private:
    const QString& text_;
};

// A name as SHOW GRANTS writes it: in backticks (a backtick inside doubled), or bare.
std::optional<QString> Unquote(QStringView name) {
    name = name.trimmed();
    if (!name.startsWith(u'`')) return name.toString();
    if (name.size() < 2 || !name.endsWith(u'`')) return std::nullopt;
    return name.mid(1, name.size() - 2)
        .toString()
        .replace(QStringLiteral("``"), QStringLiteral("`"));
}

// Whether `name` matches a database name pattern: % any run of characters, _ any one character, a
// backslash makes the next character plain.
bool Matches(QStringView pattern, QStringView name, Qt::CaseSensitivity cs) {
    if (pattern.isEmpty()) return name.isEmpty();
    const QChar first = pattern.front();
    if (first == u'%') {
        for (qsizetype skip = 0; skip <= name.size(); ++skip)
            if (Matches(pattern.mid(1), name.mid(skip), cs)) return true;
        return false;
    }
    if (name.isEmpty()) return false;
    if (first == u'_') return Matches(pattern.mid(1), name.mid(1), cs);
    qsizetype length = 1;
    QChar plain = first;
    if (first == u'\\' && pattern.size() > 1) {
        plain = pattern[1];
        length = 2;
    }
    if (QStringView(&plain, 1).compare(name.first(1), cs) != 0) return false;
    return Matches(pattern.mid(length), name.mid(1), cs);
}

}  // namespace

std::optional<AccountGrants> AccountGrants::Parse(const QStringList& lines) {
    AccountGrants grants;
    for (const QString& line : lines) {
        if (!line.startsWith(u"GRANT ")) continue;
        const GrantText text(line);
        const qsizetype on = text.Find(u" ON ", 6);
        if (on < 0) continue;  // a role granted to the account
        const qsizetype to = text.Find(u" TO ", on + 4);
        if (to < 0) return std::nullopt;
        const QStringView object = QStringView(line).mid(on + 4, to - on - 4).trimmed();
        const QString privilegeList = line.mid(6, on - 6);
        if (privilegeList == u"PROXY") continue;
        if (object.startsWith(u"PROCEDURE ") || object.startsWith(u"FUNCTION ") ||
            object.startsWith(u"PACKAGE "))
            continue;

        Grant grant;
        if (object == u"*.*") {
            // every database
        } else if (object.endsWith(u".*")) {
            grant.database = Unquote(object.chopped(2));
            if (!grant.database) return std::nullopt;
        } else {
            continue;  // one table: the run's own tables are new
        }
        const GrantText privileges(privilegeList);
        qsizetype start = 0;
        while (start <= privilegeList.size()) {
            qsizetype comma = privileges.Find(u",", start);
            if (comma < 0) comma = privilegeList.size();
            const QString privilege = privilegeList.mid(start, comma - start).trimmed().toUpper();
            start = comma + 1;
            if (privilege.contains(u'(')) continue;  // on some columns only
            if (privilege == u"ALL PRIVILEGES" || privilege == u"ALL") {
                for (const QString& each : kRunPrivileges) grant.privileges.insert(each);
            }
            grant.privileges.insert(privilege);
        }
        grants.grants_.push_back(std::move(grant));
    }
    return grants;
}

QSet<QString> AccountGrants::OnDatabase(const QString& database, bool caseInsensitive) const {
    const Qt::CaseSensitivity cs = caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive;
    QSet<QString> held;
    for (const Grant& grant : grants_) {
        if (!grant.database || Matches(*grant.database, database, cs)) held.unite(grant.privileges);
    }
    return held;
}

}  // namespace tarnwick::engine
