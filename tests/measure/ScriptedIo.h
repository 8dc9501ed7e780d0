#pragma once
// A conversation for the measurement logic: records every command and query
// in order and answers queries from a script. A query with several scripted
// replies takes them in turn and repeats the last; an unscripted one gets "".
#include "QtPrinters.h"
#include "measure/SourceIo.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>

namespace ostrel::test {

class ScriptedIo : public SourceIo {
public:
    void reply(const QString& query, const QList<QByteArray>& replies) {
        replies_[query] = replies;
    }
    void reply(const QString& query, const QByteArray& text) { replies_[query] = {text}; }
    void failArray(const QString& query, const QString& error) { arrayErrors_[query] = error; }
    void queueErrors(const QStringList& errors) { errors_ = errors; }

    // Sends as "> command", queries as "? query".
    QStringList log;
    QStringList queries() const;
    QStringList sends() const;
    std::function<void(const QString&)> onQuery;

    void send(const QString& command) override { log << QStringLiteral("> ") + command; }
    QString query(const QString& command, double) override {
        return QString::fromLatin1(next(command));
    }
    QByteArray queryArray(const QString& command, double, int, QString& error) override {
        const QByteArray r = next(command);
        error = arrayErrors_.value(command);
        return error.isEmpty() ? r : QByteArray();
    }
    QString checkError() override {
        if (errors_.isEmpty()) return {};
        return QStringLiteral("\r\n") + errors_.takeFirst();
    }

private:
    QByteArray next(const QString& command) {
        log << QStringLiteral("? ") + command;
        if (onQuery) onQuery(command);
        QList<QByteArray>& r = replies_[command];
        if (r.isEmpty()) return {};
        return r.size() > 1 ? r.takeFirst() : r.front();
    }

    QHash<QString, QList<QByteArray>> replies_;
    QHash<QString, QString> arrayErrors_;
    QStringList errors_;
};

inline QStringList ScriptedIo::queries() const {
    QStringList out;
    for (const QString& l : log)
        if (l.startsWith(QLatin1String("? "))) out << l.mid(2);
    return out;
}

inline QStringList ScriptedIo::sends() const {
    QStringList out;
    for (const QString& l : log)
        if (l.startsWith(QLatin1String("> "))) out << l.mid(2);
    return out;
}

} // namespace ostrel::test
